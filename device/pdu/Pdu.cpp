#include "device/pdu/Pdu.h"

#include "device/pdu/GsmAlphabet.h"

#include <QTimeZone>

namespace pdu {
namespace {

constexpr int kMaxUserData = 140;     // octets of TP-UD
constexpr int kMaxSeptets = 160;      // septets of TP-UD in 7-bit coding
constexpr int kMaxAddressDigits = 20; // TP-DA/OA/RA: at most 10 octets of semi-octets
constexpr int kMaxSmscOctets = 11;    // type octet + 10 octets of digits

// ---- reading ---------------------------------------------------------------

// Hex text to octets. Surrounding white space (a modem's line end) is
// tolerated; anything else that is not a hex digit is an error.
std::optional<QByteArray> fromHex(const QByteArray& hex, QString* error) {
    const QByteArray text = hex.trimmed();
    if (text.size() % 2 != 0) {
        if (error)
            *error = QStringLiteral("odd number of hex digits");
        return std::nullopt;
    }
    QByteArray out;
    out.reserve(text.size() / 2);
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const int hi = nibble(text[i]);
        const int lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) {
            if (error)
                *error = QStringLiteral("not a hex digit at %1").arg(hi < 0 ? i : i + 1);
            return std::nullopt;
        }
        out.append(static_cast<char>(hi << 4 | lo));
    }
    return out;
}

// Bounds-checked cursor over the octets of one PDU. The first failure is
// kept; later reads keep failing, so a decoder checks once per field group.
class Reader {
public:
    explicit Reader(const QByteArray& data) : m_data(data) {}

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    qsizetype remaining() const { return m_data.size() - m_pos; }

    void fail(const QString& what) {
        if (m_error.isEmpty())
            m_error = what;
    }

    int octet(const char* field) {
        if (!ok())
            return 0;
        if (remaining() < 1) {
            fail(QStringLiteral("truncated at %1").arg(QLatin1String(field)));
            return 0;
        }
        return static_cast<unsigned char>(m_data[m_pos++]);
    }

    QByteArray take(qsizetype n, const char* field) {
        if (!ok())
            return {};
        if (n < 0 || remaining() < n) {
            fail(QStringLiteral("truncated at %1").arg(QLatin1String(field)));
            return {};
        }
        const QByteArray out = m_data.mid(m_pos, n);
        m_pos += n;
        return out;
    }

    QByteArray rest() {
        const QByteArray out = m_data.mid(m_pos);
        m_pos = m_data.size();
        return out;
    }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
    QString m_error;
};

template <typename T> std::optional<T> failed(const QString& what, QString* error) {
    if (error)
        *error = what;
    return std::nullopt;
}

// Semi-octet digits, low nibble first; F is filler.
QString semiOctetDigits(const QByteArray& octets, int digits) {
    static const char kDigit[] = "0123456789*#abc";
    QString out;
    for (int i = 0; i < digits && i / 2 < octets.size(); ++i) {
        const int o = static_cast<unsigned char>(octets[i / 2]);
        const int n = i % 2 == 0 ? o & 0x0F : o >> 4;
        if (n < 15)
            out.append(QLatin1Char(kDigit[n]));
    }
    return out;
}

int typeOfNumber(int type) {
    return type >> 4 & 0x07;
}

// TP-DA / TP-OA / TP-RA: length in semi-octets, type, value.
QString readAddress(Reader& r, const char* field) {
    const int digits = r.octet(field);
    const int type = r.octet(field);
    if (!r.ok())
        return {};
    if (digits > kMaxAddressDigits) {
        r.fail(QStringLiteral("%1 length %2 out of range").arg(QLatin1String(field)).arg(digits));
        return {};
    }
    const QByteArray value = r.take((digits + 1) / 2, field);
    if (!r.ok())
        return {};
    if (typeOfNumber(type) == 5) {
        // Alphanumeric: 7-bit packed GSM text, length counted in semi-octets.
        // Some networks count whole octets (twice) instead: a name of 7
        // characters then seems to hold one septet more, made of the last
        // octet's zero fill, which is no "@". A name of 8 that really ends in
        // "@" reads the same and loses it, as it does in other decoders.
        const int septets = digits * 4 / 7;
        QByteArray text = unpackSeptets(value, septets, 0);
        if (digits % 2 == 0 && septets * 7 == digits * 4 && text.endsWith('\0'))
            text.chop(1);
        return gsm::fromSeptets(text);
    }
    const QString number = semiOctetDigits(value, digits);
    return typeOfNumber(type) == 1 && !number.isEmpty() ? QLatin1Char('+') + number : number;
}

