// The modems page in the whole program, driven by its widgets' names, and
// what the pool changes elsewhere: every modem's received messages and
// reports land with their modem, an old message log keeps opening, and the
// SIM charge and device pages act on the modem chosen on the page.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QtTest>

#include "ProgramFixture.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "device/KylixSMS.h"
#include "device/ModemList.h"
#include "device/ModemPool.h"
#include "device/ModemTexts.h"
#include "incoming/IncomingTexts.h"
#include "incoming/ui/DeliveryReportWindow.h"
#include "incoming/ui/TFormUSSD.h"
#include "sending/ui/SendPage.h"
#include "sending/ui/SendingSubsystem.h"

namespace {
template <typename T> T* find(QWidget* root, const char* name) {
    T* w = root->findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

// A second modem on COM4 labelled "MCI", in the file before the start.
void listSecondModem(const QString& dir) {
    QSettings ini(dir + ModemList::kFile, QSettings::IniFormat);
    ini.setValue(QStringLiteral("modems/size"), 2);
    ini.setValue(QStringLiteral("modems/2/port"), QStringLiteral("COM4"));
    ini.setValue(QStringLiteral("modems/2/label"), QStringLiteral("MCI"));
}

struct ReciRow {
    QString num, matn;
    QVariant modem;
};
QList<ReciRow> reciRows(const QString& file) {
    QList<ReciRow> out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("t"));
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("select num, matn, modem from reci order by rowid"));
            while (q.next())
                out.append({q.value(0).toString(), q.value(1).toString(), q.value(2)});
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("t"));
    return out;
}
} // namespace

class ModemPoolPageTest : public QObject {
    Q_OBJECT

    QList<ScriptedPhone*> m_phones;

private Q_SLOTS:
    void init() {
        m_phones.clear();
        ModemPool::setBackendFactory([this] {
            auto phone = std::make_unique<ScriptedPhone>();
            m_phones.append(phone.get());
            return std::unique_ptr<SmsBackend>(std::move(phone));
        });
    }
    void cleanup() { ModemPool::setBackendFactory(nullptr); }

    void thePageListsAddsConnectsAndRemoves() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        m.KylixSMS1.setConnectionParameter(QStringLiteral("COM3, 9600"));
        // Its entry in the tree, under the settings.
        QTreeWidgetItem* item = nullptr;
        for (QTreeWidgetItemIterator it(m.TreeView1); *it; ++it) {
            if ((*it)->text(0) == modemtext::kNavModems)
                item = *it;
        }
        QVERIFY(item);
        m.TreeView1->setCurrentItem(item);
        QTest::mouseClick(m.TreeView1->viewport(), Qt::LeftButton, {},
                          m.TreeView1->visualItemRect(item).center());
        QCOMPARE(m.currentPage(), int(Page::Modems));

