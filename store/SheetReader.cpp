#include "store/SheetReader.h"

#include <QFile>

#include <QIODevice>

#include <zip.h>

#include <cmath>

#include "store/ImportTexts.h"

namespace {
const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
// A hostile .ods may say a row with content repeats a billion times.
constexpr qint64 kMaxRepeat = 10000;

// A number as a spreadsheet stores it ("9123456789", "9.123456789E9",
// "33453") in the text a person would have typed: whole numbers without a
// fraction or an exponent.
QString numberText(const QString& raw) {
    bool ok = false;
    const double value = raw.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return raw;
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

// "BC12" → 54 (from 0); -1 when the reference has no letters.
int columnOf(QStringView ref) {
    int column = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref.at(i).isLetter(); ++i) {
        column = column * 26 + (ref.at(i).toUpper().unicode() - u'A' + 1);
        if (column > contactreader::kMaxColumns)
            return contactreader::kMaxColumns;
    }
    return i == 0 ? -1 : column - 1;
}
} // namespace

// One part of the zip as a device the XML reader pulls from: it is
// expanded as it is read, never whole.
class ZipPart : public QIODevice {
public:
    explicit ZipPart(zip_file_t* file) : m_file(file) { open(QIODevice::ReadOnly); }
    ~ZipPart() override {
        QIODevice::close();
        zip_fclose(m_file);
    }
    bool isSequential() const override { return true; }
    qint64 consumed() const { return m_consumed; }

protected:
    qint64 readData(char* data, qint64 max) override {
        const zip_int64_t n = zip_fread(m_file, data, static_cast<zip_uint64_t>(max));
        if (n > 0)
            m_consumed += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    zip_file_t* m_file;
    qint64 m_consumed = 0;
};

SheetReader::SheetReader(const QString& path, Kind kind) : m_path(path), m_kind(kind) {}

SheetReader::~SheetReader() {
    m_xml.setDevice(nullptr);
    m_part.reset();
    if (m_zip)
        zip_discard(m_zip);
}

bool SheetReader::hasPart(const QString& name) const {
    return zip_name_locate(m_zip, name.toUtf8().constData(), 0) >= 0;
}

bool SheetReader::openPart(const QString& name, qint64 limit) {
    m_part.reset();
    const QByteArray utf8 = name.toUtf8();
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(m_zip, utf8.constData(), 0, &st) != 0)
        return false;
    // The size in the zip's directory is checked first; it may lie, so what
    // is read is counted too.
    if ((st.valid & ZIP_STAT_SIZE) && st.size > static_cast<zip_uint64_t>(limit))
        return fail(importtext::kTooLarge);
    m_partSize = (st.valid & ZIP_STAT_SIZE) ? static_cast<qint64>(st.size) : 0;
    zip_file_t* file = zip_fopen(m_zip, utf8.constData(), 0);
    if (!file)
        return fail(importtext::kNotASheet);
    m_part = std::make_unique<ZipPart>(file);
    return true;
}

bool SheetReader::readPartWhole(const QString& name, qint64 limit, QByteArray* bytes) {
    if (!openPart(name, limit))
        return false;
    bytes->clear();
    while (bytes->size() <= limit) {
        const QByteArray chunk = m_part->read(64 * 1024);
        if (chunk.isEmpty())
            break;
        bytes->append(chunk);
    }
    m_part.reset();
    if (bytes->size() > limit)
        return fail(importtext::kTooLarge);
    return true;
}

QString SheetReader::firstXlsxSheet() {
    const QString fallback = QStringLiteral("xl/worksheets/sheet1.xml");
    QByteArray workbook;
    QByteArray rels;
    if (!readPartWhole(QStringLiteral("xl/workbook.xml"), kMaxStrings, &workbook) ||
        !readPartWhole(QStringLiteral("xl/_rels/workbook.xml.rels"), kMaxStrings, &rels))
        return fallback;
    QString id;
    QXmlStreamReader wb(workbook);
    while (id.isEmpty() && !wb.atEnd()) {
        wb.readNext();
        if (wb.isStartElement() && wb.name() == QLatin1String("sheet")) {
            for (const QXmlStreamAttribute& a : wb.attributes()) {
                if (a.name() == QLatin1String("id"))
                    id = a.value().toString();
            }
        }
    }
    QXmlStreamReader rs(rels);
    while (!id.isEmpty() && !rs.atEnd()) {
        rs.readNext();
        if (rs.isStartElement() && rs.name() == QLatin1String("Relationship") &&
            rs.attributes().value(QLatin1String("Id")) == id) {
            QString target = rs.attributes().value(QLatin1String("Target")).toString();
            if (target.startsWith(QLatin1Char('/')))
                return target.mid(1);
            return QStringLiteral("xl/") + target;
        }
    }
    return fallback;
}

