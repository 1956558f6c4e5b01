#include <QtTest>

#include <QClipboard>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include "ProgramFixture.h"
#include "shell/ui/Modal.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "utilities/ui/PasswordPage.h"
#include "utilities/ui/PasswordPrompt.h"
#include "utilities/PasswordFile.h"
#include "utilities/PasswordTexts.h"

using namespace passwordtext;

namespace {
void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Answers the start-up prompt step by step: "1234" types and presses
// Enter, "typed:1234" only types, "cancel" presses cancel. Steps after the
// prompt has closed are not taken.
void answerPrompt(ProgramFixture& f, const QStringList& steps) {
    Modal::setRunner([&f, steps](QDialog* d) {
        f.modalShown.append(d);
        auto* prompt = qobject_cast<PasswordPrompt*>(d);
        if (!prompt)
            return int(QDialog::Accepted);
        auto* field = prompt->findChild<QLineEdit*>(QStringLiteral("edtPassword"));
        prompt->show();
        for (const QString& step : steps) {
            if (!prompt->isVisible())
                break;
            if (step == QLatin1String("cancel")) {
                QTest::mouseClick(prompt->findChild<QPushButton*>(QStringLiteral("btnCancel")),
                                  Qt::LeftButton);
            } else if (step.startsWith(QLatin1String("typed:"))) {
                QTest::keyClicks(field, step.mid(6));
            } else {
                QTest::keyClicks(field, step);
                QTest::keyClick(field, Qt::Key_Return);
                // A wrong entry leaves the field empty for the next try.
                if (prompt->isVisible())
                    [field] { QVERIFY(field->text().isEmpty()); }();
            }
        }
        return prompt->result();
    });
}

QByteArray textOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QLineEdit* field(ProgramFixture& f, const char* name) {
    return f.main().findChild<QLineEdit*>(QString::fromLatin1(name));
}
} // namespace

class PasswordTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startupPrompt_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QStringList>("shown");
        const QString wrong = kWrong;
        QTest::newRow("three wrong, then right")
            << QByteArray("1234\r\n") << QStringList{"1", "12345", "abc", "1234"} << true
            << QStringList{wrong, wrong, wrong};
        QTest::newRow("four wrong")
            << QByteArray("1234\r\n") << QStringList{"1", "2", "3", "4", "1234"} << false
            << QStringList{wrong, wrong, wrong, wrong, kClosing};
        QTest::newRow("cancel with the right text typed")
            << QByteArray("1234\r\n") << QStringList{"typed:1234", "cancel"} << true
            << QStringList{};
        QTest::newRow("cancel with an empty field")
            << QByteArray("1234\r\n") << QStringList{"cancel"} << false << QStringList{};
        QTest::newRow("digits with a blank added")
            << QByteArray("1234\r\n") << QStringList{"typed:1234 ", "cancel"} << false
            << QStringList{};
        // Files written elsewhere: a byte-order mark and white space around.
        QTest::newRow("mark and blanks around") << QByteArray("\xEF\xBB\xBF  77\t\r\n\r\n")
                                                << QStringList{"77"} << true << QStringList{};
    }
    void startupPrompt() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, steps);
        QFETCH(bool, opens);
        QFETCH(QStringList, shown);
        ProgramFixture f;
        writeBytes(f.file(QStringLiteral("ams32.dll")), file);
        f.start();
        answerPrompt(f, steps);
        TFormMain& m = f.main();
        m.show();
        QVERIFY(f.modalShown.last() == f.program().Form6);
        QCOMPARE(f.messages.messages, shown);
        QCOMPARE(m.isClosed(), !opens);
        // A wrong password ends before the fade-in: there is no fade-out.
        QVERIFY(!m.Timer6.isActive());
    }

    // The prompt checks the hash the page wrote: the same digits open, a
    // blank added or a near miss does not.
    void aHashedPasswordOpensOnlyForTheSameDigits() {
        for (const auto& [typed, opens] :
             {std::pair{"0912", true}, {"0912 ", false}, {"0913", false}, {"", false}}) {
            ProgramFixture f;
            QVERIFY(
                passwordfile::write(f.file(QStringLiteral("ams32.dll")), QStringLiteral("0912")));
            f.start();
            answerPrompt(f, {QStringLiteral("typed:") + QLatin1String(typed), "cancel"});
            f.main().show();
            QCOMPARE(f.main().isClosed(), !opens);
        }
    }

    // A file from before holds the digits as typed: it still opens the
    // program, and the right entry replaces it by a hash; a wrong one
    // leaves it alone.
    void anOldPlainFileIsHashedAtTheNextRightEntry() {
        for (const bool right : {false, true}) {
            ProgramFixture f;
            const QString path = f.file(QStringLiteral("ams32.dll"));
            writeBytes(path, "4321\r\n");
            f.start();
            answerPrompt(f,
                         {right ? QStringLiteral("4321") : QStringLiteral("typed:43"), "cancel"});
            f.main().show();
            QCOMPARE(f.main().isClosed(), !right);
            const QByteArray now = textOf(path);
            if (!right) {
                QCOMPARE(now, QByteArray("4321\r\n"));
                continue;
            }
            QVERIFY2(now.startsWith("$argon2id$"), now);
            QVERIFY(
                passwordfile::matches(QString::fromLatin1(now).trimmed(), QStringLiteral("4321")));
            QCOMPARE(int(QFile(path).permissions()) & 0xF0FF, 0x6000);
        }
    }

    void blankFileOrNoneMeansNoPrompt() {
        for (const QByteArray& content : {QByteArray("  \r\n\r\n \t\n"), QByteArray()}) {
            ProgramFixture f;
            if (!content.isEmpty())
                writeBytes(f.file(QStringLiteral("ams32.dll")), content);
            f.start();
            answerPrompt(f, {});
            f.main().show();
            QVERIFY(!f.modalShown.contains(f.program().Form6));
            QVERIFY(!f.main().isClosed());
        }
    }

    // A password file there but unreadable is a password that cannot be
    // checked: the program ends rather than start unprotected.
    void unreadableFileEndsTheProgram() {
        ProgramFixture f;
        QVERIFY(QDir(f.dir()).mkdir(QStringLiteral("ams32.dll")));
        f.start();
        answerPrompt(f, {});
        f.main().show();
        QCOMPARE(f.messages.messages, QStringList{kUnreadable});
        QVERIFY(f.main().isClosed());
    }

    // Four wrong entries end the process itself, not only the window.
    void fourWrongEndTheProcess() {
        if (qEnvironmentVariableIsSet("TAVRIK_PASSWORD_CHILD")) {
            ProgramFixture f;
            writeBytes(f.file(QStringLiteral("ams32.dll")), "55\r\n");
            f.start();
            answerPrompt(f, {"1", "2", "3", "4"});
            const int code = f.program().exec();
            std::printf("exec returned %d after: %s\n", code,
                        qPrintable(f.messages.messages.join(QLatin1Char('|'))));
            return;
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAVRIK_PASSWORD_CHILD"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("fourWrongEndTheProcess")});
        const bool ended = child.waitForFinished(30000);
        if (!ended)
            child.kill();
        const QString out = QString::fromUtf8(child.readAll());
        QVERIFY2(ended, qPrintable(out));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(out.contains(QStringLiteral("exec returned 0 after: ") + kWrong + "|" + kWrong +
                              "|" + kWrong + "|" + kWrong + "|" + kClosing),
                 qPrintable(out));
    }

    void setWritesTheFileAndRemoveReportsSuccess() {
        ProgramFixture f;
        f.startShown();
        QLineEdit* first = field(f, "edtNewPassword");
        QLineEdit* repeat = field(f, "edtRepeatPassword");
        f.main().selectPage(8);
        // Enter moves from the first field to the second, which confirms.
        first->setFocus();
        QTest::keyClicks(first, QStringLiteral("0912"));
        QTest::keyClick(first, Qt::Key_Return);
        QCOMPARE(f.main().focusWidget(), repeat);
        QTest::keyClicks(repeat, QStringLiteral("0912"));
        QTest::keyClick(repeat, Qt::Key_Return);
        QCOMPARE(f.messages.messages, QStringList{kDone});
        QVERIFY(first->text().isEmpty() && repeat->text().isEmpty());
        QFile file(f.file(QStringLiteral("ams32.dll")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        // A salted hash, never the digits; the same password hashes anew.
        const QByteArray content = file.readAll();
        QVERIFY2(content.startsWith("$argon2id$") && content.endsWith("\r\n"), content);
        QVERIFY(!content.contains("0912"));
        file.close();
        QVERIFY(passwordfile::write(f.file(QStringLiteral("other")), QStringLiteral("0912")));
        QVERIFY(textOf(f.file(QStringLiteral("other"))) != content);
        // rw------- (the "user" bits only repeat the owner's for the owner)
        QCOMPARE(int(file.permissions()) & 0xF0FF, 0x6000);

        // Removed, then removed again with nothing left: success both times.
        auto* remove = f.main().findChild<QPushButton*>(QStringLiteral("btnRemovePassword"));
        f.messages.clear();
        QTest::mouseClick(remove, Qt::LeftButton);
        QVERIFY(!file.exists());
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(f.messages.messages, (QStringList{kDone, kDone}));
    }

    void setRefusesAndReports() {
        ProgramFixture f;
        f.startShown();
        QLineEdit* first = field(f, "edtNewPassword");
        QLineEdit* repeat = field(f, "edtRepeatPassword");
        auto* confirm = f.main().findChild<QPushButton*>(QStringLiteral("btnConfirmPassword"));
        auto set = [&](const QString& a, const QString& b) {
            first->setText(a);
            repeat->setText(b);
            QTest::mouseClick(confirm, Qt::LeftButton);
            QVERIFY(first->text().isEmpty() && repeat->text().isEmpty());
        };
        set(QStringLiteral("12"), QStringLiteral("  "));
        set(QStringLiteral("12"), QStringLiteral("12 "));
        // Something in the way of the file: the write fails and nothing
        // else is tried.
        QVERIFY(QDir(f.dir()).mkdir(QStringLiteral("ams32.dll")));
        set(QStringLiteral("12"), QStringLiteral("12"));
        QCOMPARE(f.messages.messages, (QStringList{kEnterBoth, kMismatch, kNoAccess}));
        QCOMPARE(QDir(f.dir()).entryList({QStringLiteral("ams32*")}, QDir::Files), QStringList{});
    }

    void fieldsTakeDigitsOnly() {
        ProgramFixture f;
        f.startShown();
        QLineEdit* first = field(f, "edtNewPassword");
        QTest::keyClicks(first, QStringLiteral("12a3"));
        QTest::keyClick(first, Qt::Key_Backspace);
        QTest::keyClick(first, Qt::Key_Slash);
        QApplication::clipboard()->setText(QStringLiteral("xy"));
        QTest::keyClick(first, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(first->text(), QStringLiteral("12"));
        QCOMPARE(f.messages.messages, (QStringList{kDigitsOnly, kDigitsOnly, kDigitsOnly}));

        // A paste that no key brings (the field's menu, a drop) is held to
        // the same rule; digits paste.
        QApplication::clipboard()->setText(QStringLiteral("3b4"));
        first->paste();
        QCOMPARE(first->text(), QStringLiteral("12"));
        QApplication::clipboard()->setText(QStringLiteral("34"));
        first->paste();
        QCOMPARE(first->text(), QStringLiteral("1234"));

        // Whatever reached the fields otherwise is refused at confirm.
        QLineEdit* repeat = field(f, "edtRepeatPassword");
        f.messages.clear();
        first->setText(QStringLiteral("12ab"));
        repeat->setText(QStringLiteral("12ab"));
        QTest::mouseClick(f.main().findChild<QPushButton*>(QStringLiteral("btnConfirmPassword")),
                          Qt::LeftButton);
        QCOMPARE(f.messages.messages, QStringList{kDigitsOnly});
        QVERIFY(first->text().isEmpty() && repeat->text().isEmpty());
        QVERIFY(!QFile::exists(f.file(QStringLiteral("ams32.dll"))));
    }
};

QTEST_MAIN(PasswordTest)
#include "test_password.moc"
