// The composer's toolbar: save and load through the dialogs, alignment,
// background, font size and text colour.
#include <QtTest>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "app/ProgramRoot.h"
#include "tests/store/StoreTestSupport.h"

using namespace storetest;

namespace {
struct Tools {
    ProgramFixture f;
    QTemporaryDir elsewhere;
    Tools() {
        f.startShown();
        f.main().selectPage(7);
    }
    QPlainTextEdit* composer() const { return widget<QPlainTextEdit>(f, "tmSMSText"); }
    QComboBox* combo(const char* name) const { return widget<QComboBox>(f, name); }
    // The dialogs leave the working folder wherever they like.
    void wander() const { QDir::setCurrent(elsewhere.path()); }
    bool atProgramDir() const { return QDir(QDir::currentPath()) == QDir(f.dir()); }
};
} // namespace

class TextToolsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveAndLoadKeepTheLines() {
        Tools t;
        const QString text = QStringLiteral(u"first line\nسلام **\n  third");
        const QString path = t.elsewhere.filePath(QStringLiteral("msg.txt"));
        t.composer()->setPlainText(text);
        t.f.dialogs.saveFiles << path;
        t.wander();
        click(t.f, "btnSaveText");
        QVERIFY(t.atProgramDir());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        // Every line ends with CR LF, the last one too.
        QCOMPARE(bytes, (QString(text).replace(QStringLiteral("\n"), QStringLiteral("\r\n")) +
                         QStringLiteral("\r\n"))
                            .toUtf8());
        QCOMPARE(t.f.dialogs.fileOptions.last().filter, QStringLiteral("Text Files|*.txt"));
        QCOMPARE(t.f.dialogs.fileOptions.last().defaultSuffix, QStringLiteral("txt"));

        click(t.f, "btnClearText");
        QVERIFY(t.composer()->toPlainText().isEmpty());
        t.f.dialogs.openFiles << path;
        t.wander();
        click(t.f, "btnLoadText");
        QVERIFY(t.atProgramDir());
        QCOMPARE(t.composer()->toPlainText(), text);
        // A load counts as typing: the indicator follows.
        QCOMPARE(widget<QLabel>(t.f, "tlSMSCoding")->text(),
                 t.f.main().KylixSMS1.GetSMSCodingInfo(text));

        // Cancelled dialogs change nothing and still come home.
        t.wander();
        click(t.f, "btnLoadText");
        QVERIFY(t.atProgramDir());
        t.wander();
        click(t.f, "btnSaveText");
        QVERIFY(t.atProgramDir());
        QCOMPARE(t.composer()->toPlainText(), text);
        QVERIFY(t.f.messages.errors.isEmpty());

        // A file that cannot be read names itself and the reason, and the
        // composer keeps its text.
        const QString gone = t.elsewhere.filePath(QStringLiteral("gone.txt"));
        QFile missing(gone);
        QVERIFY(!missing.open(QIODevice::ReadOnly));
        t.f.dialogs.openFiles << gone;
        click(t.f, "btnLoadText");
        QCOMPARE(t.f.messages.errors,
                 QStringList{gone + QLatin1Char('\n') + missing.errorString()});
        QVERIFY(!missing.errorString().isEmpty());
        QCOMPARE(t.composer()->toPlainText(), text);
        QVERIFY(t.atProgramDir());
    }

    void lookOfTheComposer() {
        Tools t;
        QComboBox* colours = t.combo("cmbTextColor");
        const int vavy = colours->findText(QStringLiteral("Vavy"));
        QVERIFY(vavy >= 0);
        colours->setCurrentIndex(vavy);
        Q_EMIT colours->activated(vavy);
        QCOMPARE(t.composer()->palette().color(QPalette::Text), QColor(0, 0, 128));
        // Typing into the list is blocked: no item is picked by its letter.
        colours->setFocus();
        QTest::keyClicks(colours, QStringLiteral("Red"));
        QTest::keyClick(colours, Qt::Key_Down);
        QCOMPARE(colours->currentIndex(), vavy);
        QCOMPARE(t.composer()->palette().color(QPalette::Text), QColor(0, 0, 128));

        QComboBox* size = t.combo("cmbFontSize");
        QCOMPARE(size->currentText(), QStringLiteral("Font Size"));
        size->setEditText(QStringLiteral("24"));
        QCOMPARE(t.composer()->font().pointSize(), 24);
        for (const QString& odd : {QStringLiteral("Font Size"), QString(), QStringLiteral("1x"),
                                   QStringLiteral("-3"), QStringLiteral("12.5")})
            size->setEditText(odd);
        QCOMPARE(t.composer()->font().pointSize(), 24);
        QVERIFY(t.f.messages.all().isEmpty());

        t.f.dialogs.colors << QColor(10, 20, 30);
        click(t.f, "btnBackColor");
        QCOMPARE(t.composer()->palette().color(QPalette::Base), QColor(10, 20, 30));

        // The alignment holds for text typed after a clear.
        click(t.f, "btnAlignRight");
        click(t.f, "btnClearText");
        QTest::keyClicks(t.composer(), QStringLiteral("new"));
        QCOMPARE(t.composer()->document()->defaultTextOption().alignment(),
                 Qt::AlignRight | Qt::AlignAbsolute);
    }
};

QTEST_MAIN(TextToolsTest)
#include "test_text_tools.moc"