QString readSmsc(Reader& r) {
    const int length = r.octet("SMSC");
    if (!r.ok() || length == 0)
        return {};
    if (length > kMaxSmscOctets) {
        r.fail(QStringLiteral("SMSC length %1 out of range").arg(length));
        return {};
    }
    const int type = r.octet("SMSC");
    const QByteArray value = r.take(length - 1, "SMSC");
    if (!r.ok())
        return {};
    const QString number = semiOctetDigits(value, (length - 1) * 2);
    return typeOfNumber(type) == 1 && !number.isEmpty() ? QLatin1Char('+') + number : number;
}

int bcd(int octet, bool* valid) {
    const int tens = octet & 0x0F;
    const int units = octet >> 4;
    if (tens > 9 || units > 9)
        *valid = false;
    return tens * 10 + units;
}

// A bad timestamp only costs the time, not the message: the result is then
// an invalid QDateTime.
QDateTime readTimestamp(Reader& r, const char* field, int* quarters = nullptr) {
    const QByteArray t = r.take(7, field);
    if (!r.ok())
        return {};
    bool valid = true;
    auto at = [&](int i) { return static_cast<unsigned char>(t[i]); };
    const int year = bcd(at(0), &valid);
    const int month = bcd(at(1), &valid);
    const int day = bcd(at(2), &valid);
    const int hour = bcd(at(3), &valid);
    const int minute = bcd(at(4), &valid);
    const int second = bcd(at(5), &valid);
    // Time zone: the sign is bit 3 of the first (low) semi-octet.
    const int tz = at(6);
    int q = bcd(tz & 0xF7, &valid);
    if (tz & 0x08)
        q = -q;
    if (q < -56 || q > 56) // 14 hours either way
        valid = false;
    if (quarters)
        *quarters = valid ? q : 0;
    const QDate date(2000 + year, month, day);
    const QTime time(hour, minute, second);
    if (!valid || !date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::OffsetFromUTC, q * 15 * 60);
}

struct Coding {
    Dcs dcs = Dcs::Gsm7;
    int messageClass = -1;
    bool compressed = false;
};

// TP-DCS after 23.038: general groups (00xx, 01xx automatic deletion),
// message waiting (1100 discard, 1101 store GSM, 1110 store UCS2), and
// data coding / class (1111). Reserved groups are read as GSM 7-bit, as the
// standard tells receivers to.
Coding readDcs(int dcs) {
    Coding c;
    const int group = dcs >> 4;
    if (group <= 0x7) {
        c.compressed = dcs & 0x20;
        if (dcs & 0x10)
            c.messageClass = dcs & 0x03;
        switch (dcs >> 2 & 0x03) {
        case 1:
            c.dcs = Dcs::Data8;
            break;
        case 2:
            c.dcs = Dcs::Ucs2;
            break;
        default:
            c.dcs = Dcs::Gsm7;
            break;
        }
    } else if (group == 0xE) {
        c.dcs = Dcs::Ucs2;
    } else if (group == 0xF) {
        c.dcs = dcs & 0x04 ? Dcs::Data8 : Dcs::Gsm7;
        c.messageClass = dcs & 0x03;
    }
    return c;
}

QString fromUcs2(const QByteArray& octets) {
    QString out;
    out.reserve(octets.size() / 2);
    // A trailing odd octet is half a character: dropped.
    for (qsizetype i = 0; i + 1 < octets.size(); i += 2) {
        out.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(octets[i]) << 8 |
                                               static_cast<unsigned char>(octets[i + 1]))));
    }
    return out;
}

struct UserData {
    QString text;
    std::optional<Concat> concat;
};

