// Feeds arbitrary bytes to the contact readers: as a delimited text file
// (fuzz_contacts_csv), as a vCard (fuzz_contacts_vcard), or as the sheet
// XML inside an .xlsx or .ods zip (fuzz_contacts_sheet; the first byte
// chooses which). Besides crashes (the sanitizers), it checks what the
// import relies on: every row is within the reader's bounds of cells and
// cell length, and a reader that has stopped with an error gives no more
// rows.

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "store/DelimitedReader.h"
#include "store/SheetReader.h"
#include "store/VCardReader.h"

namespace {

void check(bool ok, const char* what) {
    if (ok)
        return;
    std::fprintf(stderr, "invariant failed: %s\n", what);
    std::abort();
}

QString scratch(const char* ending) {
    static const QString base =
        QDir::tempPath() + QStringLiteral("/fuzz-contacts-") + QString::number(getpid());
    return base + QString::fromLatin1(ending);
}

[[maybe_unused]] void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

[[maybe_unused]] void writeZip(const QString& path,
                               const QList<QPair<QString, QByteArray>>& parts) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return;
    for (const auto& [name, bytes] : parts) {
        zip_source_t* src = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        if (src && zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_OVERWRITE) < 0)
            zip_source_free(src);
    }
    zip_close(z);
}

[[maybe_unused]] void drain(ContactReader& reader) {
    QStringList cells;
    int rows = 0;
    while (reader.next(&cells) && rows++ < 100000) {
        check(cells.size() <= contactreader::kMaxColumns, "too many cells");
        for (const QString& c : cells)
            check(c.size() <= contactreader::kMaxCell + 1, "cell past the bound");
        check(reader.progress() >= 0.0 && reader.progress() <= 1.0 + 1e-9, "progress out of range");
    }
    if (!reader.error().isEmpty())
        check(!reader.next(&cells), "rows after an error");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
#if defined(FUZZ_CSV)
    const QString path = scratch(".csv");
    writeFile(path, bytes);
    DelimitedReader reader(path);
    if (reader.open())
        drain(reader);
#elif defined(FUZZ_VCARD)
    const QString path = scratch(".vcf");
    writeFile(path, bytes);
    VCardReader reader(path);
    if (reader.open())
        drain(reader);
#elif defined(FUZZ_SHEET)
    if (bytes.isEmpty())
        return 0;
    const bool ods = (bytes.at(0) & 1) != 0;
    const QByteArray xml = bytes.mid(1);
    const QString path = scratch(ods ? ".ods" : ".xlsx");
    if (ods)
        writeZip(path, {{QStringLiteral("content.xml"), xml}});
    else
        writeZip(path, {{QStringLiteral("xl/worksheets/sheet1.xml"), xml},
                        {QStringLiteral("xl/sharedStrings.xml"), xml}});
    SheetReader reader(path, ods ? SheetReader::Kind::Ods : SheetReader::Kind::Xlsx);
    reader.setPartLimit(4 * 1024 * 1024);
    if (reader.open())
        drain(reader);
#endif
    return 0;
}
