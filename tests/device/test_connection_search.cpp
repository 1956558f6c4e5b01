// The connect action's order of attempts and steps, against a recording
// page and a scripted phone, without the main window.
#include <QtTest>

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include "PortCandidates.h"
#include "ScriptedPhone.h"
#include "ScriptedServices.h"
#include "device/ConnectView.h"
#include "device/ConnectionTexts.h"
#include "device/KylixSMS.h"
#include "device/PortSearch.h"
#include "shell/TextFile.h"

namespace {

// Records every step the connect action takes on the page, in order. The
// refresh fills the reception with a level chosen per connection parameter.
class RecordingView : public ConnectView {
public:
    QStringList log;
    int mode = 0;
    int protocol = 0;
    QString param = devicetext::kDefaultParameter;
    QString pin;
    bool box = true;
    bool connected = false;
    bool flag = false;
    QString reception;
    QString network = QStringLiteral("IR-MCI");
    QString smsc = QStringLiteral("+989120000000");
    QHash<QString, int> receptionFor; // by parameter; 80 when not given
    bool navigation = true;

    int modeIndex() const override { return mode; }
    int protocolIndex() const override { return protocol; }
    QString parameter() const override { return param; }
    void setParameter(const QString& text) override { param = text; }
    QString pinCode() const override { return pin; }
    bool autoSearch() const override { return box; }
    void setAutoSearch(bool checked) override {
        box = checked;
        log << (checked ? "box on" : "box off");
    }
    QString receptionText() const override { return reception; }
    QString networkInfoText() const override { return network; }
    QString smscText() const override { return smsc; }
    void setNavigationEnabled(bool enabled) override {
        navigation = enabled;
        log << (enabled ? "nav on" : "nav off");
    }
    bool isConnected() const override { return connected; }
    void markConnected() override {
        connected = true;
        log << "connected";
    }
    void refreshSilently() override {
        reception = QString::number(receptionFor.value(param, 80));
        log << "refresh";
    }
    void startActivity() override { log << "lamps"; }
    void resetDisconnected() override {
        connected = false;
        log << "reset";
    }
    void showSearchWindow() override { log << "search shown"; }
    void closeSearchWindow() override { log << "search closed"; }
    void showPleaseWait() override { log << "wait shown"; }
    void closePleaseWait() override { log << "wait closed"; }
    bool searchFlag() const override { return flag; }
    void setSearchFlag(bool value) override { flag = value; }
};

QString fileText(const QString& path) {
    QString text;
    return textfile::read(path, &text) ? text : QStringLiteral("<missing>");
}

// A phone that answers on the given parameters only.
ScriptedPhone* phoneOn(KylixSMS& sms, const QStringList& answering) {
    auto p = std::make_unique<ScriptedPhone>();
    ScriptedPhone* phone = p.get();
    phone->script(QStringLiteral("Connect"), {0});
    for (const QString& a : answering)
        phone->script(QStringLiteral("Connect"), a, {1});
    sms.setBackend(std::move(p));
    return phone;
}

} // namespace

class ConnectionSearchTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString lastPort() const { return m_dir.filePath(QStringLiteral("cnn.kvx")); }

