// One program at a time on a data folder: a second start, in a process of
// its own, finds the folder held, calls the first forward and runs nothing;
// a holder that died frees the folder.
#include <QtTest>

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "ProgramFixture.h"
#include "sending/ui/SendProgressWindow.h"
#include "app/ProgramRoot.h"
#include "shell/SingleInstance.h"
#include "app/TFormMain.h"

namespace {
const char* kChildDir = "TAVRIK_INSTANCE_CHILD";

// A start in another process on `dir`, as the program's own start does it:
// "claimed" (and, with `stay`, running until killed), or "held" and whether
// the holder answered.
class Child {
public:
    Child(const QString& dir, bool stay = false) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildDir), dir);
        env.insert(QStringLiteral("TAVRIK_INSTANCE_STAY"), stay ? QStringLiteral("1") : QString());
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("childStart")});
    }
    ~Child() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // The child's verdict once it has ended; the parent's event loop runs
    // meanwhile, so a holder here can answer.
    QString verdict() {
        QSignalSpy ended(&process, &QProcess::finished);
        if (process.state() != QProcess::NotRunning && !ended.wait(20000))
            return QStringLiteral("no end");
        return startLine();
    }
    // The line the start wrote, among the test framework's own.
    QString startLine() {
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (line == QLatin1String("claimed") || line.startsWith(QLatin1String("held, ")))
                return line;
        }
        return QStringLiteral("no verdict");
    }
    // For a child that stays: its first verdict, read as it comes.
    QString firstLine() {
        QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired()) {
            if (process.canReadLine() || process.waitForReadyRead(200)) {
                const QString line = startLine();
                if (line != QLatin1String("no verdict"))
                    return line;
            }
        }
        return QStringLiteral("no verdict");
    }
    QProcess process;
};
} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Not a test of its own: the other process of the tests below.
    void childStart() {
        const QString dir = qEnvironmentVariable(kChildDir);
        if (dir.isEmpty())
            return;
        SingleInstance only(dir);
        if (only.claim()) {
            std::printf("claimed\n");
            std::fflush(stdout);
            // Running, answering calls, until killed (or a minute at most).
            if (!qEnvironmentVariableIsEmpty("TAVRIK_INSTANCE_STAY")) {
                QEventLoop running;
                QTimer::singleShot(60000, &running, &QEventLoop::quit);
                running.exec();
            }
            return;
        }
        std::printf("held, %s\n", only.callHolder() ? "answered" : "no answer");
    }

    void aSecondStartCallsTheFirstAndGoesNoFurther() {
        QTemporaryDir dir;
        QTemporaryDir other;
        auto first = std::make_unique<SingleInstance>(dir.path());
        QSignalSpy forward(first.get(), &SingleInstance::calledForward);
        QVERIFY(first->claim());
        QCOMPARE(Child(dir.path()).verdict(), QStringLiteral("held, answered"));
        QCOMPARE(forward.size(), 1);
        // The same folder written another way is the same folder.
        QCOMPARE(Child(dir.path() + QStringLiteral("/./")).verdict(),
                 QStringLiteral("held, answered"));
        QCOMPARE(forward.size(), 2);
        // Another folder is another program's.
        QCOMPARE(Child(other.path()).verdict(), QStringLiteral("claimed"));
        first.reset();
        QCOMPARE(Child(dir.path()).verdict(), QStringLiteral("claimed"));
    }

    // A holder killed without a word leaves its lock file and its socket:
    // the next start takes the folder over and answers the one after.
    void aFolderWhoseHolderDiedIsFree() {
        QTemporaryDir dir;
        {
            Child holder(dir.path(), true);
            QCOMPARE(holder.firstLine(), QStringLiteral("claimed"));
            QCOMPARE(Child(dir.path()).verdict(), QStringLiteral("held, answered"));
            holder.process.kill();
            QVERIFY(holder.process.waitForFinished(5000));
        }
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("tavrik.lock"))));
        SingleInstance next(dir.path());
        QVERIFY(next.claim());
        QSignalSpy forward(&next, &SingleInstance::calledForward);
        QCOMPARE(Child(dir.path()).verdict(), QStringLiteral("held, answered"));
        QCOMPARE(forward.size(), 1);
    }

    // Called forward, the program shows the window the operator works in:
    // a minimised main window comes back, and during a send run the
    // progress window comes up instead of the hidden main window.
    void theCalledProgramComesForward() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        m.showMinimized();
        f.program().bringForward();
        QVERIFY(!m.isMinimized());
        QVERIFY(m.isVisible());

        m.hide();
        SendProgressWindow* progress = f.program().Form1;
        progress->showMinimized();
        f.program().bringForward();
        QVERIFY(!progress->isMinimized());
        QVERIFY(!m.isVisible());
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "test_single_instance.moc"
