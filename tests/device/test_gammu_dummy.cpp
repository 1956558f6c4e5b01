// The libgammu backend as the program uses it, behind the SMS control,
// against libgammu's dummy phone: a folder that holds the phone's state.
#include <QtTest>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "device/DeviceBackend.h"
#include "device/KylixSMS.h"
#include "device/pdu/TextSplit.h"

namespace {

QStringList g_log; // the backend's "tavrik.gammu" lines
QtMessageHandler g_previous = nullptr;

void capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (context.category && qstrcmp(context.category, "tavrik.gammu") == 0)
        g_log.append(message);
    else
        g_previous(type, context, message);
}

QString ucs2Hex(const QString& text) {
    QString hex;
    for (const QChar c : text)
        hex += QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return hex;
}

// A message in the dummy phone's folder, in libgammu's backup format.
void store(const QString& phoneDir, int folder, int location, const QString& state,
           const QString& number, const QString& text, const QString& pduType) {
    QDir().mkpath(QStringLiteral("%1/sms/%2").arg(phoneDir).arg(folder));
    QFile f(QStringLiteral("%1/sms/%2/%3").arg(phoneDir).arg(folder).arg(location));
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QString body = QStringLiteral("[SMSBackup000]\r\n"
                                        "PDU = %1\r\n"
                                        "DateTime = 20240501T134510Z\r\n"
                                        "State = %2\r\n"
                                        "Number = \"%3\"\r\n"
                                        "NumberUnicode = %4\r\n"
                                        "Text00 = %5\r\n"
                                        "Coding = Unicode_No_Compression\r\n"
                                        "Folder = %6\r\n"
                                        "Length = %7\r\n"
                                        "Class = -1\r\n")
                             .arg(pduType, state, number, ucs2Hex(number), ucs2Hex(text))
                             .arg(folder)
                             .arg(text.size());
    f.write(body.toUtf8());
}

