#include "device/pdu/GsmAlphabet.h"

#include <array>

namespace gsm {
namespace {

// Default table, indexed by septet.
constexpr std::array<char16_t, 128> kDefault = {
    u'@',      u'\u00A3', u'$',      u'\u00A5', u'\u00E8', u'\u00E9', u'\u00F9', u'\u00EC',
    u'\u00F2', u'\u00C7', u'\n',     u'\u00D8', u'\u00F8', u'\r',     u'\u00C5', u'\u00E5',
    u'\u0394', u'_',      u'\u03A6', u'\u0393', u'\u039B', u'\u03A9', u'\u03A0', u'\u03A8',
    u'\u03A3', u'\u0398', u'\u039E', u'\u00A0', u'\u00C6', u'\u00E6', u'\u00DF', u'\u00C9',
    u' ',      u'!',      u'"',      u'#',      u'\u00A4', u'%',      u'&',      u'\'',
    u'(',      u')',      u'*',      u'+',      u',',      u'-',      u'.',      u'/',
    u'0',      u'1',      u'2',      u'3',      u'4',      u'5',      u'6',      u'7',
    u'8',      u'9',      u':',      u';',      u'<',      u'=',      u'>',      u'?',
    u'\u00A1', u'A',      u'B',      u'C',      u'D',      u'E',      u'F',      u'G',
    u'H',      u'I',      u'J',      u'K',      u'L',      u'M',      u'N',      u'O',
    u'P',      u'Q',      u'R',      u'S',      u'T',      u'U',      u'V',      u'W',
    u'X',      u'Y',      u'Z',      u'\u00C4', u'\u00D6', u'\u00D1', u'\u00DC', u'\u00A7',
    u'\u00BF', u'a',      u'b',      u'c',      u'd',      u'e',      u'f',      u'g',
    u'h',      u'i',      u'j',      u'k',      u'l',      u'm',      u'n',      u'o',
    u'p',      u'q',      u'r',      u's',      u't',      u'u',      u'v',      u'w',
    u'x',      u'y',      u'z',      u'\u00E4', u'\u00F6', u'\u00F1', u'\u00FC', u'\u00E0',
};
// Septet 0x1B is the escape, not a character: the table holds a placeholder
// (no-break space) there that must never match, see defaultSeptet().

struct Ext {
    char16_t ch;
    char septet;
};
constexpr std::array<Ext, 10> kExtension = {{
    {u'\f', 0x0A},
    {u'^', 0x14},
    {u'{', 0x28},
    {u'}', 0x29},
    {u'\\', 0x2F},
    {u'[', 0x3C},
    {u'~', 0x3D},
    {u']', 0x3E},
    {u'|', 0x40},
    {u'\u20AC', 0x65},
}};

// Reverse lookup for the default table: built once.
struct Reverse {
    std::array<signed char, 0x10000> septet{};
    Reverse() {
        septet.fill(-1);
        for (int i = 0; i < 128; ++i) {
            if (i != kEscape)
                septet[kDefault[static_cast<size_t>(i)]] = static_cast<signed char>(i);
        }
    }
};
const Reverse& reverse() {
    static const Reverse r;
    return r;
}

int defaultSeptet(char16_t ch) {
    return reverse().septet[ch];
}

int extensionSeptet(char16_t ch) {
    for (const Ext& e : kExtension) {
        if (e.ch == ch)
            return e.septet;
    }
    return -1;
}

} // namespace

int septetsFor(char16_t ch) {
    if (defaultSeptet(ch) >= 0)
        return 1;
    if (extensionSeptet(ch) >= 0)
        return 2;
    return 0;
}

bool isGsmText(const QString& text) {
    for (QChar c : text) {
        if (septetsFor(c.unicode()) == 0)
            return false;
    }
    return true;
}

QByteArray toSeptets(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t ch = c.unicode();
        int s = defaultSeptet(ch);
        if (s >= 0) {
            out.append(static_cast<char>(s));
            continue;
        }
        s = extensionSeptet(ch);
        if (s >= 0) {
            out.append(static_cast<char>(kEscape));
            out.append(static_cast<char>(s));
            continue;
        }
        out.append('?');
    }
    return out;
}

QString fromSeptets(const QByteArray& septets) {
    QString out;
    out.reserve(septets.size());
    for (qsizetype i = 0; i < septets.size(); ++i) {
        const int s = static_cast<unsigned char>(septets[i]) & 0x7F;
        if (s != kEscape) {
            out.append(QChar(kDefault[static_cast<size_t>(s)]));
            continue;
        }
        if (i + 1 >= septets.size()) {
            out.append(QLatin1Char(' '));
            break;
        }
        const int e = static_cast<unsigned char>(septets[++i]) & 0x7F;
        char16_t ch = 0;
        for (const Ext& x : kExtension) {
            if (x.septet == e)
                ch = x.ch;
        }
        if (ch == 0)
            ch = e == kEscape ? u' ' : kDefault[static_cast<size_t>(e)];
        out.append(QChar(ch));
    }
    return out;
}

} // namespace gsm