private Q_SLOTS:
    void init() {
        QFile::remove(lastPort());
        // The machine's own serial devices play no part.
        PortSearch::setDeviceList([] { return QStringList(); });
    }
    void cleanup() { PortSearch::setDeviceList(nullptr); }

    // The devices a modem or phone appears as are tried after COM1 and
    // before the COM loop, asked anew at each search; one without network
    // is dropped like any in the loop.
    void devicesPresentAreTriedBeforeTheComLoop() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(
            sms, {QStringLiteral("/dev/ttyUSB0, 9600"), QStringLiteral("/dev/ttyACM0, 9600")});
        RecordingView view;
        view.receptionFor[QStringLiteral("/dev/ttyUSB0, 9600")] = -1;
        QStringList devices{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyACM0")};
        PortSearch::setDeviceList([&devices] { return devices; });
        PortSearch search(sms, view, lastPort());
        search.run();
        QCOMPARE(parametersTried(*phone),
                 kFirstTwo + QStringList({"/dev/ttyUSB0, 9600", "/dev/ttyACM0, 9600"}));
        QVERIFY(view.connected);
        QCOMPARE(fileText(lastPort()), QStringLiteral("/dev/ttyACM0, 9600\r\n"));
        QCOMPARE(messages.messages, QStringList{devicetext::kConnected});

        // Unplugged since: the next search goes on to the COM loop.
        devices = {QStringLiteral("/dev/rfcomm0")};
        ScriptedPhone* next = phoneOn(sms, {QStringLiteral("COM3, 9600")});
        view.connected = false;
        view.box = true;
        search.run();
        QCOMPARE(parametersTried(*next),
                 kFirstTwo + QStringList({"/dev/rfcomm0, 9600"}) + loopPorts(25, 3));
    }

    void manualAttemptUsesTheFieldsAsTheyStand() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {});
        RecordingView view;
        view.box = false;
        view.mode = 3;
        view.protocol = 1;
        view.param = QStringLiteral("COM4, 19200");
        view.pin = QStringLiteral("1234");
        PortSearch search(sms, view, lastPort());
        search.run();

        QCOMPARE(parametersTried(*phone), QStringList{QStringLiteral("COM4, 19200")});
        QCOMPARE(phone->lastProperties.NeedLog, 1);
        QCOMPARE(phone->lastProperties.ConnectionMode, 4);
        QCOMPARE(phone->lastProperties.ConnectionProtocol, 2);
        QCOMPARE(phone->lastProperties.PINCode, QStringLiteral("1234"));
        QCOMPARE(phone->callNames(), (QStringList{"ResetState", "Connect"}));
        // No last-port file: no please-wait window before the attempt.
        QCOMPARE(view.log, (QStringList{"nav off", "wait closed", "nav on", "wait closed"}));
        QCOMPARE(messages.messages, QStringList{devicetext::kNoHardwareOnPort});
        QVERIFY(!QFile::exists(lastPort()));
        QVERIFY(view.flag);
    }

    void manualAttemptWithLastPortFileShowsPleaseWait() {
        ScriptedMessages messages;
        KylixSMS sms;
        phoneOn(sms, {QStringLiteral("COM5, 9600")});
        QVERIFY(textfile::write(lastPort(), QStringLiteral("COM5, 9600")));
        RecordingView view;
        view.box = false;
        view.param = QStringLiteral("COM5, 9600");
        PortSearch search(sms, view, lastPort());
        search.run();

        QCOMPARE(view.log, (QStringList{"nav off", "wait shown", "wait shown", "nav off",
                                        "connected", "refresh", "lamps", "nav on", "box off",
                                        "wait closed", "wait closed"}));
        QCOMPARE(messages.messages, QStringList{devicetext::kConnected});
    }

    void automaticSearchOnComOneIsSilent() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {QStringLiteral("COM1, 9600")});
        RecordingView view;
        view.param = QStringLiteral("COM9, 9600");
        view.receptionFor[QStringLiteral("COM1, 9600")] = -1; // kept all the same
        PortSearch search(sms, view, lastPort());
        search.run();

        QCOMPARE(parametersTried(*phone), QStringList{QStringLiteral("COM1, 9600")});
        QCOMPARE(view.log, (QStringList{"nav off", "search shown", "search closed", "wait shown",
                                        "nav off", "connected", "refresh", "search closed", "lamps",
                                        "nav on", "box off", "wait closed"}));
        QCOMPARE(phone->callNames(), (QStringList{"ResetState", "Connect", "ResetState"}));
        QVERIFY(messages.all().isEmpty());
        QVERIFY(view.connected);
        QCOMPARE(fileText(lastPort()), QStringLiteral("COM1, 9600\r\n"));
        QVERIFY(!view.box);
    }

    void secondSpeedOnComOne() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {QStringLiteral("COM1, 115200")});
        RecordingView view;
        PortSearch search(sms, view, lastPort());
        search.run();
        QCOMPARE(parametersTried(*phone), kFirstTwo);
        QVERIFY(messages.all().isEmpty());
        QCOMPARE(view.param, QStringLiteral("COM1, 115200"));
        QCOMPARE(fileText(lastPort()), QStringLiteral("COM1, 115200\r\n"));
    }

    void portLoopFindsTheDeviceAndReports_data() {
        QTest::addColumn<QString>("network");
        QTest::addColumn<QString>("smsc");
        QTest::addColumn<QString>("message");
        QTest::newRow("identified") << "IR-MCI"
                                    << "+98912" << devicetext::kConnected;
        QTest::newRow("no network") << ""
                                    << "+98912" << devicetext::kConnectedNoNetwork;
        QTest::newRow("no centre") << "IR-MCI"
                                   << "" << devicetext::kConnectedNoNetwork;
        QTest::newRow("blank centre") << "IR-MCI"
                                      << "  " << devicetext::kConnectedNoNetwork;
    }
    void portLoopFindsTheDeviceAndReports() {
        QFETCH(QString, network);
        QFETCH(QString, smsc);
        QFETCH(QString, message);
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {QStringLiteral("COM7, 9600")});
        RecordingView view;
        view.network = network;
        view.smsc = smsc;
        PortSearch search(sms, view, lastPort());
        search.run();

        QCOMPARE(parametersTried(*phone), kFirstTwo + loopPorts(25, 7));
        QCOMPARE(messages.messages, QStringList{message});
        QVERIFY(view.connected);
        QCOMPARE(view.param, QStringLiteral("COM7, 9600"));
        QCOMPARE(fileText(lastPort()), QStringLiteral("COM7, 9600\r\n"));
        QVERIFY(view.navigation);
        QCOMPARE(view.log.last(), QStringLiteral("wait closed"));
    }

    void nothingAnswersAnywhere() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {});
        RecordingView view;
        PortSearch search(sms, view, lastPort());
        search.run();

        QCOMPARE(parametersTried(*phone), kFirstTwo + loopPorts(25, 2));
        QCOMPARE(parametersTried(*phone).size(), 26);
        QCOMPARE(messages.messages, QStringList{devicetext::kNoHardware});
        QCOMPARE(view.param, QStringLiteral("COM2, 9600"));
        QVERIFY(view.navigation);
        QVERIFY(!view.connected);
        QCOMPARE(view.log.mid(view.log.size() - 3),
                 (QStringList{"search closed", "nav on", "wait closed"}));
    }

    void deviceWithoutNetworkIsDroppedAndTheSearchGoesOn() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone =
            phoneOn(sms, {QStringLiteral("COM9, 9600"), QStringLiteral("COM6, 9600")});
        RecordingView view;
        view.receptionFor[QStringLiteral("COM9, 9600")] = -1;
        PortSearch search(sms, view, lastPort());
        search.run();

        QCOMPARE(parametersTried(*phone), kFirstTwo + loopPorts(25, 6));
        QCOMPARE(phone->count(QStringLiteral("Disconnect")), 1);
        QVERIFY(view.connected);
        QCOMPARE(fileText(lastPort()), QStringLiteral("COM6, 9600\r\n"));
        QCOMPARE(messages.messages, QStringList{devicetext::kConnected});
        // The drop: tree off, disconnect, reset, search window again, box on.
        const int drop = view.log.indexOf(QStringLiteral("reset"));
        QVERIFY(drop > 0);
        QCOMPARE(view.log.mid(drop - 1, 4),
                 (QStringList{"nav off", "reset", "search shown", "box on"}));
    }

    void droppedDeviceLeavesNoLastPortFile() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {QStringLiteral("COM9, 9600")});
        QVERIFY(textfile::write(lastPort(), QStringLiteral("COM3, 9600")));
        RecordingView view;
        view.receptionFor[QStringLiteral("COM9, 9600")] = -3;
        PortSearch search(sms, view, lastPort());
        search.run();

        QCOMPARE(parametersTried(*phone), kFirstTwo + loopPorts(25, 2));
        QVERIFY(!QFile::exists(lastPort()));
        QVERIFY(!view.connected);
        QVERIFY(view.box);
        QCOMPARE(messages.messages, QStringList{devicetext::kNoHardware});
    }

    void deviceThatCannotBeDroppedStaysConnected() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {QStringLiteral("COM9, 9600")});
        phone->script(QStringLiteral("Disconnect"), {0});
        RecordingView view;
        view.receptionFor[QStringLiteral("COM9, 9600")] = -1;
        view.network.clear();
        PortSearch search(sms, view, lastPort());
        search.run();

        // No attempt over the live link; it is reported as connected.
        QCOMPARE(parametersTried(*phone), kFirstTwo + loopPorts(25, 9));
        QVERIFY(view.connected);
        QVERIFY(view.navigation);
        QCOMPARE(fileText(lastPort()), QStringLiteral("COM9, 9600\r\n"));
        QCOMPARE(messages.messages, QStringList{devicetext::kConnectedNoNetwork});
    }

    void cancelIsReadBetweenAttempts_data() {
        QTest::addColumn<QString>("cancelDuring");
        QTest::addColumn<QStringList>("tried");
        QTest::newRow("first attempt") << "COM1, 9600" << kFirstTwo;
        QTest::newRow("second attempt") << "COM1, 115200" << kFirstTwo;
        QTest::newRow("port loop") << "COM20, 9600" << kFirstTwo + loopPorts(25, 20);
        QTest::newRow("last port") << "COM2, 9600" << kFirstTwo + loopPorts(25, 2);
    }
    void cancelIsReadBetweenAttempts() {
        QFETCH(QString, cancelDuring);
        QFETCH(QStringList, tried);
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {});
        RecordingView view;
        PortSearch search(sms, view, lastPort());
        phone->duringCall = [&](const QString& op) {
            if (op == QLatin1String("Connect") && view.param == cancelDuring)
                view.flag = false;
        };
        search.run();
        QCOMPARE(parametersTried(*phone), tried);
        QCOMPARE(messages.messages, QStringList{devicetext::kNoHardware});
        QVERIFY(view.navigation);
    }

    void cancelDuringAnAttemptThatFindsTheDevice() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {QStringLiteral("COM12, 9600")});
        RecordingView view;
        PortSearch search(sms, view, lastPort());
        phone->duringCall = [&](const QString& op) {
            if (op == QLatin1String("Connect") && view.param == QLatin1String("COM12, 9600"))
                view.flag = false;
        };
        search.run();
        QCOMPARE(parametersTried(*phone).last(), QStringLiteral("COM12, 9600"));
        QCOMPARE(messages.messages, QStringList{devicetext::kConnected});
        QVERIFY(view.connected);
    }

    void cancelDuringAnAttemptWhoseDeviceIsDropped() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {QStringLiteral("COM12, 9600")});
        RecordingView view;
        view.receptionFor[QStringLiteral("COM12, 9600")] = -1;
        PortSearch search(sms, view, lastPort());
        phone->duringCall = [&](const QString& op) {
            if (op == QLatin1String("Connect") && view.param == QLatin1String("COM12, 9600"))
                view.flag = false;
        };
        search.run();
        QCOMPARE(parametersTried(*phone).last(), QStringLiteral("COM12, 9600"));
        QCOMPARE(messages.messages, QStringList{devicetext::kNoHardware});
        QVERIFY(!view.connected);
        QCOMPARE(view.log.mid(view.log.size() - 3),
                 (QStringList{"search closed", "nav on", "wait closed"}));
    }

    void secondRunFromInsideAnAttemptDoesNothing() {
        ScriptedMessages messages;
        KylixSMS sms;
        ScriptedPhone* phone = phoneOn(sms, {QStringLiteral("COM24, 9600")});
        RecordingView view;
        PortSearch search(sms, view, lastPort());
        int nested = 0;
        phone->duringCall = [&](const QString& op) {
            if (op == QLatin1String("Connect")) {
                QVERIFY(search.running());
                search.run();
                ++nested;
            }
        };
        search.run();
        QCOMPARE(nested, 4);
        QCOMPARE(parametersTried(*phone), kFirstTwo + loopPorts(25, 24));
        QCOMPARE(messages.messages, QStringList{devicetext::kConnected});
        QVERIFY(!search.running());
    }

    void unwritableLastPortFileIsReportedAndTheSequenceFinishes() {
        ScriptedMessages messages;
        KylixSMS sms;
        phoneOn(sms, {QStringLiteral("COM1, 9600")});
        RecordingView view;
        PortSearch search(sms, view, m_dir.filePath(QStringLiteral("missing/folder/cnn.kvx")));
        search.run();
        QCOMPARE(messages.errors.size(), 1);
        QVERIFY(messages.messages.isEmpty());
        QVERIFY(view.connected);
        QCOMPARE(view.log.last(), QStringLiteral("wait closed"));
        QVERIFY(view.navigation);
    }
};

QTEST_GUILESS_MAIN(ConnectionSearchTest)
#include "test_connection_search.moc"