// Concatenation IEs: one with a sequence outside 1..total is ignored, as
// 23.040 tells receivers; other IEs are skipped.
std::optional<Concat> readUdh(const QByteArray& udh) {
    std::optional<Concat> concat;
    qsizetype i = 0;
    while (i + 2 <= udh.size()) {
        const int iei = static_cast<unsigned char>(udh[i]);
        const int len = static_cast<unsigned char>(udh[i + 1]);
        i += 2;
        if (i + len > udh.size())
            break; // a truncated IE ends the header
        auto at = [&](int k) { return static_cast<unsigned char>(udh[i + k]); };
        Concat c;
        bool found = false;
        if (iei == 0x00 && len == 3) {
            c.reference = at(0);
            c.total = at(1);
            c.sequence = at(2);
            found = true;
        } else if (iei == 0x08 && len == 4) {
            c.reference = at(0) << 8 | at(1);
            c.total = at(2);
            c.sequence = at(3);
            c.reference16 = true;
            found = true;
        }
        if (found && c.total >= 1 && c.sequence >= 1 && c.sequence <= c.total && !concat)
            concat = c;
        i += len;
    }
    return concat;
}

// TP-UDL and TP-UD, to the end of the PDU. Octets past the UDL are ignored.
std::optional<UserData> readUserData(Reader& r, const Coding& coding, bool udhi) {
    const int udl = r.octet("TP-UDL");
    if (!r.ok())
        return std::nullopt;
    const bool septets = coding.dcs == Dcs::Gsm7 && !coding.compressed;
    if (udl > (septets ? kMaxSeptets : kMaxUserData)) {
        r.fail(QStringLiteral("TP-UDL %1 out of range").arg(udl));
        return std::nullopt;
    }
    const int octets = septets ? (udl * 7 + 7) / 8 : udl;
    const QByteArray ud = r.take(octets, "TP-UD");
    if (!r.ok()) {
        r.fail(QStringLiteral("TP-UDL larger than the user data"));
        return std::nullopt;
    }
    UserData out;
    int headerOctets = 0;
    if (udhi) {
        if (ud.isEmpty()) {
            r.fail(QStringLiteral("UDH indicated but no user data"));
            return std::nullopt;
        }
        const int udhl = static_cast<unsigned char>(ud[0]);
        headerOctets = udhl + 1;
        if (headerOctets > ud.size()) {
            r.fail(QStringLiteral("UDH length larger than the user data"));
            return std::nullopt;
        }
        out.concat = readUdh(ud.mid(1, udhl));
    }
    if (septets) {
        const int headerSeptets = (headerOctets * 8 + 6) / 7;
        if (headerSeptets > udl) {
            r.fail(QStringLiteral("UDH length larger than the user data"));
            return std::nullopt;
        }
        const int fill = headerSeptets * 7 - headerOctets * 8;
        out.text = gsm::fromSeptets(unpackSeptets(ud.mid(headerOctets), udl - headerSeptets, fill));
    } else if (coding.dcs == Dcs::Ucs2 && !coding.compressed) {
        out.text = fromUcs2(ud.mid(headerOctets));
    } else {
        // 8-bit data, or compressed text we cannot expand: the octets as they are.
        out.text = QString::fromLatin1(ud.mid(headerOctets));
    }
    return out;
}

// ---- writing ---------------------------------------------------------------

QByteArray semiOctets(const QString& digits) {
    QByteArray out;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        auto nibble = [](QChar c) -> int {
            switch (c.unicode()) {
            case '*':
                return 10;
            case '#':
                return 11;
            case 'a':
            case 'A':
                return 12;
            case 'b':
            case 'B':
                return 13;
            case 'c':
            case 'C':
                return 14;
            default:
                return c.unicode() - '0';
            }
        };
        const int lo = nibble(digits[i]);
        const int hi = i + 1 < digits.size() ? nibble(digits[i + 1]) : 0x0F;
        out.append(static_cast<char>(hi << 4 | lo));
    }
    return out;
}

bool isDialString(const QString& s) {
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (!c.isDigit() && c != QLatin1Char('*') && c != QLatin1Char('#') &&
            QStringLiteral("abcABC").indexOf(c) < 0)
            return false;
        if (c.unicode() > 0x7F)
            return false;
    }
    return true;
}

