// "tavrik send" without a display: its exit codes against the modem
// simulator (all sent, a refused number) and on set-up errors, the summary
// as JSON, the date filter of the run's own day, and one owner of a port
// between the window and the command line.
#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSqlQuery>

#include "../device/test_at_sim.h"
#include "ProgramFixture.h"
#include "app/TFormMain.h"
#include "device/DeviceBackend.h"
#include "device/KylixSMS.h"
#include "device/PortLock.h"
#include "sending/HeadlessContext.h"
#include "sending/HeadlessRun.h"
#include "sending/SendCommand.h"
#include "sending/StreamProgress.h"
#include "store/Database.h"
#include "store/PersianCalendar.h"
#include "store/Store.h"

namespace {
struct Result {
    int code = -1;
    QString out;
    QString err;
};

struct Member {
    QString num;
    QString tart;
    QString targ;
};

QString number(int i) {
    return QStringLiteral("+98912100000%1").arg(i);
}

// A group of members in the folder's contacts file, the file closed again.
void addGroup(const QString& dir, const QString& name, const QList<Member>& members) {
    Database db;
    QVERIFY(db.open(dir + QLatin1Char('/')));
    int code = 0;
    QVERIFY(store::createGroup(db, name, &code));
    QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kContacts), false));
    q.prepare(QStringLiteral("insert into \"%1\"(id,name,family,num,tart,targ) "
                             "values(?,?,?,?,?,?)")
                  .arg(code));
    int id = 0;
    for (const Member& m : members) {
        q.addBindValue(++id);
        q.addBindValue(QStringLiteral("Name%1").arg(id));
        q.addBindValue(QString());
        q.addBindValue(m.num);
        q.addBindValue(m.tart);
        q.addBindValue(m.targ);
        QVERIFY(q.exec());
    }
    db.closeContacts();
    db.closeLog();
}

QString writeText(const QString& dir, const QByteArray& text) {
    const QString path = dir + QStringLiteral("/message.txt");
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
    return path;
}

QString monthDay(const QDate& date) {
    const PersianDate p = persian::fromGregorian(date);
    return p.monthText() + QLatin1Char('/') + p.dayText();
}

bool hasPersian(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x0600 && c.unicode() <= 0x06FF)
            return true;
    }
    return false;
}
} // namespace

class CommandSendTest : public QObject {
    Q_OBJECT