bool SheetReader::loadSharedStrings() {
    const QString name = QStringLiteral("xl/sharedStrings.xml");
    if (!hasPart(name))
        return true; // a workbook of numbers only has none
    QByteArray bytes;
    if (!readPartWhole(name, qMin(kMaxStrings, m_maxPart), &bytes))
        return false;
    QXmlStreamReader xml(bytes);
    QString current;
    bool inSi = false;
    bool inPhonetic = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("si")) {
                inSi = true;
                current.clear();
            } else if (xml.name() == QLatin1String("rPh")) {
                inPhonetic = true; // reading aids, not the text
            } else if (inSi && !inPhonetic && xml.name() == QLatin1String("t")) {
                current += xml.readElementText();
                if (current.size() > contactreader::kMaxCell)
                    return fail(importtext::kCellTooLong);
            }
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("si")) {
                m_shared.append(current);
                inSi = false;
            } else if (xml.name() == QLatin1String("rPh")) {
                inPhonetic = false;
            }
        }
    }
    if (xml.hasError())
        return fail(importtext::kBrokenSheet);
    return true;
}

bool SheetReader::open() {
    int error = 0;
    m_zip = zip_open(QFile::encodeName(m_path).constData(), ZIP_RDONLY, &error);
    if (!m_zip)
        return fail(importtext::kNotASheet);
    QString sheet;
    if (m_kind == Kind::Xlsx) {
        sheet = firstXlsxSheet();
        if (!m_error.isEmpty() || !loadSharedStrings())
            return false;
    } else {
        sheet = QStringLiteral("content.xml");
    }
    if (!openPart(sheet, m_maxPart))
        return m_error.isEmpty() ? fail(importtext::kNotASheet) : false;
    m_xml.setDevice(m_part.get());
    return true;
}

bool SheetReader::xmlFailed() {
    if (m_part && m_part->consumed() > m_maxPart)
        return fail(importtext::kTooLarge);
    if (m_xml.hasError())
        return fail(importtext::kBrokenSheet);
    return false;
}

bool SheetReader::next(QStringList* cells) {
    cells->clear();
    if (!m_error.isEmpty() || m_done || !m_part)
        return false;
    const bool got = m_kind == Kind::Xlsx ? nextXlsx(cells) : nextOds(cells);
    if (!got)
        m_done = true;
    return got;
}

bool SheetReader::nextXlsx(QStringList* cells) {
    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (xmlFailed())
            return false;
        if (!m_xml.isStartElement() || m_xml.name() != QLatin1String("row"))
            continue;
        bool ok = false;
        const qint64 r = m_xml.attributes().value(QLatin1String("r")).toLongLong(&ok);
        m_line = ok ? r : m_line + 1;
        // The cells of this row, each placed by its reference.
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (xmlFailed())
                return false;
            if (m_xml.isEndElement() && m_xml.name() == QLatin1String("row"))
                return true;
            if (!m_xml.isStartElement() || m_xml.name() != QLatin1String("c"))
                continue;
            const QString type = m_xml.attributes().value(QLatin1String("t")).toString();
            const int column = columnOf(m_xml.attributes().value(QLatin1String("r")));
            QString value;
            QString inlineText;
            while (!m_xml.atEnd()) {
                m_xml.readNext();
                if (xmlFailed())
                    return false;
                if (m_xml.isEndElement() && m_xml.name() == QLatin1String("c"))
                    break;
                if (m_xml.isStartElement() && m_xml.name() == QLatin1String("v"))
                    value = m_xml.readElementText();
                else if (m_xml.isStartElement() && m_xml.name() == QLatin1String("t"))
                    inlineText += m_xml.readElementText();
                if (value.size() > contactreader::kMaxCell ||
                    inlineText.size() > contactreader::kMaxCell)
                    return fail(importtext::kCellTooLong);
            }
            if (xmlFailed())
                return false;
            QString text;
            if (type == QLatin1String("s")) {
                bool isIndex = false;
                const int index = value.toInt(&isIndex);
                if (!isIndex || index < 0 || index >= m_shared.size())
                    return fail(importtext::kBrokenSheet);
                text = m_shared.at(index);
            } else if (type == QLatin1String("inlineStr")) {
                text = inlineText;
            } else if (type == QLatin1String("str") || type == QLatin1String("e") ||
                       type == QLatin1String("b")) {
                text = value;
            } else {
                text = numberText(value);
            }
            const int at = column < 0 ? int(cells->size()) : column;
            if (at >= contactreader::kMaxColumns)
                return fail(importtext::kTooManyColumns);
            while (cells->size() < at)
                cells->append(QString());
            if (cells->size() == at)
                cells->append(text);
            else
                (*cells)[at] = text;
        }
        return !xmlFailed();
    }
    xmlFailed();
    return false;
}