char bcdOctet(int value) {
    return static_cast<char>((value % 10) << 4 | (value / 10 % 10));
}

void appendUserData(QByteArray& out, const QString& text, Dcs dcs,
                    const std::optional<Concat>& concat) {
    QByteArray udh;
    if (concat) {
        if (concat->reference16 || concat->reference > 255) {
            udh = QByteArray::fromHex("060804");
            udh.append(static_cast<char>(concat->reference >> 8 & 0xFF));
            udh.append(static_cast<char>(concat->reference & 0xFF));
        } else {
            udh = QByteArray::fromHex("050003");
            udh.append(static_cast<char>(concat->reference & 0xFF));
        }
        udh.append(static_cast<char>(concat->total));
        udh.append(static_cast<char>(concat->sequence));
    }
    if (dcs == Dcs::Gsm7) {
        const QByteArray septets = gsm::toSeptets(text);
        const int headerSeptets = (static_cast<int>(udh.size()) * 8 + 6) / 7;
        const int fill = headerSeptets * 7 - static_cast<int>(udh.size()) * 8;
        out.append(static_cast<char>(headerSeptets + septets.size()));
        out.append(udh);
        out.append(packSeptets(septets, fill));
    } else {
        QByteArray body;
        if (dcs == Dcs::Ucs2) {
            for (QChar c : text) {
                body.append(static_cast<char>(c.unicode() >> 8));
                body.append(static_cast<char>(c.unicode() & 0xFF));
            }
        } else {
            body = text.toLatin1();
        }
        out.append(static_cast<char>(udh.size() + body.size()));
        out.append(udh);
        out.append(body);
    }
}

bool userDataFits(const QString& text, Dcs dcs, const std::optional<Concat>& concat) {
    const int header = !concat ? 0 : (concat->reference16 || concat->reference > 255) ? 7 : 6;
    if (dcs == Dcs::Gsm7) {
        const int headerSeptets = (header * 8 + 6) / 7;
        return headerSeptets + gsm::toSeptets(text).size() <= kMaxSeptets;
    }
    const qsizetype body = dcs == Dcs::Ucs2 ? text.size() * 2 : text.size();
    return header + body <= kMaxUserData;
}

int dcsOctet(Dcs dcs, int messageClass) {
    int d = dcs == Dcs::Ucs2 ? 0x08 : dcs == Dcs::Data8 ? 0x04 : 0x00;
    if (messageClass >= 0 && messageClass <= 3)
        d |= 0x10 | messageClass;
    return d;
}

QByteArray toHex(const QByteArray& octets) {
    return octets.toHex().toUpper();
}

} // namespace

// ---- primitives ------------------------------------------------------------

