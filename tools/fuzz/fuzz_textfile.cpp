// Feeds arbitrary file contents to the text-file reader (byte-order marks,
// UTF-8, the Windows-1256 fallback) and the writer's line ends. Besides
// crashes (the sanitizers), it checks what the program relies on when it
// reads back a file it wrote, or one an older copy wrote:
//   - whatever was read, written again with a UTF-8 mark reads back the
//     same, line ends aside (unless it holds a half of a surrogate pair, as a
//     broken UTF-16 file gives, which UTF-8 cannot carry);
//   - written without a mark, as the program writes, it reads back the same
//     when it holds only the program's kind of text (Latin and Persian);
//   - every line end written is CR LF, nothing else;
//   - a file that is not UTF-8 and has no mark is read one character per byte.

#include "shell/TextFile.h"

#include <QStringDecoder>

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char* what, const QByteArray& bytes) {
    if (ok)
        return;
    std::fprintf(stderr, "invariant failed: %s\ninput: %s\n", what, bytes.toHex().constData());
    std::abort();
}

QString withCrLf(QString t) {
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return t;
}

bool lineEndsAreCrLf(const QByteArray& b) {
    for (qsizetype i = 0; i < b.size(); ++i) {
        if (b[i] == '\r' && (i + 1 == b.size() || b[i + 1] != '\n'))
            return false;
        if (b[i] == '\n' && (i == 0 || b[i - 1] != '\r'))
            return false;
    }
    return true;
}

// Letters, digits and signs an operator's Persian or Latin text is made of.
QString programKindOnly(const QString& t) {
    QString out;
    for (QChar c : t) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0x0621 && u <= 0x064A) || u == 0x067E || u == 0x0686 || u == 0x0698 ||
            u == 0x06A9 || u == 0x06AF || u == 0x06CC || u == 0x200C ||
            (u >= 0x06F0 && u <= 0x06F9))
            out.append(c);
    }
    return out;
}

bool hasMark(const QByteArray& b) {
    return b.startsWith("\xEF\xBB\xBF") || b.startsWith("\xFF\xFE") || b.startsWith("\xFE\xFF");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = textfile::decode(bytes);

    const QByteArray written = textfile::encode(text);
    check(lineEndsAreCrLf(written), "a line end written is not CR LF", bytes);
    // A mark doubled at the start is read as one mark: the character U+FEFF
    // is never kept first in a text.
    QString body = text;
    while (body.startsWith(QChar(0xFEFF)))
        body.remove(0, 1);
    if (body.isValidUtf16())
        check(textfile::decode("\xEF\xBB\xBF" + textfile::encode(body)) == withCrLf(body),
              "text written with a UTF-8 mark reads back changed", bytes);

    const QString plain = programKindOnly(text);
    check(textfile::decode(textfile::encode(plain)) == withCrLf(plain),
          "Persian or Latin text written reads back changed", bytes);

    if (!hasMark(bytes)) {
        QStringDecoder utf8(QStringConverter::Utf8);
        (void)utf8(bytes);
        if (utf8.hasError())
            check(text.size() == bytes.size(), "code page text not one character per byte", bytes);
    }
    return 0;
}
