#include "device/at/AtLineParser.h"

namespace {

bool isHexLine(const QByteArray& line) {
    if (line.isEmpty())
        return false;
    for (char c : line) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hex)
            return false;
    }
    return true;
}

int errorNumber(const QByteArray& rest) {
    bool ok = false;
    const int n = rest.trimmed().toInt(&ok);
    return ok && n >= 0 ? n : -1;
}

// Status chatter of common modems that is neither an answer nor an event the
// program cares about. Left in, it would be taken for the answer of a command
// whose reply is a bare line (AT+CGMI and the like).
bool isNoise(const QByteArray& line) {
    if (line.startsWith('^'))
        return true;
    static const char* const exact[] = {"RDY",     "Call Ready", "SMS Ready",  "+PBREADY",
                                        "PB DONE", "SMS DONE",   "CALL READY", "NORMAL POWER DOWN"};
    for (const char* e : exact)
        if (line == e)
            return true;
    static const char* const prefixes[] = {
        "+CIEV:",  "+QIND:",  "*PSUTTZ", "+CTZV:",  "+CTZE:",   "+NITZ",
        "+STIN:",  "+ZSTART", "+ZEND",   "+ZUSIMR", "+ZDONR",   "+CSCON:",
        "+CEREG:", "+CGEV:",  "+CPINR:", "*EMRDY",  "+SIMCARD:"};
    for (const char* p : prefixes)
        if (line.startsWith(p))
            return true;
    return false;
}

} // namespace

AtLineParser::Item AtLineParser::classify(const QByteArray& line) {
    Item item;
    item.line = line;
    auto final = [&](Final f) {
        item.kind = Kind::Final;
        item.final = f;
        return item;
    };
    auto urc = [&](Urc u) {
        item.kind = Kind::Unsolicited;
        item.urc = u;
        return item;
    };

    if (line == "OK")
        return final(Final::Ok);
    if (line == "ERROR" || line == "COMMAND NOT SUPPORT" || line == "TOO MANY PARAMETERS")
        return final(Final::Error);
    if (line.startsWith("+CME ERROR:")) {
        item.errorCode = errorNumber(line.mid(11));
        return final(Final::CmeError);
    }
    if (line.startsWith("+CMS ERROR:")) {
        item.errorCode = errorNumber(line.mid(11));
        return final(Final::CmsError);
    }
    if (line == "CONNECT" || line.startsWith("CONNECT "))
        return final(Final::Connect);
    if (line == "NO CARRIER" || line == "BUSY" || line == "NO ANSWER" || line == "NO DIALTONE" ||
        line == "NO DIAL TONE") {
        item.kind = Kind::CallResult;
        return item;
    }
    if (line == "RING" || line.startsWith("+CRING:"))
        return urc(Urc::Ring);
    if (line.startsWith("+CMTI:"))
        return urc(Urc::Cmti);
    if (line.startsWith("+CMT:"))
        return urc(Urc::Cmt);
    if (line.startsWith("+CDSI:"))
        return urc(Urc::Cdsi);
    if (line.startsWith("+CDS:"))
        return urc(Urc::Cds);
    if (line.startsWith("+CUSD:"))
        return urc(Urc::Cusd);
    if (line.startsWith("+CLIP:"))
        return urc(Urc::Clip);
    if (isNoise(line)) {
        item.kind = Kind::Noise;
        return item;
    }
    item.kind = Kind::Info;
    return item;
}

QList<AtLineParser::Item> AtLineParser::feed(const QByteArray& data) {
    QList<Item> out;
    for (const char c : data) {
        if (m_swallowSpace) {
            m_swallowSpace = false;
            if (c == ' ')
                continue;
        }
        if (c == '\r' || c == '\n') {
            endLine(out);
            continue;
        }
        // The AT+CMGS prompt ends no line: it is "> " at the start of one.
        if (c == '>' && m_line.isEmpty() && !m_overflow) {
            if (m_havePendingPdu) {
                out.append(m_pending);
                m_havePendingPdu = false;
            }
            Item prompt;
            prompt.kind = Kind::Prompt;
            prompt.line = ">";
            out.append(prompt);
            m_swallowSpace = true;
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F)
            continue;
        if (m_line.size() >= kMaxLine) {
            m_overflow = true;
            continue;
        }
        m_line.append(c);
    }
    return out;
}

void AtLineParser::reset() {
    m_line.clear();
    m_overflow = false;
    m_swallowSpace = false;
    m_havePendingPdu = false;
    m_pending = Item();
}

void AtLineParser::endLine(QList<Item>& out) {
    if (m_overflow) {
        m_overflow = false;
        m_line.clear();
        return;
    }
    const QByteArray line = m_line.trimmed();
    m_line.clear();
    if (!line.isEmpty())
        emitLine(line, out);
}

void AtLineParser::emitLine(const QByteArray& line, QList<Item>& out) {
    if (m_havePendingPdu) {
        m_havePendingPdu = false;
        if (isHexLine(line)) {
            m_pending.pdu = line;
            out.append(m_pending);
            return;
        }
        // A header without its PDU: report it as it is and read this line on
        // its own, so a final result right after it is not lost.
        out.append(m_pending);
    }
    Item item = classify(line);
    if (item.kind == Kind::Unsolicited && (item.urc == Urc::Cmt || item.urc == Urc::Cds)) {
        m_pending = item;
        m_havePendingPdu = true;
        return;
    }
    out.append(item);
}
