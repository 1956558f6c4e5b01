#include "store/DelimitedReader.h"

#include <QHash>

#include "shell/TextFile.h"
#include "store/ImportTexts.h"

using contactreader::Encoding;

namespace {
constexpr qint64 kChunk = 64 * 1024;
} // namespace

DelimitedReader::DelimitedReader(const QString& path, const contactreader::Options& options)
    : m_file(path), m_options(options) {}

Encoding DelimitedReader::detectEncoding(const QByteArray& start, int* bomLength) {
    *bomLength = 0;
    if (start.startsWith("\xEF\xBB\xBF")) {
        *bomLength = 3;
        return Encoding::Utf8;
    }
    if (start.startsWith("\xFF\xFE")) {
        *bomLength = 2;
        return Encoding::Utf16LE;
    }
    if (start.startsWith("\xFE\xFF")) {
        *bomLength = 2;
        return Encoding::Utf16BE;
    }
    // UTF-16 without a mark: ASCII text has a NUL in every other byte.
    qsizetype evenNul = 0;
    qsizetype oddNul = 0;
    const qsizetype n = start.size() & ~qsizetype(1);
    for (qsizetype i = 0; i < n; i += 2) {
        evenNul += start.at(i) == '\0';
        oddNul += start.at(i + 1) == '\0';
    }
    if (n >= 4 && oddNul * 3 > n / 2 && evenNul == 0)
        return Encoding::Utf16LE;
    if (n >= 4 && evenNul * 3 > n / 2 && oddNul == 0)
        return Encoding::Utf16BE;
    // The start cut at its last line end, so that no character is cut.
    QByteArray whole = start;
    const qsizetype end = whole.lastIndexOf('\n');
    if (end > 0 && whole.size() >= kChunk)
        whole.truncate(end);
    // The program's text rule decides between UTF-8 and Windows-1256.
    return textfile::decode(whole) == QString::fromUtf8(whole) ? Encoding::Utf8
                                                               : Encoding::Windows1256;
}

QChar DelimitedReader::detectDelimiter(const QString& sample) {
    const QChar candidates[] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t'),
                                QLatin1Char('|')};
    // Counts per line outside quotes, over the first lines.
    QList<QList<int>> counts(std::size(candidates));
    QList<int> line(std::size(candidates), 0);
    bool quoted = false;
    int lines = 0;
    for (qsizetype i = 0; i < sample.size() && lines < 20; ++i) {
        const QChar c = sample.at(i);
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) {
            if (c == QLatin1Char('\r') && i + 1 < sample.size() &&
                sample.at(i + 1) == QLatin1Char('\n'))
                ++i;
            for (size_t k = 0; k < std::size(candidates); ++k) {
                counts[k].append(line[k]);
                line[k] = 0;
            }
            ++lines;
        } else if (!quoted) {
            for (size_t k = 0; k < std::size(candidates); ++k)
                line[k] += c == candidates[k];
        }
    }
    for (size_t k = 0; k < std::size(candidates); ++k) {
        if (line[k] > 0)
            counts[k].append(line[k]);
    }
    // The best splits most lines into the same number of fields, more
    // fields breaking a tie; a file of one column keeps the comma.
    QChar best = candidates[0];
    int bestLines = 0;
    int bestFields = 0;
    for (size_t k = 0; k < std::size(candidates); ++k) {
        QHash<int, int> same;
        for (int c : counts[k]) {
            if (c > 0)
                ++same[c];
        }
        for (auto it = same.cbegin(); it != same.cend(); ++it) {
            if (it.value() > bestLines || (it.value() == bestLines && it.key() > bestFields)) {
                best = candidates[k];
                bestLines = it.value();
                bestFields = it.key();
            }
        }
    }
    return best;
}

bool DelimitedReader::looksBinary(const QString& sample) {
    qsizetype control = 0;
    for (QChar c : sample) {
        const char16_t u = c.unicode();
        if (u == 0)
            return true;
        if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f')
            ++control;
    }
    return control * 100 > sample.size();
}