        QWidget* page = m.page(int(Page::Modems));
        auto* table = find<QTableWidget>(page, "tblModems");
        auto* port = find<QLineEdit>(page, "tePort");
        auto* label = find<QLineEdit>(page, "teModemLabel");
        ModemPool& pool = *f.program().pool;
        Q_EMIT pool.changed();
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("COM3"));

        port->setText(QStringLiteral("COM4"));
        label->setText(QStringLiteral(u"ایرانسل"));
        find<QPushButton>(page, "btnAddModem")->click();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, 3)->text(), QStringLiteral(u"ایرانسل"));
        QVERIFY(f.messages.messages.isEmpty());
        // Modem 1's port and the new one's are refused, nothing added.
        for (const char* taken : {"com4", "COM3"}) {
            port->setText(QString::fromLatin1(taken));
            find<QPushButton>(page, "btnAddModem")->click();
            QCOMPARE(f.messages.messages.takeLast(), modemtext::kDuplicatePort);
            QCOMPARE(table->rowCount(), 2);
        }
        QSettings ini(f.file(ModemList::kFile), QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("modems/2/port")).toString(), QStringLiteral("COM4"));

        // Choosing the row again shows its own fields, not the refused ones.
        table->setCurrentCell(0, 0);
        table->setCurrentCell(1, 0);
        QCOMPARE(port->text(), QStringLiteral("COM4"));
        find<QPushButton>(page, "btnConnectModem")->click();
        QCOMPARE(m_phones.last()->count(QStringLiteral("Connect")), 1);
        QCOMPARE(table->item(1, 5)->text(), modemtext::kStateConnected);
        QCOMPARE(table->item(1, 6)->text(), QStringLiteral("80"));
        find<QPushButton>(page, "btnDisconnectModem")->click();
        QCOMPARE(table->item(1, 5)->text(), modemtext::kStateDisconnected);
        QCOMPARE(m_phones.last()->count(QStringLiteral("Disconnect")), 1);

        // A limit and the switch changed on the row, kept in the file.
        find<QSpinBox>(page, "sbDailyLimit")->setValue(450);
        find<QCheckBox>(page, "cbModemEnabled")->setChecked(false);
        find<QPushButton>(page, "btnUpdateModem")->click();
        QCOMPARE(table->item(1, 4)->text(), QStringLiteral("450"));
        QCOMPARE(table->item(1, 5)->text(), modemtext::kStateOff);
        ini.sync();
        QCOMPARE(ini.value(QStringLiteral("modems/2/limit")).toInt(), 450);
        QCOMPARE(pool.modems().size(), 1);

        table->setCurrentCell(0, 0);
        find<QPushButton>(page, "btnRemoveModem")->click();
        QCOMPARE(f.messages.messages.takeLast(), modemtext::kFirstStays);
        table->setCurrentCell(1, 0);
        find<QPushButton>(page, "btnRemoveModem")->click();
        QCOMPARE(table->rowCount(), 1);

        // The simulators ./run starts are found by their virtual ports.
        QDir().mkpath(f.file(QStringLiteral("ports")));
        for (const char* name : {"COM3", "COM10", "COM5", "notes.txt"}) {
            QFile file(f.file(QStringLiteral("ports/")) + QString::fromLatin1(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        find<QPushButton>(page, "btnFindModems")->click();
        QCOMPARE(f.messages.messages.takeLast(), modemtext::kFound + QStringLiteral("2"));
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral("COM5"));
        QCOMPARE(table->item(2, 1)->text(), QStringLiteral("COM10"));

        // The sending hours, under the keys a run reads.
        find<QCheckBox>(page, "cbHoursEnabled")->setChecked(true);
        find<QTimeEdit>(page, "teHoursFrom")->setTime(QTime(22, 0));
        find<QTimeEdit>(page, "teHoursTo")->setTime(QTime(7, 30));
        find<QPushButton>(page, "btnSaveHours")->click();
        QCOMPARE(f.messages.messages.takeLast(), modemtext::kHoursSaved);
        ini.sync();
        QCOMPARE(ini.value(QStringLiteral("hours/from")).toString(), QStringLiteral("22:00"));
        QCOMPARE(ini.value(QStringLiteral("hours/to")).toString(), QStringLiteral("07:30"));
        QVERIFY(ini.value(QStringLiteral("hours/enabled")).toBool());
    }

    void incomingRowsCarryTheirModem() {
        ProgramFixture f;
        listSecondModem(f.dir());
        f.startShown();
        f.main().KylixSMS1.setConnectionParameter(QStringLiteral("COM3, 9600"));
        QCOMPARE(m_phones.size(), 1);
        ScriptedPhone& second = *m_phones.first();
        // The same sender on both modems at once: two messages, not one.
        f.phone->raiseNewSms({1, 1, QStringLiteral("09121111111"), QStringLiteral("first"),
                              QString(), QString(), 0, 0});
        second.raiseNewSms({1, 1, QStringLiteral("09121111111"), QStringLiteral("second"),
                            QString(), QString(), 0, 0});
        QTRY_VERIFY(f.main().Timer7.isActive());
        QCoreApplication::processEvents();
        f.clock.advance(12000);
        const QList<ReciRow> rows = reciRows(f.file(QStringLiteral("sere.dll")));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).matn, QStringLiteral("first"));
        QCOMPARE(rows.at(0).modem.toString(), QStringLiteral("COM3"));
        QCOMPARE(rows.at(1).matn, QStringLiteral("second"));
        QCOMPARE(rows.at(1).modem.toString(), QStringLiteral("MCI (COM4)"));
        // The inbox shows the modem beside the status.
        auto* grid = find<QTableView>(f.main().page(int(Page::Inbox)), "DBGrid4");
        f.main().db.ADOTable6.close();
        f.main().db.ADOTable6.open();
        QCOMPARE(grid->model()->headerData(4, Qt::Horizontal).toString(), incomingtext::kColModem);
        QCOMPARE(grid->model()->index(1, 4).data().toString(), QStringLiteral("MCI (COM4)"));

        // A report of a group run from modem 2 names it in the list.
        f.program().sending.reset();
        f.program().sendPage.reset();
        const HookFill mode =
            f.main().hooks.sending.recipientMode.fill([] { return RecipientMode::OneGroup; });
        second.raiseDeliveryReport(
            {1, 2, QStringLiteral("+989121111111"), QStringLiteral("10/03/21,09:31:00"), 7, 1});
        QTRY_VERIFY(f.program().Form8->listText().contains(QStringLiteral("MCI (COM4)")));
        QVERIFY(f.program().Form8->listText().contains(incomingtext::kReportModem));
    }

    void anOldMessageLogOpensAndKeepsItsRows() {
        ProgramFixture f;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            db.setDatabaseName(f.file(QStringLiteral("sere.dll")));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("create table send(num varchar(50),time varchar(5),date "
                                          "varchar(14),pos varchar(10),matn text)")));
            QVERIFY(q.exec(QStringLiteral("create table reci(num varchar(50),time varchar(5),date "
                                          "varchar(14),pos varchar(10),matn text)")));
            QVERIFY(q.exec(QStringLiteral("insert into reci values('0912','09:00','1389/01/01',"
                                          "'new','old')")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));
        f.startShown();
        QVERIFY(f.main().db.logOpen());
        QVERIFY(f.main().db.logHasModem());
        f.phone->raiseNewSms(
            {1, 1, QStringLiteral("0935"), QStringLiteral("later"), QString(), QString(), 0, 0});
        QTRY_VERIFY(f.main().Timer7.isActive());
        f.clock.advance(12000);
        const QList<ReciRow> rows = reciRows(f.file(QStringLiteral("sere.dll")));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).matn, QStringLiteral("old"));
        QVERIFY(rows.at(0).modem.isNull());
        // One modem: the row is as it always was.
        QVERIFY(rows.at(1).modem.isNull());
        QCOMPARE(rows.at(1).matn, QStringLiteral("later"));
    }

    void chargeAndDevicePagesActOnTheChosenModem() {
        ProgramFixture f;
        listSecondModem(f.dir());
        f.startShown();
        ScriptedPhone& second = *m_phones.first();
        ModemPool& pool = *f.program().pool;
        QWidget* modems = f.main().page(int(Page::Modems));
        auto* chosen = find<QComboBox>(modems, "cmbChosenModem");
        QCOMPARE(chosen->count(), 2);
        QCOMPARE(chosen->currentIndex(), 0);
        QWidget* charge = f.main().page(int(Page::SimCharge));
        find<QLineEdit>(charge, "teCallNumber")->setText(QStringLiteral("*140#"));

        // Modem 2 chosen but not connected: the operator is told.
        chosen->setCurrentIndex(1);
        Q_EMIT chosen->activated(1);
        QCOMPARE(pool.chosen(), 1);
        find<QPushButton>(charge, "btnDialCall")->click();
        QCOMPARE(f.messages.messages.takeLast(), incomingtext::kNotConnected);
        QCOMPARE(second.count(QStringLiteral("Dial")), 0);

        QVERIFY(pool.connectModem(1));
        find<QPushButton>(charge, "btnDialCall")->click();
        QCOMPARE(second.count(QStringLiteral("Dial")), 1);
        QCOMPARE(second.callsOf(QStringLiteral("Dial")).first().args.first().toString(),
                 QStringLiteral("*140#"));
        QCOMPARE(f.phone->count(QStringLiteral("Dial")), 0);
        // Its answer is shown and its session ended on the same modem.
        second.raiseUssd(QStringLiteral("Credit: 1000"));
        QTRY_VERIFY(f.modalShown.contains(f.program().FormUSSD));
        QCOMPARE(f.program().FormUSSD->answer(), QStringLiteral("Credit: 1000"));
        QCOMPARE(second.count(QStringLiteral("EndUSSD")), 1);
        QCOMPARE(f.phone->count(QStringLiteral("EndUSSD")), 0);

        // The hardware fields show the chosen modem's answers.
        second.script(QStringLiteral("GetManufacturer"), {QStringLiteral("Second")});
        QWidget* connect = f.main().page(int(Page::Connect));
        find<QPushButton>(connect, "btnRefreshInfo")->click();
        QCOMPARE(find<QLineEdit>(connect, "teManufacture")->text(), QStringLiteral("Second"));
        QCOMPARE(f.phone->count(QStringLiteral("GetManufacturer")), 0);

        // Back on modem 1, which is not connected: nothing reaches modem 2.
        chosen->setCurrentIndex(0);
        Q_EMIT chosen->activated(0);
        find<QPushButton>(charge, "btnDialCall")->click();
        QCOMPARE(f.messages.messages.takeLast(), incomingtext::kNotConnected);
        QCOMPARE(second.count(QStringLiteral("Dial")), 1);
        find<QPushButton>(connect, "btnRefreshInfo")->click();
        QVERIFY(find<QLineEdit>(connect, "teManufacture")->text().isEmpty());
    }
};

QTEST_MAIN(ModemPoolPageTest)
#include "test_modem_pool_page.moc"
