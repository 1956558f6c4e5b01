// The real gammu command-line client against the modem simulator: what a
// third-party AT implementation sends must work too. Kept apart from the
// simulator's own tests because gammu paces its commands slowly.
#include <QtTest>

#include <QFileInfo>

#include "ModemSimHarness.h"

class TestModemSimGammu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void gammuClient();
};

void TestModemSimGammu::gammuClient() {
    const QString gammu = QStringLiteral("/usr/bin/gammu");
    if (!QFileInfo::exists(gammu))
        QSKIP("/usr/bin/gammu is not installed (tools/install-deps installs it)");
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("store from +989121111111 text \"Stored for gammu\"\n"
                                     "ussd *100# \"Your balance is 500\"\n")));
    const QString config = sim.dir() + QStringLiteral("/gammurc");
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[gammu]\ndevice = %1\nconnection = at\nlogfile = %2/gammu.log\n"
                              "logformat = textall\n")
                   .arg(sim.path(), sim.dir())
                   .toUtf8());
    file.close();
    auto run = [&](const QStringList& args) {
        QProcess p;
        p.start(gammu, QStringList{QStringLiteral("-c"), config} + args);
        if (!p.waitForFinished(20000)) {
            p.kill();
            p.waitForFinished();
        }
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitCode() == 0 ? out : QStringLiteral("FAILED: ") + out;
    };

    const QString identity = run({QStringLiteral("identify")});
    QVERIFY2(identity.contains(QLatin1String("Tavrik Wireless")), qPrintable(identity));
    QVERIFY(identity.contains(QLatin1String("356938035643809")));
    QVERIFY(identity.contains(QLatin1String("432111234567890")));

    const QString sent =
        run({QStringLiteral("sendsms"), QStringLiteral("TEXT"), QStringLiteral("+989127777777"),
             QStringLiteral("-text"), QStringLiteral("Hello from gammu")});
    QVERIFY2(!sent.startsWith(QLatin1String("FAILED")), qPrintable(sent));
    const auto messages = sim.messages();
    QCOMPARE(messages.size(), size_t(1));
    QCOMPARE(messages[0].value(u"text").toString(), QStringLiteral("Hello from gammu"));
    QCOMPARE(messages[0].value(u"number").toString(), QStringLiteral("+989127777777"));

    const QString answer = run({QStringLiteral("getussd"), QStringLiteral("*100#")});
    QVERIFY2(answer.contains(QLatin1String("Your balance is 500")), qPrintable(answer));
    const QString persian = run({QStringLiteral("getussd"), QStringLiteral("*140#")});
    QVERIFY2(persian.contains(defaultBalanceText()), qPrintable(persian));

    const QString all = run({QStringLiteral("getallsms")});
    QVERIFY2(all.contains(QLatin1String("Stored for gammu")), qPrintable(all));
    QVERIFY(all.contains(QLatin1String("+989121111111")));
}

QTEST_GUILESS_MAIN(TestModemSimGammu)
#include "test_modemsim_gammu.moc"
