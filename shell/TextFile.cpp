#include "shell/TextFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <utility>

namespace {
constexpr char16_t kCp1256[128] = {
    0x20AC, 0x067E, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0679, 0x2039,
    0x0152, 0x0686, 0x0698, 0x0688, 0x06AF, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x06A9, 0x2122, 0x0691, 0x203A, 0x0153, 0x200C, 0x200D, 0x06BA, 0x00A0, 0x060C, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x06BE, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x061B, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x061F, 0x06C1, 0x0621, 0x0622, 0x0623, 0x0624, 0x0625, 0x0626, 0x0627,
    0x0628, 0x0629, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E, 0x062F, 0x0630, 0x0631, 0x0632, 0x0633,
    0x0634, 0x0635, 0x0636, 0x00D7, 0x0637, 0x0638, 0x0639, 0x063A, 0x0640, 0x0641, 0x0642, 0x0643,
    0x00E0, 0x0644, 0x00E2, 0x0645, 0x0646, 0x0647, 0x0648, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x0649, 0x064A, 0x00EE, 0x00EF, 0x064B, 0x064C, 0x064D, 0x064E, 0x00F4, 0x064F, 0x0650, 0x00F7,
    0x0651, 0x00F9, 0x0652, 0x00FB, 0x00FC, 0x200E, 0x200F, 0x06D2,
};

// Characters the program's files hold: Persian and Arabic script, Latin,
// the punctuation and direction marks written between them, and the signs
// and emoji operators put in messages. The last two cannot come from code
// page text read as UTF-8 by accident: that needs lead bytes (E2, F0-F4)
// which are rare in it, then two or three continuation bytes in a row.
bool expected(QChar c) {
    const char16_t u = c.unicode();
    return c.isSurrogate()                  // emoji and everything past the BMP
           || (u >= 0x2100 && u <= 0x2BFF)  // letterlike, arrows, dingbats, stars
           || (u >= 0xFE00 && u <= 0xFE0F)  // emoji presentation selectors
           || u < 0x0250                    // Latin, Latin-1 and Latin Extended
           || (u >= 0x0600 && u <= 0x06FF)  // Arabic, with the Persian letters
           || (u >= 0x0750 && u <= 0x077F)  // Arabic Supplement
           || (u >= 0x2000 && u <= 0x206F)  // punctuation, ZWNJ, direction marks
           || u == 0x20AC || u == 0x2122    // euro, trade mark
           || (u >= 0xFB50 && u <= 0xFDFF)  // Arabic presentation forms A
           || (u >= 0xFE70 && u <= 0xFEFF); // Arabic presentation forms B
}

// How many of the text's non-ASCII characters are ones the program's files
// hold, out of how many there are.
std::pair<qsizetype, qsizetype> plausibility(const QString& text) {
    qsizetype good = 0;
    qsizetype all = 0;
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            continue;
        ++all;
        if (expected(c))
            ++good;
    }
    return {good, all};
}
} // namespace

namespace textfile {

QString fromCp1256(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.append(b < 0x80 ? QLatin1Char(c) : QChar(kCp1256[b - 0x80]));
    }
    return out;
}

QString decode(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        auto encoding =
            bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        QStringDecoder decoder(encoding);
        return decoder(bytes.mid(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return fromCp1256(bytes);
    // Short Windows-1256 text is often valid UTF-8 by accident ("سگ", bytes
    // D3 90, reads as a Cyrillic letter): UTF-8 wins only when it reads as
    // the program's kind of text at least as well as Windows-1256 does.
    const auto [utfGood, utfAll] = plausibility(text);
    if (utfGood == utfAll)
        return text;
    const QString ansi = fromCp1256(bytes);
    const auto [ansiGood, ansiAll] = plausibility(ansi);
    return utfGood * ansiAll >= ansiGood * utfAll ? text : ansi;
}

QByteArray encode(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return t.toUtf8();
}

bool read(const QString& path, QString* text, QString* error) {
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    *text = decode(bytes);
    return true;
}

bool write(const QString& path, const QString& text, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(encode(text)) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool writeLines(const QString& path, const QString& text, QString* error) {
    return write(path, text.isEmpty() ? text : text + QLatin1Char('\n'), error);
}

bool readLines(const QString& path, QString* text, QString* error) {
    if (!read(path, text, error))
        return false;
    text->replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text->replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text->endsWith(QLatin1Char('\n')))
        text->chop(1);
    return true;
}

} // namespace textfile
