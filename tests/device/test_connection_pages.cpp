// The connect and settings pages in the running program: fields, the connect
// action through the real button and windows, refresh, disconnect, device
// time, message centre, option boxes, lamps and gauges.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

#include "PortCandidates.h"
#include "ProgramFixture.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "device/ConnectionTexts.h"
#include "device/ui/ConnectionPages.h"
#include "sending/ui/SendPage.h"
#include "sending/ui/SendingSubsystem.h"
#include "shell/ShellTexts.h"
#include "shell/TextFile.h"
#include "shell/ui/PleaseWaitWindow.h"
#include "shell/ui/SearchWindow.h"
#include "shell/ui/StatusStrip.h"

namespace {

template <typename T> T* widget(ProgramFixture& f, const char* name) {
    T* w = f.main().findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qWarning("no widget %s", name);
    return w;
}

QLineEdit* edit(ProgramFixture& f, const char* name) {
    return widget<QLineEdit>(f, name);
}

void click(QAbstractButton* button) {
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

// A check box takes a mouse click only on its mark and caption, which lie
// wherever the style puts them; click() toggles and emits clicked as a user's
// click does.
void clickBox(QCheckBox* box) {
    QVERIFY(box);
    box->click();
}

void clickConnect(ProgramFixture& f) {
    click(widget<QPushButton>(f, "btnConnect"));
}

const char* const kHardwareFields[] = {"teManufacture", "teModel",    "teIMEI",
                                       "teNetworkInfo", "teBattery",  "teReception",
                                       "teFirmware",    "teHardware", "teTime"};

// Only the given parameters answer.
void answerOn(ProgramFixture& f, const QStringList& answering) {
    f.phone->script(QStringLiteral("Connect"), {0});
    for (const QString& a : answering)
        f.phone->script(QStringLiteral("Connect"), a, {1});
}

// Connected through the automatic search on COM1, messages and calls cleared.
void connectOnComOne(ProgramFixture& f) {
    answerOn(f, {QStringLiteral("COM1, 9600")});
    clickConnect(f);
    QVERIFY(f.main().isConnected());
    f.messages.clear();
    f.phone->calls.clear();
}

void clickTreeEntry(TFormMain& main, const QString& text) {
    const auto items = main.TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!items.isEmpty());
    main.TreeView1->setCurrentItem(items.first());
    QTest::mouseClick(main.TreeView1->viewport(), Qt::LeftButton, {},
                      main.TreeView1->visualItemRect(items.first()).center());
}

} // namespace

class ConnectionPagesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fieldsAndDefaults() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        QVERIFY(!m.page(1)->findChild<QLabel*>(QStringLiteral("lblPageTitle")));
        QVERIFY(!m.page(2)->findChild<QLabel*>(QStringLiteral("lblPageTitle")));

        auto* mode = widget<QComboBox>(f, "cmbMode");
        QVERIFY(mode && mode->window() == &m);
        QCOMPARE(mode->count(), 4);
        QCOMPARE(mode->itemText(0), QStringLiteral("Physical/Virtual COM Port"));
        QCOMPARE(mode->itemText(3), QStringLiteral("USB"));
        QCOMPARE(mode->currentIndex(), 0);
        auto* protocol = widget<QComboBox>(f, "cmbProtocol");
        QCOMPARE(protocol->count(), 3);
        QCOMPARE(protocol->itemText(2), QStringLiteral("Nokia MBus"));
        QCOMPARE(protocol->currentIndex(), 0);
        QCOMPARE(edit(f, "teParameter")->text(), QStringLiteral("COM1, 9600"));
        QCOMPARE(edit(f, "tePINCode")->text(), QString());
        QCOMPARE(edit(f, "tePINCode")->echoMode(), QLineEdit::Normal);
        auto* box = widget<QCheckBox>(f, "CheckBox1");
        QVERIFY(box->isChecked());
        QCOMPARE(box->text(), devicetext::kAutoSearch);
        QVERIFY(m.page(1)->isAncestorOf(box));
        auto* connectButton = widget<QPushButton>(f, "btnConnect");
        QCOMPARE(connectButton->text(), devicetext::kConnect);
        QVERIFY(connectButton->isEnabled());
        QVERIFY(!widget<QPushButton>(f, "btnDisconnect")->isEnabled());
        QVERIFY(!m.isConnected());
        for (const char* name : kHardwareFields) {
            QLineEdit* e = edit(f, name);
            QVERIFY2(e && m.page(1)->isAncestorOf(e), name);
            QVERIFY(e->text().isEmpty());
            QCOMPARE(e->isReadOnly(), QByteArray(name) != "teTime");
        }
        QCOMPARE(widget<QPushButton>(f, "btnRefreshInfo")->text(), devicetext::kRefresh);
        QCOMPARE(widget<QPushButton>(f, "btnSetTime")->text(), devicetext::kSetTime);
        QCOMPARE(widget<QLabel>(f, "lblReception")->text(), devicetext::kReceptionLabel);
        QCOMPARE(widget<QGroupBox>(f, "gbConnection")->title(), devicetext::kConnectHeading);
        QCOMPARE(widget<QGroupBox>(f, "gbHardware")->title(), devicetext::kHardwareHeading);

        QVERIFY(widget<QCheckBox>(f, "cbConcatenatedSMS")->isChecked());
        QVERIFY(!widget<QCheckBox>(f, "cbDeleteAllReport")->isChecked());
        QVERIFY(m.page(2)->isAncestorOf(widget<QCheckBox>(f, "cbDeleteAllReport")));
        QCOMPARE(edit(f, "teSendTimeout")->text(), QStringLiteral("28"));
        QCOMPARE(edit(f, "teSendInterval")->text(), QStringLiteral("1"));
        QCOMPARE(edit(f, "teSendRetryTimes")->text(), QStringLiteral("1"));
        auto* validity = widget<QComboBox>(f, "cmbSMSValidity");
        QCOMPARE(validity->count(), 6);
        QCOMPARE(validity->currentText(), QStringLiteral("Max Time"));
        QCOMPARE(validity->currentIndex() + 1, 6);
        QCOMPARE(edit(f, "teSMSC")->text(), QString());
        QVERIFY(m.page(2)->isAncestorOf(widget<QToolButton>(f, "SpeedButton9")));
        QCOMPARE(widget<QGroupBox>(f, "gbSettings")->title(), devicetext::kSettingsHeading);

        QCOMPARE(m.strip->gaugeBattery->value(), 0);
        QCOMPARE(m.strip->gaugeReception->value(), 0);
        QVERIFY(m.strip->imo->isHidden() && m.strip->sa1->isHidden() && m.strip->sa2->isHidden() &&
                m.strip->sa3->isHidden());
        QVERIFY(!m.strip->Timer1.isActive());
        QVERIFY(m.Timer3.isActive());
        // First show pushed both option boxes into the control.
        QCOMPARE(m.KylixSMS1.IsConcatenatedSMS(), 1);
        QCOMPARE(m.KylixSMS1.AutoDeleteAllReport(), 0);
        QVERIFY(f.messages.all().isEmpty());
    }

    void manualConnectNobodyAnswers() {
        ProgramFixture f;
        f.startShown();
        f.phone->script(QStringLiteral("Connect"), {0});
        widget<QCheckBox>(f, "CheckBox1")->setChecked(false);
        edit(f, "teParameter")->setText(QStringLiteral("COM4, 9600"));
        clickConnect(f);
        QCOMPARE(parametersTried(*f.phone), QStringList{QStringLiteral("COM4, 9600")});
        QCOMPARE(f.messages.messages, QStringList{devicetext::kNoHardwareOnPort});
        QVERIFY(f.main().TreeView1->isEnabled());
        QVERIFY(!f.main().isConnected());
        QVERIFY(!f.windows().Form4->isVisible());
        QVERIFY(!f.windows().Form2->isVisible());
    }

    void automaticSearchOnComOne() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        answerOn(f, {QStringLiteral("COM1, 9600")});
        bool searchShownDuringAttempt = false;
        bool treeDisabledDuringAttempt = false;
        f.phone->duringCall = [&](const QString& op) {
            if (op == QLatin1String("Connect")) {
                searchShownDuringAttempt = f.windows().Form2->isVisible();
                treeDisabledDuringAttempt = !m.TreeView1->isEnabled();
            }
        };
        clickConnect(f);

        QVERIFY(searchShownDuringAttempt);
        QVERIFY(treeDisabledDuringAttempt);
        QCOMPARE(parametersTried(*f.phone), QStringList{QStringLiteral("COM1, 9600")});
        QVERIFY(m.isConnected());
        QVERIFY(widget<QPushButton>(f, "btnDisconnect")->isEnabled());
        QVERIFY(f.messages.all().isEmpty());
        QFile file(f.file(QStringLiteral("cnn.kvx")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("COM1, 9600\r\n"));
        QVERIFY(!widget<QCheckBox>(f, "CheckBox1")->isChecked());
        QVERIFY(m.TreeView1->isEnabled());
        QVERIFY(!f.windows().Form2->isVisible());
        QVERIFY(!f.windows().Form4->isVisible());
        // The refresh of the connected sequence, in its order, between the
        // two resets of the control's state.
        QCOMPARE(f.phone->callNames(),
                 (QStringList{"ResetState", "Connect", "GetManufacturer", "GetModel", "GetIMEI",
                              "GetNetworkInfo", "GetBatteryLevel", "GetBatteryLevel",
                              "GetReceptionLevel", "GetReceptionLevel", "GetFirmware",
                              "GetHardware", "GetDeviceTime", "GetSMSC", "ResetState"}));
        QCOMPARE(edit(f, "teManufacture")->text(), QStringLiteral("Scripted"));
        QCOMPARE(edit(f, "teModel")->text(), QStringLiteral("Phone 1"));
        QCOMPARE(edit(f, "teIMEI")->text(), QStringLiteral("356938035643809"));
        QCOMPARE(edit(f, "teNetworkInfo")->text(), QStringLiteral("IR-MCI"));
        QCOMPARE(edit(f, "teBattery")->text(), QStringLiteral("90"));
        QCOMPARE(edit(f, "teReception")->text(), QStringLiteral("80"));
        QCOMPARE(edit(f, "teFirmware")->text(), QStringLiteral("1.0"));
        QCOMPARE(edit(f, "teHardware")->text(), QStringLiteral("rev A"));
        QCOMPARE(edit(f, "teTime")->text(), QStringLiteral("2010/03/21 10:00:00"));
        QCOMPARE(edit(f, "teSMSC")->text(), QStringLiteral("+989120000000"));
        QCOMPARE(m.strip->gaugeBattery->value(), 90);
        QCOMPARE(m.strip->gaugeReception->value(), 80);
        QVERIFY(m.strip->sa1->isVisible() && m.strip->sa2->isVisible() &&
                m.strip->sa3->isVisible());
        QVERIFY(m.strip->imo->isVisible());
        QVERIFY(m.strip->Timer1.isActive());
        // The attempt carried the connection fields.
        QCOMPARE(f.phone->lastProperties.NeedLog, 1);
        QCOMPARE(f.phone->lastProperties.ConnectionMode, 1);
        QCOMPARE(f.phone->lastProperties.ConnectionProtocol, 1);
    }

    void deviceOnComSeven_data() {
        QTest::addColumn<QString>("smsc");
        QTest::addColumn<QString>("network");
        QTest::addColumn<QString>("message");
        QTest::newRow("identified") << "+98912"
                                    << "IR-MCI" << devicetext::kConnected;
        QTest::newRow("no centre") << ""
                                   << "IR-MCI" << devicetext::kConnectedNoNetwork;
        QTest::newRow("no network") << "+98912"
                                    << "" << devicetext::kConnectedNoNetwork;
    }
    void deviceOnComSeven() {
        QFETCH(QString, smsc);
        QFETCH(QString, network);
        QFETCH(QString, message);
        ProgramFixture f;
        f.startShown();
        answerOn(f, {QStringLiteral("COM7, 9600")});
        f.phone->script(QStringLiteral("GetSMSC"), {smsc});
        f.phone->script(QStringLiteral("GetNetworkInfo"), {network});
        clickConnect(f);
        QCOMPARE(parametersTried(*f.phone), kFirstTwo + loopPorts(25, 7));
        QCOMPARE(f.messages.messages, QStringList{message});
        // The warning carries its two blank lines as carriage returns.
        if (message == devicetext::kConnectedNoNetwork)
            QCOMPARE(f.messages.messages[0].count(QLatin1Char('\r')), 4);
        QVERIFY(f.main().isConnected());
        QCOMPARE(edit(f, "teParameter")->text(), QStringLiteral("COM7, 9600"));
        QVERIFY(f.main().TreeView1->isEnabled());
        QVERIFY(!f.windows().Form2->isVisible());
        QVERIFY(!f.windows().Form4->isVisible());
    }

    void negativeReceptionInThePortLoopDropsTheDevice() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        answerOn(f, {QStringLiteral("COM9, 9600"), QStringLiteral("COM8, 9600")});
        // Asked twice per refresh: COM9 has no network, COM8 has.
        f.phone->script(QStringLiteral("GetReceptionLevel"), {-1, -1, 60});
        bool fileGoneWhenComEightTried = false;
        bool disconnectedWhenComEightTried = false;
        f.phone->duringCall = [&](const QString& op) {
            if (op == QLatin1String("Connect") &&
                f.phone->lastProperties.ConnectionParameter == QLatin1String("COM8, 9600")) {
                fileGoneWhenComEightTried = !QFile::exists(f.file(QStringLiteral("cnn.kvx")));
                disconnectedWhenComEightTried = !m.isConnected() && m.strip->imo->isHidden() &&
                                                edit(f, "teManufacture")->text().isEmpty() &&
                                                m.strip->gaugeReception->value() == 0;
            }
        };
        clickConnect(f);
        QCOMPARE(parametersTried(*f.phone), kFirstTwo + loopPorts(25, 8));
        QCOMPARE(f.phone->count(QStringLiteral("Disconnect")), 1);
        QVERIFY(fileGoneWhenComEightTried);
        QVERIFY(disconnectedWhenComEightTried);
        QVERIFY(m.isConnected());
        QCOMPARE(edit(f, "teReception")->text(), QStringLiteral("60"));
        QString text;
        QVERIFY(textfile::read(f.file(QStringLiteral("cnn.kvx")), &text));
        QCOMPARE(text.trimmed(), QStringLiteral("COM8, 9600"));
        QCOMPARE(f.messages.messages, QStringList{devicetext::kConnected});
    }

    void droppedDeviceOnTheOnlyPortEndsWithNothingFound() {
        ProgramFixture f;
        f.startShown();
        answerOn(f, {QStringLiteral("COM9, 9600")});
        f.phone->script(QStringLiteral("GetReceptionLevel"), {-1});
        clickConnect(f);
        QCOMPARE(parametersTried(*f.phone), kFirstTwo + loopPorts(25, 2));
        QVERIFY(!QFile::exists(f.file(QStringLiteral("cnn.kvx"))));
        QVERIFY(!f.main().isConnected());
        QVERIFY(widget<QCheckBox>(f, "CheckBox1")->isChecked());
        QCOMPARE(f.messages.messages, QStringList{devicetext::kNoHardware});
        QVERIFY(!f.windows().Form2->isVisible());
        QVERIFY(f.main().TreeView1->isEnabled());
    }

    void comOneWithNegativeReceptionStaysConnected() {
        ProgramFixture f;
        f.startShown();
        answerOn(f, {QStringLiteral("COM1, 9600")});
        f.phone->script(QStringLiteral("GetReceptionLevel"), {-1});
        clickConnect(f);
        QCOMPARE(parametersTried(*f.phone), QStringList{QStringLiteral("COM1, 9600")});
        QVERIFY(f.main().isConnected());
        QCOMPARE(f.phone->count(QStringLiteral("Disconnect")), 0);
        QCOMPARE(edit(f, "teReception")->text(), QStringLiteral("-1"));
        // The gauge has no room below 0.
        QCOMPARE(f.main().strip->gaugeReception->value(), 0);
        QVERIFY(f.messages.all().isEmpty());
    }

    void cancelButtonDuringThePortLoop() {
        ProgramFixture f;
        f.startShown();
        answerOn(f, {});
        SearchWindow* search = f.windows().Form2;
        f.phone->duringCall = [&](const QString& op) {
            if (op == QLatin1String("Connect") &&
                f.phone->lastProperties.ConnectionParameter == QLatin1String("COM20, 9600")) {
                QVERIFY(search->isVisible());
                QTest::mouseClick(search->findChild<QPushButton*>(QStringLiteral("btnCancel")),
                                  Qt::LeftButton);
            }
        };
        clickConnect(f);
        QCOMPARE(parametersTried(*f.phone), kFirstTwo + loopPorts(25, 20));
        QVERIFY(!f.program().connection->searchFlag());
        QCOMPARE(f.messages.messages, QStringList{devicetext::kNoHardware});
        QVERIFY(!search->isVisible());
        QVERIFY(f.main().TreeView1->isEnabled());
        QVERIFY(!f.main().isConnected());
        // The next connect searches again from the start.
        f.phone->duringCall = nullptr;
        f.phone->calls.clear();
        f.messages.clear();
        f.phone->script(QStringLiteral("Connect"), QStringLiteral("COM1, 9600"), {1});
        clickConnect(f);
        QCOMPARE(parametersTried(*f.phone), QStringList{QStringLiteral("COM1, 9600")});
        QVERIFY(f.main().isConnected());
    }

    void clicksAndTicksDuringASearchDoNothing() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        answerOn(f, {QStringLiteral("COM22, 9600")});
        bool clicked = false;
        f.phone->duringCall = [&](const QString& op) {
            if (clicked || op != QLatin1String("Connect") ||
                f.phone->lastProperties.ConnectionParameter != QLatin1String("COM23, 9600"))
                return;
            clicked = true;
            // The connect button stays enabled (disabled means connected).
            QVERIFY(widget<QPushButton>(f, "btnConnect")->isEnabled());
            clickConnect(f);
            click(widget<QPushButton>(f, "btnRefreshInfo"));
            click(widget<QPushButton>(f, "btnSetTime"));
            click(widget<QToolButton>(f, "SpeedButton9"));
            f.clock.advance(60000); // the device refresh tick
            QVERIFY(!m.TreeView1->isEnabled());
        };
        clickConnect(f);
        QVERIFY(clicked);
        QCOMPARE(parametersTried(*f.phone), kFirstTwo + loopPorts(25, 22));
        QCOMPARE(f.phone->count(QStringLiteral("GetManufacturer")), 1);
        QCOMPARE(f.phone->count(QStringLiteral("SetDeviceTime")), 0);
        QCOMPARE(f.phone->count(QStringLiteral("SetSMSC")), 0);
        QCOMPARE(f.messages.messages, QStringList{devicetext::kConnected});
    }

    void closingTheWindowStopsTheSearch() {
        ProgramFixture f;
        f.startShown();
        answerOn(f, {});
        f.phone->duringCall = [&](const QString& op) {
            if (op == QLatin1String("Connect") &&
                f.phone->lastProperties.ConnectionParameter == QLatin1String("COM18, 9600"))
                f.main().close();
        };
        clickConnect(f);
        QCOMPARE(parametersTried(*f.phone), kFirstTwo + loopPorts(25, 18));
    }

    void pageEntryOffersTheRememberedPort() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        answerOn(f, {QStringLiteral("COM7, 9600")});
        clickConnect(f);
        QVERIFY(m.isConnected());
        click(widget<QPushButton>(f, "btnDisconnect"));
        QVERIFY(!m.isConnected());
        edit(f, "teParameter")->setText(QStringLiteral("COM1, 9600"));
        widget<QCheckBox>(f, "CheckBox1")->setChecked(true);

        clickTreeEntry(m, shelltext::kNavConnect);
        QCOMPARE(m.currentPage(), 1);
        QCOMPARE(edit(f, "teParameter")->text(), QStringLiteral("COM7, 9600"));
        QVERIFY(!widget<QCheckBox>(f, "CheckBox1")->isChecked());

        f.phone->calls.clear();
        f.messages.clear();
        bool waitShownDuringAttempt = false;
        f.phone->duringCall = [&](const QString& op) {
            if (op == QLatin1String("Connect"))
                waitShownDuringAttempt = f.windows().Form4->isVisible();
        };
        clickConnect(f);
        QCOMPARE(parametersTried(*f.phone), QStringList{QStringLiteral("COM7, 9600")});
        QVERIFY(waitShownDuringAttempt);
        QVERIFY(!f.windows().Form4->isVisible());
        QCOMPARE(f.messages.messages, QStringList{devicetext::kConnected});
    }

    void pageEntryWithoutUsableFileChangesNothing() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        clickTreeEntry(m, shelltext::kNavConnect);
        QCOMPARE(edit(f, "teParameter")->text(), QStringLiteral("COM1, 9600"));
        QVERIFY(widget<QCheckBox>(f, "CheckBox1")->isChecked());
        // An empty file names no port: the default and the search stay.
        QVERIFY(textfile::write(f.file(QStringLiteral("cnn.kvx")), QStringLiteral("  \r\n")));
        clickTreeEntry(m, shelltext::kNavConnect);
        QCOMPARE(edit(f, "teParameter")->text(), QStringLiteral("COM1, 9600"));
        QVERIFY(widget<QCheckBox>(f, "CheckBox1")->isChecked());
        // Older files, in the old code page and trimmed on reading.
        QFile old(f.file(QStringLiteral("cnn.kvx")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(" COM12, 115200\r\n");
        old.close();
        clickTreeEntry(m, shelltext::kNavConnect);
        QCOMPARE(edit(f, "teParameter")->text(), QStringLiteral("COM12, 115200"));
        QVERIFY(!widget<QCheckBox>(f, "CheckBox1")->isChecked());
        QVERIFY(f.messages.all().isEmpty());
    }

    void refreshTimer() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        f.clock.advance(60000);
        QVERIFY(f.phone->calls.isEmpty());
        QVERIFY(f.messages.all().isEmpty());
        QVERIFY(edit(f, "teManufacture")->text().isEmpty());

        connectOnComOne(f);
        f.phone->script(QStringLiteral("GetBatteryLevel"), {40});
        f.phone->script(QStringLiteral("GetReceptionLevel"), {-2});
        f.clock.advance(60000);
        QCOMPARE(f.phone->count(QStringLiteral("GetManufacturer")), 1);
        QCOMPARE(f.phone->count(QStringLiteral("GetSMSC")), 1);
        QCOMPARE(edit(f, "teBattery")->text(), QStringLiteral("40"));
        QCOMPARE(m.strip->gaugeBattery->value(), 40);
        QCOMPARE(edit(f, "teReception")->text(), QStringLiteral("-2"));
        QCOMPARE(m.strip->gaugeReception->value(), 0);
        QVERIFY(f.messages.all().isEmpty());
    }

    // A device that stops answering: the refresh ends at its first time-out
    // instead of waiting out all twelve queries, and the timer tries again
    // after 1, 2, 4, then every 8 skipped ticks, until the device answers.
    void aSilentDeviceIsRefreshedLessAndLess() {
        ProgramFixture f;
        f.startShown();
        connectOnComOne(f);
        const QStringList queries{
            "GetManufacturer",   "GetModel",    "GetIMEI",     "GetNetworkInfo", "GetBatteryLevel",
            "GetReceptionLevel", "GetFirmware", "GetHardware", "GetDeviceTime",  "GetSMSC"};
        for (const QString& q : queries)
            f.phone->timingOut.insert(q);
        QList<int> triedAt; // minutes
        for (int minute = 1; minute <= 21; ++minute) {
            const int before = f.phone->calls.size();
            f.clock.advance(60000);
            if (f.phone->calls.size() > before) {
                QCOMPARE(f.phone->calls.size(), before + 1);
                triedAt.append(minute);
            }
        }
        QCOMPARE(triedAt, (QList<int>{1, 3, 6, 11, 20}));
        QVERIFY(f.main().isConnected());
        // The button is never skipped; it too stops at the first time-out.
        f.phone->calls.clear();
        click(widget<QPushButton>(f, "btnRefreshInfo"));
        QCOMPARE(f.phone->callNames(), QStringList{"GetManufacturer"});

        // Answering again: the next try is whole, and so is every tick after.
        f.phone->timingOut.clear();
        f.phone->calls.clear();
        f.clock.advance(8 * 60000);
        QCOMPARE(f.phone->count(QStringLiteral("GetSMSC")), 0);
        f.clock.advance(60000);
        QCOMPARE(f.phone->count(QStringLiteral("GetSMSC")), 1);
        f.clock.advance(60000);
        QCOMPARE(f.phone->count(QStringLiteral("GetSMSC")), 2);
        QVERIFY(f.messages.all().isEmpty());
    }

    // Pulled out, the device shows as disconnected at once and the operator
    // is told; lost in the middle of a refresh, the refresh stops and tells
    // once it is over.
    void aLostDeviceShowsAsDisconnected() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        connectOnComOne(f);
        f.phone->raiseConnectionLost();
        QTRY_VERIFY(!m.isConnected());
        QCOMPARE(f.messages.messages, QStringList{devicetext::kConnectionLost});
        for (const char* name : kHardwareFields)
            QVERIFY2(edit(f, name)->text().isEmpty(), name);
        QVERIFY(!m.strip->Timer1.isActive());
        f.phone->calls.clear();
        f.clock.advance(60000);
        QVERIFY(f.phone->calls.isEmpty());

        connectOnComOne(f);
        f.phone->duringCall = [&f](const QString& op) {
            if (op == QLatin1String("GetIMEI"))
                f.phone->raiseConnectionLost();
        };
        f.clock.advance(60000);
        QVERIFY(!m.isConnected());
        QCOMPARE(f.phone->count(QStringLiteral("GetNetworkInfo")), 0);
        QCOMPARE(f.messages.messages, QStringList{devicetext::kConnectionLost});
        QVERIFY(edit(f, "teIMEI")->text().isEmpty());
    }

    void refreshButton() {
        ProgramFixture f;
        f.startShown();
        click(widget<QPushButton>(f, "btnRefreshInfo"));
        QCOMPARE(f.messages.messages, QStringList{devicetext::kNotConnected});
        QVERIFY(f.phone->calls.isEmpty());

        connectOnComOne(f);
        f.phone->script(QStringLiteral("GetModel"), {QStringLiteral("Phone 2")});
        click(widget<QPushButton>(f, "btnRefreshInfo"));
        QCOMPARE(edit(f, "teModel")->text(), QStringLiteral("Phone 2"));
        QCOMPARE(f.phone->count(QStringLiteral("GetDeviceTime")), 1);
        QVERIFY(f.messages.all().isEmpty());
    }

    void disconnect() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        // The button is disabled while disconnected; the action itself refuses.
        f.program().connection->disconnectAction();
        QCOMPARE(f.messages.messages, QStringList{devicetext::kNotConnected});
        QVERIFY(f.phone->calls.isEmpty());

        connectOnComOne(f);
        f.phone->script(QStringLiteral("Disconnect"), {0});
        click(widget<QPushButton>(f, "btnDisconnect"));
        QCOMPARE(f.messages.messages, QStringList{devicetext::kDisconnectFailed});
        QVERIFY(m.isConnected());
        QCOMPARE(edit(f, "teModel")->text(), QStringLiteral("Phone 1"));
        QVERIFY(m.strip->Timer1.isActive());

        f.messages.clear();
        f.phone->script(QStringLiteral("Disconnect"), {1});
        click(widget<QPushButton>(f, "btnDisconnect"));
        QCOMPARE(f.messages.messages, QStringList{devicetext::kDisconnected});
        QVERIFY(!m.isConnected());
        QVERIFY(widget<QPushButton>(f, "btnConnect")->isEnabled());
        QVERIFY(!widget<QPushButton>(f, "btnDisconnect")->isEnabled());
        for (const char* name : kHardwareFields)
            QVERIFY2(edit(f, name)->text().isEmpty(), name);
        QCOMPARE(edit(f, "teSMSC")->text(), QStringLiteral("+989120000000"));
        QCOMPARE(m.strip->gaugeBattery->value(), 0);
        QCOMPARE(m.strip->gaugeReception->value(), 0);
        QVERIFY(m.strip->imo->isHidden() && m.strip->sa1->isHidden() && m.strip->sa2->isHidden() &&
                m.strip->sa3->isHidden());
        QVERIFY(!m.strip->Timer1.isActive());
        // And the refresh timer is quiet again.
        f.phone->calls.clear();
        f.clock.advance(60000);
        QVERIFY(f.phone->calls.isEmpty());
    }

    // The device time shows whole in the program's font and in a wider
    // one, the field growing away from its caption, never over it.
    void deviceTimeShowsWhole() {
        ProgramFixture f;
        f.startShown();
        connectOnComOne(f);
        QLineEdit* time = edit(f, "teTime");
        auto* caption = f.main().page(1)->findChild<QLabel*>(QStringLiteral("lblTime"));
        QVERIFY(caption);
        const int right = time->geometry().right();
        auto fits = [time] {
            return time->width() >= time->fontMetrics().horizontalAdvance(time->text()) + 8;
        };
        QCOMPARE(time->text(), QStringLiteral("2010/03/21 10:00:00"));
        QVERIFY(fits());
        QFont wide = time->font();
        wide.setPointSizeF(wide.pointSizeF() * 1.3);
        f.main().setFont(wide);
        QCOMPARE(time->font().pointSizeF(), wide.pointSizeF());
        QVERIFY(fits());
        QCOMPARE(time->geometry().right(), right);
        QVERIFY(time->geometry().right() < caption->geometry().left());
        QVERIFY(time->geometry().left() > 0);
    }

    void setTimeAndMessageCentre() {
        ProgramFixture f;
        f.startShown();
        click(widget<QPushButton>(f, "btnSetTime"));
        click(widget<QToolButton>(f, "SpeedButton9"));
        QCOMPARE(f.messages.messages,
                 (QStringList{devicetext::kNotConnected, devicetext::kConnectFirst}));
        QVERIFY(f.phone->calls.isEmpty());

        connectOnComOne(f);
        QLineEdit* time = edit(f, "teTime");
        time->clear();
        QTest::keyClicks(time, QStringLiteral("2010/03/22 08:15:00"));
        f.phone->script(QStringLiteral("SetDeviceTime"), {1, 0});
        click(widget<QPushButton>(f, "btnSetTime"));
        click(widget<QPushButton>(f, "btnSetTime"));
        QCOMPARE(f.phone->callsOf(QStringLiteral("SetDeviceTime"))[0].args,
                 QVariantList{QStringLiteral("2010/03/22 08:15:00")});

        edit(f, "teSMSC")->setText(QStringLiteral("+989350001000"));
        f.phone->script(QStringLiteral("SetSMSC"), {1, 0});
        click(widget<QToolButton>(f, "SpeedButton9"));
        click(widget<QToolButton>(f, "SpeedButton9"));
        QCOMPARE(f.phone->callsOf(QStringLiteral("SetSMSC"))[0].args,
                 QVariantList{QStringLiteral("+989350001000")});
        QCOMPARE(f.messages.messages,
                 (QStringList{devicetext::kTimeSet, devicetext::kTimeSetFailed,
                              devicetext::kSmscStored, devicetext::kOperationFailed}));
        QVERIFY(f.main().isConnected());
    }

    void optionBoxesWriteTheControl() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        // The composer's recount is watched here in place of the send page.
        f.program().sending.reset();
        f.program().sendPage.reset();
        int recounts = 0;
        HookFill fillRecount = m.hooks.sending.recount.fill([&] {
            ++recounts;
            // The recount sees the new setting.
            QCOMPARE(m.KylixSMS1.IsConcatenatedSMS(), 0);
        });
        m.selectPage(2);
        clickBox(widget<QCheckBox>(f, "cbConcatenatedSMS"));
        QCOMPARE(m.KylixSMS1.IsConcatenatedSMS(), 0);
        QCOMPARE(f.phone->lastProperties.IsConcatenatedSMS, 0);
        QCOMPARE(recounts, 1);
        fillRecount.release();
        fillRecount = m.hooks.sending.recount.fill([&] { ++recounts; });
        clickBox(widget<QCheckBox>(f, "cbConcatenatedSMS"));
        QCOMPARE(m.KylixSMS1.IsConcatenatedSMS(), 1);
        QCOMPARE(recounts, 2);

        clickBox(widget<QCheckBox>(f, "cbDeleteAllReport"));
        QCOMPARE(m.KylixSMS1.AutoDeleteAllReport(), 1);
        QCOMPARE(f.phone->lastProperties.AutoDeleteAllReport, 1);
        clickBox(widget<QCheckBox>(f, "cbDeleteAllReport"));
        QCOMPARE(m.KylixSMS1.AutoDeleteAllReport(), 0);
        QCOMPARE(recounts, 2);
        // Written whether or not a device is connected; no device was asked.
        QVERIFY(f.phone->calls.isEmpty());
        QVERIFY(f.messages.all().isEmpty());
    }

    void lampMarkerGoesRound() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        connectOnComOne(f);
        QCOMPARE(m.strip->imo->x(), 568);
        QList<int> seen;
        for (int i = 0; i < 4; ++i) {
            f.clock.advance(650);
            seen << m.strip->imo->x();
        }
        QCOMPARE(seen, (QList<int>{590, 612, 568, 590}));
        QCOMPARE(m.strip->imo->y(), 20);
        // A marker anywhere else stays there.
        m.strip->imo->move(600, 20);
        f.clock.advance(650 * 3);
        QCOMPARE(m.strip->imo->x(), 600);
    }
};

QTEST_MAIN(ConnectionPagesTest)
#include "test_connection_pages.moc"
