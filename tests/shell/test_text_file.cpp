#include <QtTest>

#include "shell/TextFile.h"

class TextFileTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QByteArray bytes(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void put(const QString& p, const QByteArray& b) {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(b);
    }

private Q_SLOTS:
    void writesUtf8WithoutBomAndCrLf() {
        const QString text = QString::fromUtf16(u"سلام\nline2\r\nline3\r");
        QVERIFY(textfile::write(path("a.txt"), text));
        const QByteArray b = bytes(path("a.txt"));
        QVERIFY(!b.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(b, QString::fromUtf16(u"سلام\r\nline2\r\nline3\r\n").toUtf8());
        QString back;
        QVERIFY(textfile::read(path("a.txt"), &back));
        QCOMPARE(back, QString::fromUtf16(u"سلام\r\nline2\r\nline3\r\n"));
    }

    void readsByteOrderMarksAndOldCodePage() {
        // Arabic yeh: the one letter form the old code page has.
        const QString persian = QString::fromUtf16(u"پ\u064Aام گچ");
        put(path("bom8"), "\xEF\xBB\xBF" + persian.toUtf8());
        QByteArray le("\xFF\xFE");
        for (QChar c : persian) {
            le.append(char(c.unicode() & 0xFF));
            le.append(char(c.unicode() >> 8));
        }
        put(path("bom16"), le);
        // The same text in Windows-1256: pe 0x81, yeh 0xED, alef 0xC7, meem 0xE3,
        // blank, gaf 0x90, che 0x8D.
        put(path("cp1256"), QByteArray("\x81\xED\xC7\xE3\x20\x90\x8D"));
        for (const char* name : {"bom8", "bom16", "cp1256"}) {
            QString text;
            QVERIFY(textfile::read(path(name), &text));
            QCOMPARE(text, persian);
        }
        QString none;
        QVERIFY(!textfile::read(path("missing"), &none));
    }

    // Without a byte-order mark a file is UTF-8 only when it reads as text
    // the program writes; short Windows-1256 files are often valid UTF-8.
    void codePageIsChosenByWhatTheTextReads_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        // seen 0xD3, gaf 0x90: as UTF-8 a Cyrillic letter.
        QTest::newRow("cp1256 valid as utf-8")
            << QByteArray("\xD3\x90") << QString::fromUtf16(u"سگ");
        QTest::newRow("cp1256 word and digits")
            << QByteArray("COM5 \xD3\x90") << QString::fromUtf16(u"COM5 سگ");
        QTest::newRow("utf-8 persian")
            << QString::fromUtf16(u"سلام دنیا").toUtf8() << QString::fromUtf16(u"سلام دنیا");
        QTest::newRow("utf-8 latin accents")
            << QString::fromUtf16(u"café déjà").toUtf8() << QString::fromUtf16(u"café déjà");
        QTest::newRow("ascii") << QByteArray("COM1, 9600") << QStringLiteral("COM1, 9600");
        // A message the program saved itself, with signs and an emoji the
        // code page could also "read": it stays what was written.
        QTest::newRow("utf-8 persian with emoji and signs")
            << QString::fromUtf16(u"تولدت مبارک 🎂 ✓").toUtf8()
            << QString::fromUtf16(u"تولدت مبارک 🎂 ✓");
    }
    void codePageIsChosenByWhatTheTextReads() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(textfile::decode(bytes), text);
    }

    void failedWriteLeavesTheOldFile() {
        put(path("keep.txt"), "old");
        QVERIFY(!textfile::write(path("no/such/folder/keep.txt"), QStringLiteral("new")));
        QCOMPARE(bytes(path("keep.txt")), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TextFileTest)
#include "test_text_file.moc"
