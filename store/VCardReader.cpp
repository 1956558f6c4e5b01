#include "store/VCardReader.h"

#include "shell/TextFile.h"
#include "store/ImportTexts.h"

namespace {
int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The components of a structured value, split on unescaped ";" and with
// the escapes of vCard 3.0 and 4.0 undone.
QStringList components(const QString& value) {
    QStringList out;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value.at(++i);
            current += (n == QLatin1Char('n') || n == QLatin1Char('N')) ? QChar(u'\n') : n;
        } else if (c == QLatin1Char(';')) {
            out.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    out.append(current);
    return out;
}

bool quotedPrintable(const QList<QByteArray>& params) {
    for (const QByteArray& p : params) {
        const QByteArray u = p.trimmed().toUpper();
        if (u == "QUOTED-PRINTABLE" || u == "ENCODING=QUOTED-PRINTABLE")
            return true;
    }
    return false;
}
} // namespace

VCardReader::VCardReader(const QString& path) : m_file(path) {}

QStringList VCardReader::fixedHeader() const {
    return {importtext::kHeadName, importtext::kHeadFamily, importtext::kHeadNumber,
            importtext::kHeadBirth, importtext::kHeadContract};
}

bool VCardReader::open() {
    if (!m_file.open(QIODevice::ReadOnly))
        return fail(importtext::kUnreadable);
    if (m_file.peek(3) == "\xEF\xBB\xBF")
        m_file.read(3);
    return true;
}

QByteArray VCardReader::decodeQuotedPrintable(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '=') {
            out.append(c);
            continue;
        }
        // A soft line break: "=" at a line's end.
        if (i + 1 < text.size() && (text.at(i + 1) == '\r' || text.at(i + 1) == '\n')) {
            ++i;
            if (text.at(i) == '\r' && i + 1 < text.size() && text.at(i + 1) == '\n')
                ++i;
            continue;
        }
        const int hi = i + 1 < text.size() ? hexValue(text.at(i + 1)) : -1;
        const int lo = i + 2 < text.size() ? hexValue(text.at(i + 2)) : -1;
        if (hi < 0 || lo < 0) {
            out.append(c);
            continue;
        }
        out.append(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    return out;
}

bool VCardReader::readPhysicalLine(QByteArray* line) {
    if (m_haveLookahead) {
        *line = m_lookahead;
        m_haveLookahead = false;
        return true;
    }
    if (m_file.atEnd())
        return false;
    *line = m_file.readLine(contactreader::kMaxCell + 2);
    ++m_physical;
    if (line->size() > contactreader::kMaxCell && !line->endsWith('\n'))
        return fail(importtext::kCellTooLong);
    if (line->contains('\0'))
        return fail(importtext::kBinary);
    while (line->endsWith('\n') || line->endsWith('\r'))
        line->chop(1);
    return true;
}

bool VCardReader::readLogicalLine(QByteArray* line) {
    if (!readPhysicalLine(line))
        return false;
    const qsizetype colon = line->indexOf(':');
    const bool qp = colon > 0 && quotedPrintable(line->left(colon).split(';'));
    QByteArray more;
    for (;;) {
        if (line->size() > contactreader::kMaxCell)
            return fail(importtext::kCellTooLong);
        // A quoted-printable value goes on after a soft break "=".
        if (qp && line->endsWith('=')) {
            if (!readPhysicalLine(&more))
                break;
            line->chop(1);
            line->append(more);
            continue;
        }
        if (!readPhysicalLine(&more))
            break;
        if (!more.isEmpty() && (more.at(0) == ' ' || more.at(0) == '\t')) {
            line->append(more.mid(1));
            continue;
        }
        m_lookahead = more;
        m_haveLookahead = true;
        break;
    }
    return m_error.isEmpty();
}

void VCardReader::takeProperty(const QByteArray& line) {
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return;
    QList<QByteArray> params = line.left(colon).split(';');
    QByteArray name = params.takeFirst().trimmed().toUpper();
    if (const qsizetype dot = name.indexOf('.'); dot >= 0)
        name = name.mid(dot + 1); // "item1.TEL"
    QByteArray raw = line.mid(colon + 1);
    if (quotedPrintable(params))
        raw = decodeQuotedPrintable(raw);
    bool ansi = false;
    QList<QByteArray> types;
    for (const QByteArray& p : params) {
        const QByteArray u = p.trimmed().toUpper();
        if (u.startsWith("CHARSET="))
            ansi = u.contains("1256") || u.contains("ARABIC");
        else if (u.startsWith("TYPE="))
            types += u.mid(5).replace('"', "").split(',');
        else if (!u.contains('='))
            types += u; // 2.1: TEL;CELL
    }
    const QString value = ansi ? textfile::fromCp1256(raw) : QString::fromUtf8(raw);
    if (name == "N") {
        const QStringList parts = components(value);
        m_family = parts.value(0).trimmed();
        m_given = parts.value(1).trimmed();
        // A middle name belongs with the given one.
        if (!parts.value(2).trimmed().isEmpty())
            m_given = (m_given + QLatin1Char(' ') + parts.value(2).trimmed()).trimmed();
    } else if (name == "FN") {
        m_formatted = components(value).join(QLatin1Char(';')).trimmed();
    } else if (name == "TEL") {
        QString number = value.trimmed();
        if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
            number = number.mid(4);
        if (const qsizetype ext = number.indexOf(QLatin1Char(';')); ext >= 0)
            number.truncate(ext);
        if (number.isEmpty())
            return;
        const bool mobile = types.contains("CELL") || types.contains("MOBILE");
        (mobile ? m_mobiles : m_phones).append(number);
    } else if (name == "BDAY" || name == "X-TAVRIK-BIRTH") {
        m_birth = value.trimmed();
    } else if (name == "X-TAVRIK-CONTRACT") {
        m_contract = value.trimmed();
    }
}

void VCardReader::finishCard() {
    ++m_cards;
    QString given = m_given;
    if (given.isEmpty() && m_family.isEmpty())
        given = m_formatted;
    const QStringList numbers = m_mobiles.isEmpty() ? m_phones : m_mobiles;
    // A card without a number still counts: the import refuses it by name.
    for (const QString& n : numbers.isEmpty() ? QStringList{QString()} : numbers) {
        m_ready.append({given, m_family, n, m_birth, m_contract});
        m_readyLines.append(m_cardLine);
    }
}

bool VCardReader::next(QStringList* cells) {
    cells->clear();
    QByteArray line;
    while (m_ready.isEmpty()) {
        if (!m_error.isEmpty())
            return false;
        if (!readLogicalLine(&line)) {
            if (m_error.isEmpty() && m_cards == 0)
                fail(importtext::kNoCard);
            return false;
        }
        const QByteArray upper = line.trimmed().toUpper();
        if (upper == "BEGIN:VCARD") {
            m_inCard = true;
            m_cardLine = m_physical;
            m_given.clear();
            m_family.clear();
            m_formatted.clear();
            m_birth.clear();
            m_contract.clear();
            m_mobiles.clear();
            m_phones.clear();
        } else if (upper == "END:VCARD") {
            if (m_inCard)
                finishCard();
            m_inCard = false;
        } else if (m_inCard) {
            takeProperty(line);
        }
    }
    *cells = m_ready.takeFirst();
    m_line = m_readyLines.takeFirst();
    return true;
}

double VCardReader::progress() const {
    const qint64 size = m_file.size();
    return size > 0 ? double(m_file.pos()) / double(size) : 1.0;
}
