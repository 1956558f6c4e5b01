// A send run killed part way (SIGKILL, as a power cut or a crash would end
// it) keeps every failure it recorded before, and both databases stay whole.
// The run itself happens in a child process: this executable started again.
#include <QtTest>

#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

#include "FakeSendForm.h"
#include "SendTestSupport.h"
#include "sending/SendRun.h"

using namespace sendtest;

namespace {
constexpr int kMembers = 20000;
const char* const kChildDir = "TAVRIK_SEND_KILL_DIR";

QString memberNumber(int i) {
    return QStringLiteral("0935%1").arg(i, 7, 10, QChar(u'0'));
}
bool fails(int i) {
    return i % 3 == 0;
}

// The child: a group run in which every third member fails, announcing on
// standard output each member before its first attempt.
void runChild(const QString& dir) {
    ProgramFixture f(dir);
    f.start();
    setConnected(f, true);
    QList<Member> members;
    for (int i = 1; i <= kMembers; ++i)
        members.append({QStringLiteral("N%1").arg(i), {}, memberNumber(i)});
    addGroup(f, QStringLiteral("big"), members);
    for (int i = 3; i <= kMembers; i += 3)
        f.phone->script(QStringLiteral("SendSMS"), memberNumber(i), {0});
    FakeSendForm form(f.main().db);
    form.composer = QStringLiteral("hi **");
    form.mode = RecipientMode::OneGroup;
    form.group = QStringLiteral("big");
    form.control = false;
    RecordingView view;
    SendRun run(f.main().context(), form, view);
    QString last;
    f.phone->duringCall = [&](const QString& op) {
        const QString num = f.phone->calls.last().args.value(0).toString();
        if (op == QLatin1String("SendSMS") && num != last) {
            std::printf("%s\n", qPrintable(num));
            std::fflush(stdout);
            last = num;
        }
    };
    std::printf("start\n");
    std::fflush(stdout);
    run.start();
    ProgramFixture::waitForRun(run);
    std::printf("done\n");
    std::fflush(stdout);
}
} // namespace

class SendKillTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void killedRunKeepsEveryRecordedFailure() {
        if (qEnvironmentVariableIsSet(kChildDir)) {
            runChild(qEnvironmentVariable(kChildDir));
            return;
        }
        QTemporaryDir dir;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildDir), dir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("killedRunKeepsEveryRecordedFailure")});
        QVERIFY(child.waitForStarted(10000));
        // Killed once a few hundred failures are behind it.
        int lastSeen = 0;
        QByteArray pending;
        while (lastSeen < 1500) {
            QVERIFY2(child.waitForReadyRead(60000), "child stopped talking");
            pending += child.readAllStandardOutput();
            const qsizetype end = pending.lastIndexOf('\n');
            const QList<QByteArray> lines = pending.left(end).split('\n');
            pending = pending.mid(end + 1);
            for (const QByteArray& line : lines) {
                QVERIFY2(line != "done", "the run ended before the kill");
                if (line.startsWith("0935"))
                    lastSeen = line.mid(4).toInt();
            }
        }
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        QStringList kept;
        QString integrity;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "kill");
            db.setDatabaseName(dir.filePath(QStringLiteral("korms.dll")));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("pragma integrity_check")) && q.next());
            integrity = q.value(0).toString();
            QVERIFY(q.exec(QStringLiteral("select num from nosend order by rowid")));
            while (q.next())
                kept << q.value(0).toString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("kill"));
        QCOMPARE(integrity, QStringLiteral("ok"));
        qInfo("killed after member %d, %d failures kept", lastSeen, int(kept.size()));

        // Every failure before the last member announced is there, once,
        // in order; nothing else is.
        QStringList before;
        for (int i = 1; i < lastSeen; ++i) {
            if (fails(i))
                before << memberNumber(i);
        }
        QCOMPARE(kept.mid(0, before.size()), before);
        QCOMPARE(QSet<QString>(kept.begin(), kept.end()).size(), kept.size());
        for (const QString& num : kept)
            QVERIFY2(fails(num.mid(4).toInt()), qPrintable(num));
        QString summary;
        QVERIFY(textfile::read(dir.filePath(QStringLiteral("pos.dat")), &summary));
        QVERIFY(summary.endsWith(QStringLiteral("\r\n")));
        QCOMPARE(summary.count(QStringLiteral("\r\n")), 4);
    }
};

QTEST_MAIN(SendKillTest)
#include "test_send_kill.moc"
