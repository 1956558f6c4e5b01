// The modem list in "links.ini" and the pool over it, without windows: what
// survives a restart, the ports that are refused, modem 1 as the single
// modem of today, and a lost modem coming back after growing pauses.
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "ManualClock.h"
#include "ScriptedPhone.h"
#include "ScriptedServices.h"
#include "device/KylixSMS.h"
#include "device/ModemList.h"
#include "device/ModemPool.h"
#include "device/ModemTexts.h"
#include "sending/ModemLink.h"

namespace {
ModemEntry entry(const QString& port, const QString& label = QString(), int limit = 0) {
    ModemEntry e;
    e.port = port;
    e.label = label;
    e.dailyLimit = limit;
    return e;
}
} // namespace

class ModemPoolTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path() + QLatin1Char('/'); }
    // The phones behind modems 2 and on, in the order the pool made them.
    QList<ScriptedPhone*> m_phones;

private Q_SLOTS:
    void init() {
        QFile::remove(folder() + ModemList::kFile);
        m_phones.clear();
        ModemPool::setBackendFactory([this] {
            auto phone = std::make_unique<ScriptedPhone>();
            m_phones.append(phone.get());
            return std::unique_ptr<SmsBackend>(std::move(phone));
        });
    }
    void cleanup() { ModemPool::setBackendFactory(nullptr); }

    void theListAndTheHoursSurviveARestart() {
        {
            ModemList list(folder());
            list.setFirstPort(QStringLiteral("COM3"));
            QVERIFY(list.update(0, entry(QString(), QStringLiteral(u"همراه اول"), 450)).isEmpty());
            ModemEntry usb = entry(QStringLiteral("/dev/ttyUSB3"), QStringLiteral(u"ایرانسل"), 500);
            usb.mode = 3;
            usb.driver = 2;
            usb.speed = 115200;
            usb.enabled = false;
            QVERIFY(list.add(usb).isEmpty());
            QVERIFY(list.add(entry(QStringLiteral("00:1A:7D:DA:71:13:3"))).isEmpty());
            QVERIFY(list.setHours({true, QTime(22, 30), QTime(6, 0)}));
        }
        ModemList again(folder());
        again.load();
        QCOMPARE(again.count(), 3);
        // Modem 1's port is the connection page's, never the file's.
        QVERIFY(again.at(0).port.isEmpty());
        QCOMPARE(again.at(0).label, QStringLiteral(u"همراه اول"));
        QCOMPARE(again.at(0).dailyLimit, 450);
        const ModemEntry& usb = again.at(1);
        QCOMPARE(usb.port, QStringLiteral("/dev/ttyUSB3"));
        QCOMPARE(usb.label, QStringLiteral(u"ایرانسل"));
        QCOMPARE(usb.parameter(), QStringLiteral("/dev/ttyUSB3, 115200"));
        QCOMPARE(usb.mode, 3);
        QCOMPARE(usb.driver, 2);
        QVERIFY(!usb.enabled);
        QCOMPARE(again.at(2).port, QStringLiteral("00:1A:7D:DA:71:13:3"));
        QCOMPARE(again.hours().from, QTime(22, 30));
        QCOMPARE(again.hours().to, QTime(6, 0));
        QVERIFY(again.hours().enabled);
        // The keys another part of the program reads the window by.
        QSettings ini(folder() + ModemList::kFile, QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("hours/from")).toString(), QStringLiteral("22:30"));
        QCOMPARE(ini.value(QStringLiteral("hours/to")).toString(), QStringLiteral("06:00"));
        QCOMPARE(ini.value(QStringLiteral("hours/enabled")).toBool(), true);
    }

    void aPortNamedTwiceIsRefusedAndChangesNothing() {
        ModemList list(folder());
        list.setFirstPort(QStringLiteral("COM3"));
        QVERIFY(list.add(entry(QStringLiteral("COM4"))).isEmpty());
        QVERIFY(list.add(entry(QStringLiteral("00:1a:7d:da:71:13/3"))).isEmpty());
        // Modem 1's port, another entry's in other spellings, no port at all.
        QCOMPARE(list.add(entry(QStringLiteral("COM3"))), modemtext::kDuplicatePort);
        QCOMPARE(list.add(entry(QStringLiteral(" com4"))), modemtext::kDuplicatePort);
        QCOMPARE(list.add(entry(QStringLiteral("00:1A:7D:DA:71:13:3"))), modemtext::kDuplicatePort);
        QCOMPARE(list.add(entry(QStringLiteral("  "))), modemtext::kEmptyPort);
        QCOMPARE(list.update(2, entry(QStringLiteral("COM4, 115200"))), modemtext::kDuplicatePort);
        QCOMPARE(list.at(2).port, QStringLiteral("00:1a:7d:da:71:13/3"));
        QCOMPARE(list.remove(0), modemtext::kFirstStays);
        QCOMPARE(list.count(), 3);
        // A file edited by hand to name one port twice opens it once.
        QSettings ini(folder() + ModemList::kFile, QSettings::IniFormat);
        ini.setValue(QStringLiteral("modems/3/port"), QStringLiteral("COM4"));
        ini.setValue(QStringLiteral("modems/size"), 3);
        ini.sync();
        ModemList again(folder());
        again.load();
        QCOMPARE(again.count(), 2);
        QCOMPARE(again.at(1).port, QStringLiteral("COM4"));
    }

    void theSendingWindow_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QTime>("from");
        QTest::addColumn<QTime>("to");
        QTest::addColumn<QTime>("at");
        QTest::addColumn<bool>("allowed");
        const QTime eight(8, 0), ten(22, 0);
        QTest::newRow("at the start") << true << eight << ten << eight << true;
        QTest::newRow("a minute before") << true << eight << ten << QTime(7, 59) << false;
        QTest::newRow("the end minute") << true << eight << ten << ten << false;
        QTest::newRow("just before the end") << true << eight << ten << QTime(21, 59) << true;
        QTest::newRow("across midnight, late") << true << ten << eight << QTime(23, 30) << true;
        QTest::newRow("across midnight, early") << true << ten << eight << QTime(0, 0) << true;
        QTest::newRow("across midnight, day") << true << ten << eight << QTime(12, 0) << false;
        QTest::newRow("from equals to") << true << eight << eight << QTime(3, 0) << true;
        QTest::newRow("switched off") << false << eight << ten << QTime(3, 0) << true;
    }
    void theSendingWindow() {
        QFETCH(bool, enabled);
        QFETCH(QTime, from);
        QFETCH(QTime, to);
        QFETCH(QTime, at);
        QFETCH(bool, allowed);
        QCOMPARE((SendingHours{enabled, from, to}.allows(at)), allowed);
    }

    void modemOneIsTheSingleModemOfToday() {
        ManualClock clock(QDateTime(QDate(2010, 3, 21), QTime(9, 30)));
        KylixSMS first;
        first.setConnectionParameter(QStringLiteral("COM3, 9600"));
        first.setSendTimeout(40);
        first.setSendInterval(3);
        first.setIsConcatenatedSMS(1);
        first.setConnectionMode(2);
        ModemPool pool(first, folder());
        QCOMPARE(pool.count(), 1);
        QCOMPARE(&pool.sms(0), &first);
        // A report after a restart finds the journal's rows of old runs.
        ModemLink link(first);
        QCOMPARE(pool.name(0), link.name());
        QCOMPARE(pool.modems().size(), 1);
        QCOMPARE(pool.modems().first().sms, &first);
        // With one modem received rows carry nothing, as they always did.
        QVERIFY(pool.tag(0).isEmpty());
        QCOMPARE(&pool.chosenSms(), &first);

        ModemEntry second = entry(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("MCI"), 500);
        second.driver = 2;
        QVERIFY(pool.add(second).isEmpty());
        ModemEntry off = entry(QStringLiteral("COM5"));
        off.enabled = false;
        QVERIFY(pool.add(off).isEmpty());
        KylixSMS& other = pool.sms(1);
        // The connection and settings pages' settings, its own port and driver.
        QCOMPARE(other.SendTimeout(), 40);
        QCOMPARE(other.SendInterval(), 3);
        QCOMPARE(other.IsConcatenatedSMS(), 1);
        QCOMPARE(other.ConnectionMode(), 0);
        QCOMPARE(other.ConnectionProtocol(), 2);
        QCOMPARE(other.ConnectionParameter(), QStringLiteral("/dev/ttyUSB0, 9600"));
        // Every enabled entry, connected or not; the disabled one is left out.
        const QList<PoolModem> modems = pool.modems();
        QCOMPARE(modems.size(), 2);
        QCOMPARE(modems.at(1).name, QStringLiteral("modem:/dev/ttyUSB0"));
        QCOMPARE(modems.at(1).dailyLimit, 500);
        QCOMPARE(modems.at(1).label, QStringLiteral("MCI"));
        QCOMPARE(modems.at(1).sms, &other);
        QCOMPARE(pool.tag(1), QStringLiteral("MCI (/dev/ttyUSB0)"));

        // A second start finds the same pool; choosing survives a removal.
        pool.choose(2);
        QVERIFY(pool.remove(1).isEmpty());
        QCOMPARE(pool.chosen(), 1);
        ModemPool again(first, folder());
        QCOMPARE(again.count(), 2);
        QCOMPARE(again.list().at(1).port, QStringLiteral("COM5"));
    }

    void aLostModemComesBackAfterGrowingPauses() {
        ManualClock clock(QDateTime(QDate(2010, 3, 21), QTime(9, 30)));
        ScriptedMessages messages;
        KylixSMS first;
        ModemPool pool(first, folder());
        QVERIFY(pool.add(entry(QStringLiteral("COM4"))).isEmpty());
        ScriptedPhone& phone = *m_phones.last();
        QVERIFY(pool.connectModem(1));
        QCOMPARE(phone.count(QStringLiteral("Connect")), 1);
        QVERIFY(pool.status(1).reception >= 0);

        // Three attempts fail, the fourth answers.
        phone.script(QStringLiteral("Connect"), {0, 0, 0, 1});
        phone.raiseConnectionLost();
        QTRY_VERIFY(!pool.status(1).connected);
        QVERIFY(pool.status(1).retrying);
        const int pauses[] = {5000, 10000, 20000, 40000};
        for (int i = 0; i < 4; ++i) {
            clock.advance(pauses[i] - 1);
            QCOMPARE(phone.count(QStringLiteral("Connect")), 1 + i);
            clock.advance(1);
            QCOMPARE(phone.count(QStringLiteral("Connect")), 2 + i);
        }
        QVERIFY(pool.status(1).connected);
        QVERIFY(!pool.status(1).retrying);
        QVERIFY(pool.status(1).lastError.isEmpty());
        // Back for good: no attempt follows.
        clock.advance(600000);
        QCOMPARE(phone.count(QStringLiteral("Connect")), 5);

        // The pauses grow into minutes and stop growing there.
        QCOMPARE(ModemPool::retryPauseMs(5), 60000);
        QCOMPARE(ModemPool::retryPauseMs(7), 300000);
        QCOMPARE(ModemPool::retryPauseMs(50), 300000);

        // Switched off while lost: never tried again; the operator's
        // disconnect is not a loss.
        phone.raiseConnectionLost();
        QTRY_VERIFY(pool.status(1).retrying);
        ModemEntry off = pool.list().at(1);
        off.enabled = false;
        QVERIFY(pool.update(1, off).isEmpty());
        clock.advance(600000);
        QCOMPARE(phone.count(QStringLiteral("Connect")), 5);
        off.enabled = true;
        QVERIFY(pool.update(1, off).isEmpty());
        clock.advance(5000);
        QCOMPARE(phone.count(QStringLiteral("Connect")), 6);
        QVERIFY(pool.status(1).connected);
        pool.disconnectModem(1);
        clock.advance(600000);
        QCOMPARE(phone.count(QStringLiteral("Connect")), 6);
    }

    void modemOneIsTriedAgainOnlyInAPool() {
        ManualClock clock(QDateTime(QDate(2010, 3, 21), QTime(9, 30)));
        KylixSMS first;
        auto phone = std::make_unique<ScriptedPhone>();
        ScriptedPhone& firstPhone = *phone;
        first.setBackend(std::move(phone));
        ModemPool pool(first, folder());
        int reconnects = 0;
        bool connected = true;
        pool.setFirstModem({nullptr, nullptr, [&] { return connected; },
                            [&] {
                                ++reconnects;
                                connected = true;
                                return true;
                            }});
        // Alone, it waits for the operator as it always has.
        connected = false;
        firstPhone.raiseConnectionLost();
        QTRY_COMPARE(pool.status(0).lastError, modemtext::kLost);
        QVERIFY(!pool.status(0).retrying);
        clock.advance(600000);
        QCOMPARE(reconnects, 0);
        // With a second modem a run may be waiting for it.
        QVERIFY(pool.add(entry(QStringLiteral("COM4"))).isEmpty());
        firstPhone.raiseConnectionLost();
        QTRY_VERIFY(pool.status(0).retrying);
        clock.advance(5000);
        QCOMPARE(reconnects, 1);
        QVERIFY(pool.status(0).connected);
    }

    void aPortAnotherModemHoldsIsNotOpenedTwice() {
        ManualClock clock(QDateTime(QDate(2010, 3, 21), QTime(9, 30)));
        KylixSMS first;
        ModemPool pool(first, folder());
        pool.setFirstModem({nullptr, nullptr, [] { return true; }, nullptr});
        QVERIFY(pool.add(entry(QStringLiteral("COM4"))).isEmpty());
        // The connection page's search moved modem 1 onto COM4 meanwhile.
        first.setConnectionParameter(QStringLiteral("COM4, 9600"));
        QVERIFY(!pool.connectModem(1));
        QCOMPARE(pool.status(1).lastError, modemtext::kDuplicatePort);
        QCOMPARE(m_phones.last()->count(QStringLiteral("Connect")), 0);
    }
};

QTEST_GUILESS_MAIN(ModemPoolTest)
#include "test_modem_pool.moc"