bool DelimitedReader::open() {
    if (!m_file.open(QIODevice::ReadOnly))
        return fail(importtext::kUnreadable);
    const QByteArray start = m_file.peek(kChunk);
    int bom = 0;
    const Encoding detected = detectEncoding(start, &bom);
    m_encoding = m_options.encoding == Encoding::Auto ? detected : m_options.encoding;
    // A mark of another encoding than the one chosen is still not text.
    if (bom > 0 && m_encoding == detected)
        m_file.read(bom);
    switch (m_encoding) {
    case Encoding::Utf16LE:
        m_decoder = QStringDecoder(QStringConverter::Utf16LE);
        break;
    case Encoding::Utf16BE:
        m_decoder = QStringDecoder(QStringConverter::Utf16BE);
        break;
    default:
        m_decoder = QStringDecoder(QStringConverter::Utf8);
        break;
    }
    // An empty file opens and gives no rows.
    if (!fill())
        return m_error.isEmpty();
    if (looksBinary(m_buffer.left(kChunk)))
        return fail(importtext::kBinary);
    m_delimiter =
        m_options.delimiter.isNull() ? detectDelimiter(m_buffer.left(kChunk)) : m_options.delimiter;
    return true;
}

QString DelimitedReader::decodeChunk(const QByteArray& bytes) {
    if (m_encoding == Encoding::Windows1256)
        return textfile::fromCp1256(bytes);
    return m_decoder.decode(bytes);
}

bool DelimitedReader::fill() {
    if (m_eof)
        return false;
    const QByteArray bytes = m_file.read(kChunk);
    if (bytes.isEmpty()) {
        m_eof = true;
        if (m_file.error() != QFileDevice::NoError)
            return fail(importtext::kUnreadable);
        return false;
    }
    // What the parser has used is dropped before more is added.
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const QString text = decodeChunk(bytes);
    if (text.contains(QChar(u'\0')))
        return fail(importtext::kBinary);
    m_buffer.append(text);
    return true;
}

bool DelimitedReader::next(QStringList* cells) {
    cells->clear();
    if (!m_error.isEmpty())
        return false;
    QString field;
    bool quoted = false;
    bool any = false; // the record has begun
    auto finishField = [&] {
        if (cells->size() >= contactreader::kMaxColumns)
            return fail(importtext::kTooManyColumns);
        cells->append(field);
        field.clear();
        return true;
    };
    for (;;) {
        if (m_pos >= m_buffer.size()) {
            if (!fill()) {
                if (!m_error.isEmpty())
                    return false;
                if (!any)
                    return false;
                // The last record without a line end.
                return finishField();
            }
        }
        const QChar c = m_buffer.at(m_pos++);
        if (!any)
            m_line = m_nextLine;
        any = true;
        if (c == QLatin1Char('\n') ||
            (c == QLatin1Char('\r') &&
             (m_pos >= m_buffer.size() || m_buffer.at(m_pos) != QLatin1Char('\n'))))
            ++m_nextLine;
        if (field.size() > contactreader::kMaxCell)
            return fail(importtext::kCellTooLong);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (m_pos >= m_buffer.size())
                    fill();
                if (!m_error.isEmpty())
                    return false;
                if (m_pos < m_buffer.size() && m_buffer.at(m_pos) == QLatin1Char('"')) {
                    field.append(c);
                    ++m_pos;
                } else {
                    quoted = false;
                }
            } else {
                field.append(c);
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
        } else if (c == m_delimiter) {
            if (!finishField())
                return false;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r')) {
                if (m_pos >= m_buffer.size())
                    fill();
                if (m_pos < m_buffer.size() && m_buffer.at(m_pos) == QLatin1Char('\n')) {
                    ++m_pos;
                    ++m_nextLine;
                }
            }
            // A blank line is no record.
            if (cells->isEmpty() && field.isEmpty()) {
                any = false;
                continue;
            }
            return finishField();
        } else {
            field.append(c);
        }
    }
}

double DelimitedReader::progress() const {
    const qint64 size = m_file.size();
    return size > 0 ? double(m_file.pos()) / double(size) : 1.0;
}