    Result run(const QStringList& args, const QString& dir) {
        Result r;
        QTextStream out(&r.out);
        QTextStream err(&r.err);
        r.code = sendcommand::run(QStringList{QStringLiteral("send")} + args, dir, out, err);
        return r;
    }

private Q_SLOTS:
    // Nothing is sent and no modem is asked; the message says why in both
    // languages.
    void usageAndSetUpErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("why");
        const QString t = QStringLiteral("TEXT");
        QTest::newRow("no recipients")
            << QStringList{"--text-file", t} << QStringLiteral("exactly one");
        QTest::newRow("two recipient kinds")
            << QStringList{"--all-groups", "--number", "0912", "--text-file", t}
            << QStringLiteral("exactly one");
        QTest::newRow("filter on one number")
            << QStringList{"--number", "0912", "--birthdays", "--text-file", t}
            << QStringLiteral("date filter");
        QTest::newRow("both filters")
            << QStringList{"--all-groups", "--birthdays", "--contract-dates", "--text-file", t}
            << QStringLiteral("exclude");
        QTest::newRow("unknown option") << QStringList{"--all-groups", "--fast", "--text-file", t}
                                        << QStringLiteral("unknown option");
        QTest::newRow("range without its end")
            << QStringList{"--range", "0912", "--text-file", t} << QStringLiteral("needs a value");
        QTest::newRow("missing text file")
            << QStringList{"--all-groups", "--text-file", "missing.txt"}
            << QStringLiteral("cannot read");
        QTest::newRow("empty text file")
            << QStringList{"--all-groups", "--text-file", "EMPTY"} << QStringLiteral("empty");
        QTest::newRow("no modem configured") << QStringList{"--all-groups", "--text-file", t}
                                             << QStringLiteral("no modem configured");
    }
    void usageAndSetUpErrors() {
        QFETCH(QStringList, args);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString text = writeText(dir.path(), "salam **\r\n");
        QFile empty(dir.filePath(QStringLiteral("empty.txt")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.write("\r\n");
        empty.close();
        for (QString& a : args) {
            if (a == QLatin1String("TEXT"))
                a = text;
            else if (a == QLatin1String("EMPTY"))
                a = empty.fileName();
            else if (a == QLatin1String("missing.txt"))
                a = dir.filePath(a);
        }
        const Result r = run(args, dir.path());
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(why), qPrintable(r.err));
        QVERIFY(hasPersian(r.err));
        QVERIFY(r.out.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("journal.db"))));
    }

    // Every member taken: 0; one number refused by the network: 1, the
    // refused one counted and the others sent. The JSON summary says the
    // same as the simulator saw, and the operator's last typed text stays.
    void groupRunExitCodes_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("refused");
        QTest::newRow("all sent") << QString() << 0 << 0;
        QTest::newRow("one refused")
            << QStringLiteral("cms-error 38 number %1\n").arg(number(2)) << 1 << 1;
    }
    void groupRunExitCodes() {
        QFETCH(QString, script);
        QFETCH(int, code);
        QFETCH(int, refused);
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
        QTemporaryDir dir;
        ModemSim sim;
        QVERIFY2(sim.start(script,
                           {QStringLiteral("--link"), dir.filePath(QStringLiteral("ports/COM3"))}),
                 qPrintable(sim.error()));
        addGroup(dir.path(), QStringLiteral("customers"), {{number(1)}, {number(2)}});
        QFile typed(dir.filePath(QStringLiteral("ls.txt")));
        QVERIFY(typed.open(QIODevice::WriteOnly));
        typed.write("typed in the window\r\n");
        typed.close();

        const Result r = run({"--group", "customers", "--text-file",
                              writeText(dir.path(), "salam **\r\n"), "--port", "COM3", "--json"},
                             dir.path());
        QCOMPARE(r.code, code);
        QJsonParseError error;
        const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(json.value(QStringLiteral("exitCode")).toInt(), code);
        QCOMPARE(json.value(QStringLiteral("recipients")).toInt(), 2);
        QCOMPARE(json.value(QStringLiteral("sent")).toInt(), 2 - refused);
        QCOMPARE(json.value(QStringLiteral("refused")).toInt(), refused);
        QCOMPARE(json.value(QStringLiteral("unknown")).toInt(), 0);
        QCOMPARE(json.value(QStringLiteral("runs")).toArray().size(), 1);
        QStringList texts;
        for (const QJsonObject& m : sim.messages())
            texts << m.value(QStringLiteral("text")).toString();
        QCOMPARE(texts.size(), 2 - refused);
        QCOMPARE(texts.value(0), QStringLiteral("salam Name1"));
        // Progress went to standard error, with the group's count.
        QVERIFY(r.err.contains(QStringLiteral("/2")));
        QVERIFY(typed.open(QIODevice::ReadOnly));
        QCOMPARE(typed.readAll(), QByteArray("typed in the window\r\n"));
    }

    // Without --port the connect page's remembered port is used; a group
    // the store does not know is a set-up error even with a modem there.
    void savedPortAndUnknownGroup() {
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
        QTemporaryDir dir;
        ModemSim sim;
        QVERIFY(sim.start(QString(),
                          {QStringLiteral("--link"), dir.filePath(QStringLiteral("ports/COM3"))}));
        QFile saved(dir.filePath(QStringLiteral("cnn.kvx")));
        QVERIFY(saved.open(QIODevice::WriteOnly));
        saved.write("COM3, 9600\r\n");
        saved.close();
        const QString text = writeText(dir.path(), "hello\r\n");

        const Result unknown = run({"--group", "nobody", "--text-file", text}, dir.path());
        QCOMPARE(unknown.code, 2);
        QVERIFY(unknown.err.contains(QStringLiteral("no group named \"nobody\"")));
        QVERIFY(sim.messages().isEmpty());

        const Result one = run({"--number", "09121000009", "--text-file", text}, dir.path());
        QCOMPARE(one.code, 0);
        QVERIFY2(one.out.startsWith(QStringLiteral("recipients 1: sent 1, refused 0")),
                 qPrintable(one.out));
        QCOMPARE(sim.messages().size(), 1);
        QCOMPARE(sim.messages().value(0).value(QStringLiteral("text")).toString(),
                 QStringLiteral("hello"));
    }

    // The date filter is the run's own day in the Persian calendar: a
    // birthday of the day before is not today's, a contract date is not a
    // birthday, and a schedule carried past midnight keeps its own day.
    void dateFilterIsTheRunsDay() {
        QTemporaryDir dir;
        const QDate day(2026, 3, 21); // the first day of a Persian year
        ManualClock clock(QDateTime(day, QTime(9, 0)));
        const QString today = monthDay(day);
        const QString yesterday = monthDay(day.addDays(-1));
        addGroup(dir.path(), QStringLiteral("shop"),
                 {{number(1), yesterday, {}}, {number(2), today, {}}, {number(3), {}, today}});
        HeadlessContext context(dir.path());
        auto owned = std::make_unique<ScriptedPhone>();
        ScriptedPhone* phone = owned.get();
        context.sms().setBackend(std::move(owned));
        QString error;
        QVERIFY2(context.open(&error), qPrintable(error));
        QCOMPARE(context.connectModem(QStringLiteral("COM1")), HeadlessContext::Connect::Connected);
        StreamProgress view(nullptr);
        SendRequest request;
        request.groupNames = {QStringLiteral("shop")};
        request.text = QStringLiteral("happy day **");
        auto sentTo = [&](SendRequest::DateFilter filter,
                          const headlessrun::Options& options = {}) {
            phone->calls.clear();
            request.dateFilter = filter;
            const headlessrun::Outcome o = headlessrun::perform(request, context, view, options);
            QStringList numbers;
            for (const auto& c : phone->callsOf(QStringLiteral("SendSMS")))
                numbers << c.args.value(0).toString();
            return std::make_pair(o.code, numbers);
        };
        QCOMPARE(sentTo(SendRequest::DateFilter::Birthdays),
                 std::make_pair(0, QStringList{number(2)}));
        QCOMPARE(sentTo(SendRequest::DateFilter::ContractDates),
                 std::make_pair(0, QStringList{number(3)}));
        headlessrun::Options late;
        DateFilterChoice before;
        before.ticked = true;
        before.month = yesterday.left(2);
        before.day = yesterday.right(2);
        late.filter = before;
        QCOMPARE(sentTo(SendRequest::DateFilter::Birthdays, late),
                 std::make_pair(0, QStringList{number(1)}));
        // A day later the same request reaches nobody of these three.
        clock.setNow(clock.now().addDays(1));
        QCOMPARE(sentTo(SendRequest::DateFilter::Birthdays).second, QStringList());
    }

    // The window connected: the command line is refused at once and sends
    // nothing. A command-line run connected: the window's connect is refused
    // with a message naming the port and the holder.
    void windowAndCommandLineNeverShareAPort() {
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
        ProgramFixture f;
        ModemSim sim;
        QVERIFY(
            sim.start(QString(), {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM3"))}));
        f.startShown();
        TFormMain& m = f.main();
        m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
        QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnConnect")), Qt::LeftButton);
        QVERIFY(m.isConnected());

        const Result r = run({"--number", "09121000009", "--text-file",
                              writeText(f.dir(), "hello\r\n"), "--port", "COM3"},
                             f.dir());
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("held by the program's window")), qPrintable(r.err));
        QVERIFY(hasPersian(r.err));
        QVERIFY(sim.messages().isEmpty());

        QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnDisconnect")), Qt::LeftButton);
        QVERIFY(!m.isConnected());
        HeadlessContext commandLine(f.dir());
        QCOMPARE(commandLine.connectModem(QStringLiteral("COM3")),
                 HeadlessContext::Connect::Connected);
        f.messages.clear();
        QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnConnect")), Qt::LeftButton);
        QVERIFY(!m.isConnected());
        const QString told = f.messages.all().join(QLatin1Char('\n'));
        QVERIFY2(told.contains(QStringLiteral("COM3")), qPrintable(told));
        QVERIFY(told.contains(QString::number(QCoreApplication::applicationPid())));
        QVERIFY(hasPersian(told));

        // Let go, the port is the window's again.
        commandLine.disconnectModem();
        QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnConnect")), Qt::LeftButton);
        QVERIFY(m.isConnected());
    }

    // The Nokia driver keeps the same rule: a second control on the same
    // phone gets nothing until the first lets go, and a loss or a refused
    // attempt leaves no lock behind.
    void nokiaDriverHasOneOwnerToo() {
        QTemporaryDir dir;
        const QString phone = dir.filePath(QStringLiteral("phone"));
        QVERIFY(QDir().mkpath(phone));
        KylixSMS first;
        KylixSMS second;
        for (KylixSMS* sms : {&first, &second}) {
            sms->setBackend(makeDeviceBackend(dir.path()));
            sms->setConnectionProtocol(2);
            sms->setConnectionParameter(phone + QStringLiteral(", dummy"));
        }
        QCOMPARE(first.Connect(), 1);
        (void)PortLock::takeRefusal();
        QCOMPARE(second.Connect(), 0);
        QVERIFY(PortLock::takeRefusal().refused());
        QCOMPARE(first.Disconnect(), 1);
        QCOMPARE(second.Connect(), 1);
        QCOMPARE(second.Disconnect(), 1);
    }
};

QTEST_MAIN(CommandSendTest)
#include "test_command_send.moc"
