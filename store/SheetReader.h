#pragma once

#include <QHash>
#include <QStringList>
#include <QXmlStreamReader>

#include <memory>

#include "store/ContactReader.h"

class ZipPart;
struct zip;

// The first sheet of an Excel .xlsx or a LibreOffice .ods workbook, read
// from its zip with libzip and streamed through Qt's XML reader: shared and
// inline strings, numbers (a phone number stored as a number comes out as
// its digits) and dates, which come out as the Excel serial number (.xlsx)
// or as yyyy-mm-dd (.ods). A part that would expand past a sane size, or
// XML that breaks off, stops the reader with a message.
class SheetReader : public ContactReader {
public:
    enum class Kind { Xlsx, Ods };
    SheetReader(const QString& path, Kind kind);
    ~SheetReader() override;

    bool open();
    bool next(QStringList* cells) override;
    double progress() const override;

    // The most a part of the zip may hold once expanded; the shared
    // strings, held whole, have a smaller bound.
    static constexpr qint64 kMaxPart = 256ll * 1024 * 1024;
    static constexpr qint64 kMaxStrings = 64ll * 1024 * 1024;
    // A smaller bound, for tests that make a bomb without writing 256 MB.
    void setPartLimit(qint64 bytes) { m_maxPart = bytes; }

private:
    bool hasPart(const QString& name) const;
    bool openPart(const QString& name, qint64 limit);
    bool readPartWhole(const QString& name, qint64 limit, QByteArray* bytes);
    bool loadSharedStrings();
    QString firstXlsxSheet();
    bool nextXlsx(QStringList* cells);
    bool nextOds(QStringList* cells);
    bool xmlFailed();
    QString odsCellText();

    QString m_path;
    Kind m_kind;
    zip* m_zip = nullptr;
    std::unique_ptr<ZipPart> m_part;
    qint64 m_partSize = 0;
    qint64 m_maxPart = kMaxPart;
    QXmlStreamReader m_xml;
    QStringList m_shared;
    bool m_inTable = false;
    bool m_done = false;
    // A non-empty .ods row repeated: given again this many more times.
    QStringList m_repeatRow;
    qint64 m_repeatLeft = 0;
};