QByteArray packSeptets(const QByteArray& septets, int fillBits) {
    QByteArray out;
    out.reserve((septets.size() * 7 + fillBits + 7) / 8);
    unsigned int acc = 0;
    int bits = fillBits;
    for (char s : septets) {
        acc |= (static_cast<unsigned int>(s) & 0x7F) << bits;
        bits += 7;
        while (bits >= 8) {
            out.append(static_cast<char>(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    }
    // Fill bits alone still take an octet: the UDL of a header-only part
    // counts them.
    if (bits > 0)
        out.append(static_cast<char>(acc & 0xFF));
    return out;
}

QByteArray unpackSeptets(const QByteArray& octets, int count, int fillBits) {
    QByteArray out;
    if (count <= 0 || fillBits < 0 || fillBits > 6)
        return out;
    out.reserve(count);
    const qsizetype totalBits = octets.size() * 8;
    for (int i = 0; i < count; ++i) {
        const qsizetype bit = fillBits + static_cast<qsizetype>(i) * 7;
        if (bit + 7 > totalBits)
            break;
        const qsizetype byte = bit / 8;
        const int shift = static_cast<int>(bit % 8);
        unsigned int v = static_cast<unsigned char>(octets[byte]) >> shift;
        if (shift > 1)
            v |= static_cast<unsigned int>(static_cast<unsigned char>(octets[byte + 1]))
                 << (8 - shift);
        out.append(static_cast<char>(v & 0x7F));
    }
    return out;
}

QByteArray encodeAddress(const QString& number) {
    QByteArray out;
    const bool international = number.startsWith(QLatin1Char('+'));
    const QString digits = international ? number.mid(1) : number;
    if (isDialString(digits) || digits.isEmpty()) {
        out.append(static_cast<char>(qMin<qsizetype>(digits.size(), kMaxAddressDigits)));
        out.append(static_cast<char>(international ? 0x91 : 0x81));
        out.append(semiOctets(digits.left(kMaxAddressDigits)));
        return out;
    }
    // Alphanumeric (a sender such as an operator's name): at most 11 characters.
    QByteArray septets = gsm::toSeptets(number);
    if (septets.size() > 11)
        septets.truncate(11);
    const QByteArray packed = packSeptets(septets, 0);
    out.append(static_cast<char>((septets.size() * 7 + 3) / 4));
    out.append(static_cast<char>(0xD0));
    out.append(packed);
    return out;
}

QByteArray encodeTimestamp(const QDateTime& time, int timezoneQuarters) {
    const int q = qBound(-56, timezoneQuarters, 56);
    const QDateTime local = time.isValid() ? time.toOffsetFromUtc(q * 15 * 60) : QDateTime();
    const QDate d = local.date();
    const QTime t = local.time();
    QByteArray out;
    out.append(bcdOctet(d.isValid() ? d.year() % 100 : 0));
    out.append(bcdOctet(d.isValid() ? d.month() : 0));
    out.append(bcdOctet(d.isValid() ? d.day() : 0));
    out.append(bcdOctet(t.isValid() ? t.hour() : 0));
    out.append(bcdOctet(t.isValid() ? t.minute() : 0));
    out.append(bcdOctet(t.isValid() ? t.second() : 0));
    char tz = bcdOctet(q < 0 ? -q : q);
    if (q < 0)
        tz = static_cast<char>(tz | 0x08);
    out.append(tz);
    return out;
}

QByteArray encodeSmsc(const QString& number) {
    const bool international = number.startsWith(QLatin1Char('+'));
    // The number comes from the operator's field: blanks and dashes go.
    QString digits;
    for (QChar c : number) {
        if (isDialString(QString(c)))
            digits.append(c);
    }
    digits.truncate(kMaxAddressDigits);
    if (digits.isEmpty())
        return QByteArray(1, '\0');
    const QByteArray value = semiOctets(digits);
    QByteArray out;
    out.append(static_cast<char>(value.size() + 1));
    out.append(static_cast<char>(international ? 0x91 : 0x81));
    out.append(value);
    return out;
}

int relativeValidity(int smsValidity) {
    switch (smsValidity) {
    case 1:
        return 0x0B; // (11 + 1) * 5 minutes
    case 2:
        return 0x47; // (71 + 1) * 5 minutes = 6 hours
    case 3:
        return 0xA7; // 12 hours + (167 - 143) * 30 minutes = 1 day
    case 4:
        return 0xA9; // (169 - 166) days
    case 5:
        return 0xAD; // (173 - 166) days
    case 6:
        return 0xFF; // 255 -> 63 weeks, the longest the field can say
    default:
        return -1;
    }
}

// ---- SUBMIT ----------------------------------------------------------------

namespace {

// The destination as the network wants it: digits (and * #) after an
// optional '+'. Blanks, dashes, dots and brackets an operator may type go;
// Persian and Arabic-Indic digits become ASCII. Anything else means it is not
// a phone number, and a SUBMIT to a name would only be refused later.
std::optional<QString> destination(const QString& number) {
    QString out;
    for (qsizetype i = 0; i < number.size(); ++i) {
        const QChar c = number[i];
        if ((c == QLatin1Char('+') && out.isEmpty()) || c == QLatin1Char('*') ||
            c == QLatin1Char('#')) {
            out.append(c);
        } else if (c.isDigit() && c.digitValue() >= 0) {
            out.append(QLatin1Char(static_cast<char>('0' + c.digitValue())));
        } else if (!c.isSpace() && QStringLiteral("-.()").indexOf(c) < 0) {
            return std::nullopt;
        }
    }
    const qsizetype digits = out.size() - (out.startsWith(QLatin1Char('+')) ? 1 : 0);
    if (digits == 0 || digits > kMaxAddressDigits)
        return std::nullopt;
    return out;
}

} // namespace

std::vector<EncodedPart> encodeSubmit(const QString& text, const SubmitOptions& options,
                                      bool concatenated, int concatReference) {
    const std::optional<QString> number = destination(options.number);
    if (!number)
        return {};
    gsm::SplitInfo info;
    QStringList parts = gsm::split(text, concatenated, &info);
    if (parts.isEmpty())
        parts.append(QString());
    const Dcs dcs = info.coding == gsm::Coding::Ucs2 ? Dcs::Ucs2 : Dcs::Gsm7;
    const int total = static_cast<int>(parts.size());
    const bool withHeader = concatenated && total > 1;
    if (withHeader && total > 255)
        return {}; // the header cannot number the parts

    // The 16-bit reference needs one octet more than the cut leaves when a
    // part is full; then the whole message uses the 8-bit form.
    bool reference16 = withHeader && concatReference > 255;
    if (reference16) {
        Concat probe;
        probe.reference16 = true;
        for (const QString& p : parts) {
            if (!userDataFits(p, dcs, probe)) {
                reference16 = false;
                break;
            }
        }
    }

    const QByteArray smsc = encodeSmsc(options.smsc);
    std::vector<EncodedPart> out;
    out.reserve(parts.size());
    for (int i = 0; i < total; ++i) {
        std::optional<Concat> concat;
        if (withHeader) {
            Concat c;
            c.reference = reference16 ? concatReference & 0xFFFF : concatReference & 0xFF;
            c.reference16 = reference16;
            c.total = total;
            c.sequence = i + 1;
            concat = c;
        }
        const bool vp = options.validity >= 0;
        int first = 0x01; // SMS-SUBMIT, TP-RD = 0
        if (vp)
            first |= 0x10; // TP-VPF = 10, relative
        if (options.requestStatusReport)
            first |= 0x20;
        if (concat)
            first |= 0x40;
        QByteArray tpdu;
        tpdu.append(static_cast<char>(first));
        tpdu.append(static_cast<char>(options.messageReference & 0xFF));
        tpdu.append(encodeAddress(*number));
        tpdu.append('\0'); // TP-PID
        tpdu.append(static_cast<char>(dcsOctet(dcs, options.flash ? 0 : -1)));
        if (vp)
            tpdu.append(static_cast<char>(qMin(options.validity, 255)));
        appendUserData(tpdu, parts[i], dcs, concat);
        out.push_back({toHex(smsc + tpdu), static_cast<int>(tpdu.size())});
    }
    return out;
}

std::optional<Submit> decodeSubmit(const QByteArray& hex, QString* error) {
    const std::optional<QByteArray> octets = fromHex(hex, error);
    if (!octets)
        return std::nullopt;
    Reader r(*octets);
    Submit s;
    s.smsc = readSmsc(r);
    const int first = r.octet("first octet");
    if (r.ok() && (first & 0x03) != 0x01)
        r.fail(QStringLiteral("not an SMS-SUBMIT"));
    s.statusReportRequested = first & 0x20;
    s.messageReference = r.octet("TP-MR");
    s.number = readAddress(r, "TP-DA");
    s.protocolId = r.octet("TP-PID");
    s.dataCoding = r.octet("TP-DCS");
    switch (first >> 3 & 0x03) {
    case 2:
        s.validity = r.octet("TP-VP");
        break;
    case 1: // enhanced
    case 3: // absolute
        r.take(7, "TP-VP");
        break;
    default:
        break;
    }
    if (!r.ok())
        return failed<Submit>(r.error(), error);
    const Coding coding = readDcs(s.dataCoding);
    s.dcs = coding.dcs;
    s.messageClass = coding.messageClass;
    const std::optional<UserData> ud = readUserData(r, coding, first & 0x40);
    if (!ud)
        return failed<Submit>(r.error(), error);
    s.text = ud->text;
    s.concat = ud->concat;
    return s;
}

// ---- DELIVER ---------------------------------------------------------------

std::optional<Deliver> decodeDeliver(const QByteArray& hex, QString* error) {
    const std::optional<QByteArray> octets = fromHex(hex, error);
    if (!octets)
        return std::nullopt;
    Reader r(*octets);
    Deliver d;
    d.smsc = readSmsc(r);
    const int first = r.octet("first octet");
    if (r.ok() && (first & 0x03) != 0x00)
        r.fail(QStringLiteral("not an SMS-DELIVER"));
    d.sender = readAddress(r, "TP-OA");
    d.protocolId = r.octet("TP-PID");
    d.dataCoding = r.octet("TP-DCS");
    d.timestamp = readTimestamp(r, "TP-SCTS", &d.timezoneQuarters);
    if (!r.ok())
        return failed<Deliver>(r.error(), error);
    const Coding coding = readDcs(d.dataCoding);
    d.dcs = coding.dcs;
    d.messageClass = coding.messageClass;
    const std::optional<UserData> ud = readUserData(r, coding, first & 0x40);
    if (!ud)
        return failed<Deliver>(r.error(), error);
    d.text = ud->text;
    d.concat = ud->concat;
    return d;
}

QByteArray encodeDeliver(const Deliver& message) {
    if (!userDataFits(message.text, message.dcs, message.concat))
        return {};
    QByteArray tpdu;
    int first = 0x04; // SMS-DELIVER, TP-MMS: no more messages waiting
    if (message.concat)
        first |= 0x40;
    tpdu.append(static_cast<char>(first));
    tpdu.append(encodeAddress(message.sender));
    tpdu.append(static_cast<char>(message.protocolId & 0xFF));
    tpdu.append(static_cast<char>(dcsOctet(message.dcs, message.messageClass)));
    tpdu.append(encodeTimestamp(message.timestamp, message.timezoneQuarters));
    appendUserData(tpdu, message.text, message.dcs, message.concat);
    return toHex(encodeSmsc(message.smsc) + tpdu);
}

// ---- STATUS-REPORT -----------------------------------------------------------

std::optional<StatusReport> decodeStatusReport(const QByteArray& hex, QString* error) {
    const std::optional<QByteArray> octets = fromHex(hex, error);
    if (!octets)
        return std::nullopt;
    Reader r(*octets);
    StatusReport s;
    s.smsc = readSmsc(r);
    const int first = r.octet("first octet");
    if (r.ok() && (first & 0x03) != 0x02)
        r.fail(QStringLiteral("not an SMS-STATUS-REPORT"));
    s.messageReference = r.octet("TP-MR");
    s.recipient = readAddress(r, "TP-RA");
    s.serviceCentreTime = readTimestamp(r, "TP-SCTS");
    s.dischargeTime = readTimestamp(r, "TP-DT");
    s.status = r.octet("TP-ST");
    if (!r.ok())
        return failed<StatusReport>(r.error(), error);
    // TP-PI and what follows (PID, DCS, UD) are optional and of no use here.
    return s;
}

QByteArray encodeStatusReport(const StatusReport& report) {
    const int offset =
        report.serviceCentreTime.isValid() ? report.serviceCentreTime.offsetFromUtc() : 0;
    const int quarters = offset / 900;
    QByteArray tpdu;
    tpdu.append(static_cast<char>(0x06)); // SMS-STATUS-REPORT, TP-MMS
    tpdu.append(static_cast<char>(report.messageReference & 0xFF));
    tpdu.append(encodeAddress(report.recipient));
    tpdu.append(encodeTimestamp(report.serviceCentreTime, quarters));
    tpdu.append(encodeTimestamp(report.dischargeTime, quarters));
    tpdu.append(static_cast<char>(report.status & 0xFF));
    return toHex(encodeSmsc(report.smsc) + tpdu);
}

Kind kindOf(const QByteArray& hex) {
    const std::optional<QByteArray> octets = fromHex(hex, nullptr);
    if (!octets)
        return Kind::Unknown;
    Reader r(*octets);
    readSmsc(r);
    const int first = r.octet("first octet");
    if (!r.ok())
        return Kind::Unknown;
    switch (first & 0x03) {
    case 0:
        return Kind::Deliver;
    case 1:
        return Kind::Submit;
    case 2:
        return Kind::StatusReport;
    default:
        return Kind::Unknown;
    }
}

// ---- USSD --------------------------------------------------------------------

namespace {

bool isHexText(const QByteArray& s) {
    if (s.isEmpty())
        return false;
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// USSD answers are words, digits and punctuation: an unpacking that gives
// Greek capitals, control codes or stray escapes is not the real text.
bool plausibleText(const QString& text) {
    if (text.isEmpty())
        return false;
    qsizetype ordinary = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\r' || u == '\n' || (u >= 0x20 && u < 0x7F && u != '@'))
            ++ordinary;
        else if (u < 0x20)
            return false;
    }
    return ordinary * 10 >= text.size() * 9;
}

// A modem set to the UCS2 character set sends even a 7-bit answer as UCS2
// hex. Taken as such only when every character is Latin, Arabic script
// (Persian included) or common punctuation, so plain digits that happen to
// be hex ("1000", "2000") stay what they are.
bool plausibleUcs2(const QString& text) {
    bool word = false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool ok = u == '\r' || u == '\n' || (u >= 0x20 && u < 0x7F) ||
                        (u >= 0xA0 && u <= 0xFF) || (u >= 0x600 && u <= 0x6FF) ||
                        (u >= 0x200C && u <= 0x2027) || (u >= 0x2030 && u <= 0x205E) ||
                        (u >= 0xFB50 && u <= 0xFDFF) || (u >= 0xFE70 && u <= 0xFEFF) || u == 0x20AC;
        if (!ok)
            return false;
        word = word || c.isLetterOrNumber();
    }
    return word;
}

enum class UssdCoding { Gsm7, Data8, Ucs2 };

// The cell-broadcast data coding scheme (23.038 clause 5) that USSD uses;
// some modems report the SMS scheme instead, where 0x08 means UCS2.
UssdCoding ussdCoding(int dcs) {
    if (dcs == 0x08 || dcs == 0x11)
        return UssdCoding::Ucs2;
    const int group = dcs >> 4;
    if (group >= 0x4 && group <= 0x7) {
        switch (dcs >> 2 & 0x03) {
        case 1:
            return UssdCoding::Data8;
        case 2:
            return UssdCoding::Ucs2;
        default:
            return UssdCoding::Gsm7;
        }
    }
    if (group == 0x9) {
        const int a = dcs >> 2 & 0x03;
        return a == 1 ? UssdCoding::Data8 : a == 2 ? UssdCoding::Ucs2 : UssdCoding::Gsm7;
    }
    if (group == 0xF)
        return dcs & 0x04 ? UssdCoding::Data8 : UssdCoding::Gsm7;
    return UssdCoding::Gsm7;
}

} // namespace

QString decodeUssd(const QByteArray& str, int dcs) {
    const QByteArray s = str.trimmed();
    const QString plain = QString::fromUtf8(s);
    if (!isHexText(s) || s.size() % 2 != 0)
        return plain;
    const QByteArray octets = QByteArray::fromHex(s);
    switch (ussdCoding(dcs)) {
    case UssdCoding::Ucs2: {
        if (s.size() % 4 != 0)
            return plain;
        const QString text = fromUcs2(octets);
        for (QChar c : text) {
            if (c.unicode() < 0x20 && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
                return plain;
        }
        return text;
    }
    case UssdCoding::Data8:
        return QString::fromLatin1(octets);
    case UssdCoding::Gsm7: {
        QByteArray septets = unpackSeptets(octets, static_cast<int>(octets.size() * 8 / 7), 0);
        // Seven spare bits at the end hold CR (or zeros) as padding.
        if (octets.size() * 8 % 7 == 0 && !septets.isEmpty() &&
            (septets.back() == '\r' || septets.back() == 0))
            septets.chop(1);
        const QString text = gsm::fromSeptets(septets);
        if (plausibleText(text))
            return text;
        if (s.size() % 4 == 0) {
            const QString wide = fromUcs2(octets);
            if (plausibleUcs2(wide))
                return wide;
        }
        return plain;
    }
    }
    return plain;
}

} // namespace pdu