QString SheetReader::odsCellText() {
    // The paragraphs of a cell, one line each; spaces and tabs as marked.
    QString text;
    int paragraphs = 0;
    int depth = 1;
    while (depth > 0 && !m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isStartElement()) {
            ++depth;
            if (m_xml.namespaceUri() == kText && m_xml.name() == QLatin1String("p")) {
                if (paragraphs++ > 0)
                    text += QLatin1Char('\n');
            } else if (m_xml.namespaceUri() == kText && m_xml.name() == QLatin1String("s")) {
                const int n = m_xml.attributes().value(kText, QLatin1String("c")).toInt();
                text += QString(qBound(1, n, 64), QLatin1Char(' '));
            } else if (m_xml.namespaceUri() == kText && m_xml.name() == QLatin1String("tab")) {
                text += QLatin1Char('\t');
            } else if (m_xml.namespaceUri() == kText &&
                       m_xml.name() == QLatin1String("line-break")) {
                text += QLatin1Char('\n');
            } else if (m_xml.namespaceUri() == kOffice &&
                       m_xml.name() == QLatin1String("annotation")) {
                m_xml.skipCurrentElement(); // a comment, not the value
                --depth;
            }
        } else if (m_xml.isEndElement()) {
            --depth;
        } else if (m_xml.isCharacters()) {
            text += m_xml.text();
        }
        if (text.size() > contactreader::kMaxCell) {
            fail(importtext::kCellTooLong);
            return {};
        }
    }
    return text;
}

bool SheetReader::nextOds(QStringList* cells) {
    if (m_repeatLeft > 0) {
        --m_repeatLeft;
        ++m_line;
        *cells = m_repeatRow;
        return true;
    }
    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (xmlFailed())
            return false;
        if (m_xml.isEndElement() && m_xml.namespaceUri() == kTable &&
            m_xml.name() == QLatin1String("table") && m_inTable)
            return false; // only the first sheet
        if (!m_xml.isStartElement() || m_xml.namespaceUri() != kTable)
            continue;
        if (m_xml.name() == QLatin1String("table")) {
            m_inTable = true;
            continue;
        }
        if (m_xml.name() != QLatin1String("table-row"))
            continue;
        const qint64 rowRepeat = qMax<qint64>(
            1,
            m_xml.attributes().value(kTable, QLatin1String("number-rows-repeated")).toLongLong());
        qint64 pendingEmpty = 0;
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (xmlFailed() || !m_error.isEmpty())
                return false;
            if (m_xml.isEndElement() && m_xml.name() == QLatin1String("table-row"))
                break;
            if (!m_xml.isStartElement() || (m_xml.name() != QLatin1String("table-cell") &&
                                            m_xml.name() != QLatin1String("covered-table-cell")))
                continue;
            const QXmlStreamAttributes a = m_xml.attributes();
            const qint64 repeat = qMax<qint64>(
                1, a.value(kTable, QLatin1String("number-columns-repeated")).toLongLong());
            const QString type = a.value(kOffice, QLatin1String("value-type")).toString();
            QString value;
            if (type == QLatin1String("float") || type == QLatin1String("percentage") ||
                type == QLatin1String("currency"))
                value = numberText(a.value(kOffice, QLatin1String("value")).toString());
            else if (type == QLatin1String("date"))
                value = a.value(kOffice, QLatin1String("date-value")).toString();
            else if (type == QLatin1String("boolean"))
                value = a.value(kOffice, QLatin1String("boolean-value")).toString();
            const QString shown = odsCellText();
            if (!m_error.isEmpty() || xmlFailed())
                return false;
            if (value.isEmpty())
                value = shown;
            // Empty cells count only when something follows them: a sheet
            // ends its rows with thousands of repeated empty cells.
            if (value.isEmpty()) {
                pendingEmpty += repeat;
                continue;
            }
            if (cells->size() + pendingEmpty + repeat > contactreader::kMaxColumns)
                return fail(importtext::kTooManyColumns);
            for (qint64 i = 0; i < pendingEmpty; ++i)
                cells->append(QString());
            pendingEmpty = 0;
            for (qint64 i = 0; i < repeat; ++i)
                cells->append(value);
        }
        if (xmlFailed())
            return false;
        m_line += 1;
        if (cells->isEmpty()) {
            m_line += rowRepeat - 1;
            continue;
        }
        m_repeatLeft = qMin(rowRepeat, kMaxRepeat) - 1;
        if (m_repeatLeft > 0)
            m_repeatRow = *cells;
        return true;
    }
    xmlFailed();
    return false;
}

double SheetReader::progress() const {
    if (!m_part || m_partSize <= 0)
        return m_done ? 1.0 : 0.0;
    return qMin(1.0, double(m_part->consumed()) / double(m_partSize));
}