struct Phone {
    QTemporaryDir dir;
    KylixSMS sms;
    QString phoneDir() const { return dir.filePath(QStringLiteral("phone")); }
    Phone() {
        QDir().mkpath(phoneDir());
        sms.setBackend(makeDeviceBackend(dir.path()));
        sms.setConnectionProtocol(2);
        sms.setConnectionParameter(phoneDir() + QStringLiteral(", dummy"));
    }
    QString operations() const {
        QFile f(phoneDir() + QStringLiteral("/operations.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

} // namespace

class GammuDummyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { g_previous = qInstallMessageHandler(capture); }
    void cleanupTestCase() { qInstallMessageHandler(g_previous); }
    void init() { g_log.clear(); }

    void identityAndSettingsOfTheDummyPhone() {
        Phone p;
        QCOMPARE(p.sms.Connect(), 1);
        QCOMPARE(p.sms.GetManufacturer(), QStringLiteral("Gammu"));
        QVERIFY(!p.sms.GetModel().isEmpty());
        QCOMPARE(p.sms.GetIMEI(), QStringLiteral("999999999999999"));
        QVERIFY(!p.sms.GetFirmware().isEmpty());
        QVERIFY(!p.sms.GetHardware().isEmpty());
        QCOMPARE(p.sms.GetBatteryLevel(), 100);
        QCOMPARE(p.sms.GetReceptionLevel(), 42);
        QVERIFY(!p.sms.GetNetworkInfo().isEmpty());
        // The device clock reads in the operator's form and is written back.
        const QString time = p.sms.GetDeviceTime();
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d [+-]"))
                .match(time)
                .hasMatch(),
            qPrintable(time));
        QCOMPARE(p.sms.SetDeviceTime(time), 1);
        QCOMPARE(p.sms.SetDeviceTime(QStringLiteral("tomorrow")), 0);
        QCOMPARE(p.sms.SetSMSC(QStringLiteral("+989120000000")), 1);
        QCOMPARE(p.sms.GetSMSC(), QStringLiteral("+989120000000"));
        QCOMPARE(p.sms.SetSMSC(QStringLiteral("+98\"; drop")), 0);
        QCOMPARE(p.sms.GetSMSC(), QStringLiteral("+989120000000"));
    }

    void sendsSinglePartPersianAndTheOptions() {
        Phone p;
        QCOMPARE(p.sms.Connect(), 1);
        p.sms.setNeedLog(1);
        const QString persian = QString(100, QChar(0x0633));
        const QString latin = QString(200, QLatin1Char('a'));
        QCOMPARE(p.sms.SendSMS(QStringLiteral("09121234567"), QStringLiteral("salam")), 1);
        // As many parts as the composer counts, concatenated or not.
        for (int concat : {1, 0}) {
            p.sms.setIsConcatenatedSMS(concat);
            for (const QString& text : {persian, latin})
                QCOMPARE(p.sms.SendSMS(QStringLiteral("+989121234567"), text),
                         gsm::measure(text, concat == 1).parts);
        }
        p.sms.setIsFlashSMS(1);
        p.sms.setRequestDeliveryReport(1);
        p.sms.setSMSValidity(1);
        QCOMPARE(p.sms.SendSMS(QStringLiteral("09121234567"), persian), 2);
        QVERIFY(g_log.contains(QStringLiteral("part 2 of 2 to 09121234567 sent")));
        // Nothing that could not be a number goes out.
        QCOMPARE(p.sms.SendSMS(QStringLiteral("0912;ATD"), QStringLiteral("x")), 0);
        QCOMPARE(p.sms.SendSMS(QStringLiteral("09121234567"), QString()), 0);
    }

    void readsStoredMessagesFolderByFolder() {
        Phone p;
        const QString persian = QStringLiteral("سلام دنیا");
        store(p.phoneDir(), 1, 1, QStringLiteral("UnRead"), QStringLiteral("+989121111111"),
              persian, QStringLiteral("Deliver"));
        store(p.phoneDir(), 2, 1, QStringLiteral("Sent"), QStringLiteral("09122222222"),
              QStringLiteral("sent one"), QStringLiteral("Submit"));
        QCOMPARE(p.sms.Connect(), 1);
        QStringList rows;
        for (int first = 1; p.sms.ReadAllSMS(first) == 1; first = 0)
            rows << QStringLiteral("%1|%2|%3|%4|%5")
                        .arg(p.sms.GetSMSFolderName(p.sms.LastReadSMSFolder()))
                        .arg(p.sms.LastReadSMSStatus())
                        .arg(p.sms.LastReadSMSNumber(), p.sms.LastReadSMSText())
                        .arg(p.sms.LastReadSMSCoding());
        QCOMPARE(rows, (QStringList{QStringLiteral("Inbox|1|+989121111111|") + persian +
                                        QStringLiteral("|2"),
                                    QStringLiteral("Outbox|4|09122222222|sent one|2")}));
        QVERIFY(!p.sms.LastReadSMSTime().isEmpty());
        // Read again from the start after a reset of the listing.
        QCOMPARE(p.sms.ResetState(0), 1);
        QCOMPARE(p.sms.ReadAllSMS(0), 0);
        QCOMPARE(p.sms.ReadAllSMS(1), 1);
    }

    void callsAndServiceCodesReachThePhone() {
        Phone p;
        QCOMPARE(p.sms.Connect(), 1);
        QCOMPARE(p.sms.Dial(QStringLiteral("*140#")), 1);
        QCOMPARE(p.sms.Dial(QStringLiteral("09123334444")), 1);
        QCOMPARE(p.sms.Dial(QStringLiteral("*140#\r\nATZ")), 0);
        QCOMPARE(p.sms.EndCall(), 1);
        // libgammu cannot end a USSD session.
        QCOMPARE(p.sms.EndUSSD(), 0);
        QCOMPARE(p.sms.Disconnect(), 1); // the dummy writes its log at the end
        QCOMPARE(p.operations(), QStringLiteral("Dialling service *140#\n"
                                                "Dialling 09123334444\n"
                                                "Canceling call 0 (1)\n"));
    }

    void withoutAPhoneEveryOperationFailsWithTheControlsResult() {
        Phone p;
        p.sms.setConnectionParameter(p.dir.filePath(QStringLiteral("no-such-folder")) +
                                     QStringLiteral(", dummy"));
        QCOMPARE(p.sms.Connect(), 0);
        QVERIFY(p.sms.GetIMEI().isEmpty());
        QCOMPARE(p.sms.GetReceptionLevel(), -1);
        QCOMPARE(p.sms.GetBatteryLevel(), 0);
        QCOMPARE(p.sms.SendSMS(QStringLiteral("09121234567"), QStringLiteral("x")), 0);
        QCOMPARE(p.sms.ReadAllSMS(1), 0);
        QCOMPARE(p.sms.Dial(QStringLiteral("*140#")), 0);
        // A phone connected and let go answers no more.
        p.sms.setConnectionParameter(p.phoneDir() + QStringLiteral(", dummy"));
        QCOMPARE(p.sms.Connect(), 1);
        QCOMPARE(p.sms.Disconnect(), 1);
        QVERIFY(p.sms.GetIMEI().isEmpty());
        QCOMPARE(p.sms.SetSMSC(QStringLiteral("+98912")), 0);
    }
};

QTEST_MAIN(GammuDummyTest)
#include "test_gammu_dummy.moc"
