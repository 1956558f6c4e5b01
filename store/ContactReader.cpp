#include "store/ContactReader.h"

#include <QFileInfo>

#include "store/DelimitedReader.h"
#include "store/ImportTexts.h"
#include "store/SheetReader.h"
#include "store/VCardReader.h"
#include "store/XlsReader.h"

namespace contactreader {

namespace {
template <typename Reader>
std::unique_ptr<ContactReader> opened(std::unique_ptr<Reader> r, QString* error) {
    if (r->open())
        return r;
    if (error)
        *error = r->error();
    return nullptr;
}
} // namespace

std::unique_ptr<ContactReader> open(const QString& path, const Options& options, QString* error) {
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        if (error)
            *error = importtext::kUnreadable;
        return nullptr;
    }
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("xlsx") || suffix == QLatin1String("xlsm"))
        return opened(std::make_unique<SheetReader>(path, SheetReader::Kind::Xlsx), error);
    if (suffix == QLatin1String("ods"))
        return opened(std::make_unique<SheetReader>(path, SheetReader::Kind::Ods), error);
    if (suffix == QLatin1String("xls"))
        return opened(std::make_unique<XlsReader>(path), error);
    if (suffix == QLatin1String("vcf") || suffix == QLatin1String("vcard"))
        return opened(std::make_unique<VCardReader>(path), error);
    return opened(std::make_unique<DelimitedReader>(path, options), error);
}

} // namespace contactreader
