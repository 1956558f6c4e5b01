// Backup and restore of the contacts file: where the backup goes, a copy
// that is checked, the write probe, refusals that leave the live file as it
// was, and the restore that ends the program.
#include <QtTest>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

#include <functional>

#include "StoreTestSupport.h"
#include "app/ProgramRoot.h"
#include "store/ui/BackupPage.h"
#include "store/ContactsBackup.h"
#include "store/StoreTexts.h"

using namespace storetest;
using namespace storetext;

namespace {
// Long enough for every pause of either operation.
constexpr int kAllSteps = 5000;

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

BackupPage& page(ProgramFixture& f) {
    return *f.program().backup;
}

QString gnames(const QString& file) {
    QStringList out;
    for (const QStringList& r :
         sqlRows(file, QStringLiteral("select gname from groups order by code")))
        out.append(r[0]);
    return out.join(QLatin1Char(','));
}

struct Program {
    ProgramFixture f;
    explicit Program(const QString& dir = QString()) : f(dir) {
        f.startShown();
        writeBytes(f.file(ContactsBackup::kProbeSource), "1");
        f.main().selectPage(9);
        f.messages.clear();
    }
    void backupTo(const QString& chosen) {
        f.dialogs.directories = {chosen};
        click(f, "BitBtn45");
    }
    void restoreFrom(const QString& chosen) {
        f.dialogs.directories = {chosen};
        click(f, "BitBtn46");
    }
    void runSteps() { f.clock.advance(kAllSteps); }
    QString text(const char* name) const { return widget<QLineEdit>(f, name)->text(); }
    bool buttonsEnabled() const {
        return widget<QPushButton>(f, "BitBtn45")->isEnabled() &&
               widget<QPushButton>(f, "BitBtn46")->isEnabled();
    }
};
} // namespace

class BackupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backupFolderPaths() {
        QCOMPARE(ContactsBackup::backupFolder(QStringLiteral("/media/data")),
                 QStringLiteral("/media/data/Tavrik Backup/"));
        QCOMPARE(ContactsBackup::backupFolder(QStringLiteral("/")),
                 QStringLiteral("/Tavrik Backup/"));
        QCOMPARE(ContactsBackup::backupFolder(QStringLiteral("/media/usb/")),
                 QStringLiteral("/media/usb/Tavrik Backup/"));
    }

    void backupCopiesTheFileAndTheDate() {
        Program p;
        createGroup(p.f, QStringLiteral("friends"));
        p.f.messages.clear();
        QTemporaryDir target;
        p.backupTo(target.path());
        // While the steps wait the page shows it and nothing can be started.
        QVERIFY(widget<QLabel>(p.f, "wait1")->isVisible());
        QVERIFY(!p.buttonsEnabled());
        QVERIFY(!p.f.main().db.contactsOpen());
        QVERIFY(page(p.f).busy());
        QCOMPARE(p.f.dialogs.captions, QStringList{kBackupTitle});
        p.runSteps();
        QCOMPARE(p.f.messages.messages, QStringList{kBackupDone});
        const QString folder = target.path() + QStringLiteral("/Tavrik Backup/");
        QCOMPARE(p.text("Edit100"), QDir::toNativeSeparators(folder));
        QCOMPARE(bytes(folder + "kormsBack.cfg"), bytes(korms(p.f)));
        QCOMPARE(gnames(folder + "kormsBack.cfg").split(',').last(), QStringLiteral("friends"));
        QCOMPARE(bytes(folder + "tarikh.txt"), QByteArray("1389/01/01\r\n"));
        QVERIFY(!QFile::exists(folder + "kormsBack.cfg.part"));
        // Connected again, ready for the next operation.
        QVERIFY(p.f.main().db.contactsOpen());
        QVERIFY(p.buttonsEnabled());
        QVERIFY(!widget<QLabel>(p.f, "wait1")->isVisible());
        QVERIFY(!page(p.f).busy());
        QCOMPARE(QDir::currentPath() + '/', p.f.dir());
    }

    void backupIntoAPathEndingInSlashAddsNoSecondSlash() {
        Program p;
        QTemporaryDir target;
        p.backupTo(target.path() + QLatin1Char('/'));
        p.runSteps();
        QCOMPARE(p.f.messages.messages, QStringList{kBackupDone});
        QVERIFY(!p.text("Edit100").contains(QStringLiteral("//")));
        QVERIFY(QFile::exists(target.path() + QStringLiteral("/Tavrik Backup/kormsBack.cfg")));
    }

    void secondBackupReplacesTheFirst() {
        Program p;
        QTemporaryDir target;
        const QString folder = target.path() + QStringLiteral("/Tavrik Backup/");
        p.backupTo(target.path());
        p.runSteps();
        createGroup(p.f, QStringLiteral("later"));
        p.f.clock.setNow(QDateTime(QDate(2010, 5, 21), QTime(10, 0)));
        p.f.main().clockTick();
        p.f.messages.clear();
        p.backupTo(target.path());
        p.runSteps();
        QCOMPARE(p.f.messages.messages, QStringList{kBackupDone});
        QVERIFY(gnames(folder + "kormsBack.cfg").endsWith(QStringLiteral("later")));
        QCOMPARE(bytes(folder + "kormsBack.cfg"), bytes(korms(p.f)));
        QCOMPARE(bytes(folder + "tarikh.txt"), QByteArray("1389/02/31\r\n"));
    }

    void failedCopyKeepsThePreviousBackup() {
        Program p;
        QTemporaryDir target;
        const QString folder = target.path() + QStringLiteral("/Tavrik Backup/");
        p.backupTo(target.path());
        p.runSteps();
        const QByteArray first = bytes(folder + "kormsBack.cfg");
        createGroup(p.f, QStringLiteral("later"));
        // The temporary copy cannot be written.
        QVERIFY(QDir().mkdir(folder + "kormsBack.cfg.part"));
        p.f.messages.clear();
        p.backupTo(target.path());
        p.runSteps();
        QCOMPARE(p.f.messages.messages, QStringList{kOperationFailed});
        QCOMPARE(p.f.messages.errors.size(), 1);
        QCOMPARE(bytes(folder + "kormsBack.cfg"), first);
        QVERIFY(p.f.main().db.contactsOpen());
        QVERIFY(p.buttonsEnabled());
    }

    void backupIntoAFolderThatCannotBeMadeFails() {
        Program p;
        QTemporaryDir target;
        p.backupTo(target.path() + QStringLiteral("/missing/deeper"));
        p.runSteps();
        QCOMPARE(p.f.messages.messages, QStringList{kOperationFailed});
        QVERIFY(!QFile::exists(target.path() + QStringLiteral("/missing")));
        QVERIFY(p.f.main().db.contactsOpen());
        QVERIFY(p.buttonsEnabled());
        QVERIFY(!widget<QLabel>(p.f, "wait1")->isVisible());
    }

    void cancelledBrowserChangesNothing() {
        Program p;
        const QByteArray live = bytes(korms(p.f));
        click(p.f, "BitBtn45");
        QCOMPARE(p.text("Edit100"), kNoPath);
        QVERIFY(p.f.main().db.contactsOpen());
        click(p.f, "BitBtn46");
        QCOMPARE(p.text("Edit101"), kNoPath);
        QVERIFY(p.f.messages.all().isEmpty());
        QCOMPARE(bytes(korms(p.f)), live);
        QVERIFY(p.f.main().db.contactsOpen());
    }

    void backupHoldsRowsStillInTheWriteAheadLog() {
        QTemporaryDir dir;
        {
            ProgramFixture first(dir.path());
            first.start();
        }
        const QString file = dir.filePath(QStringLiteral("korms.dll"));
        sqlRows(file, QStringLiteral("pragma journal_mode=wal"));
        Program p(dir.path());
        QTemporaryDir target;
        {
            // Another connection commits a row and stays open, so nothing
            // folds the log into the file by itself.
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other");
            other.setDatabaseName(file);
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec("insert into groups(code,gname,gcode) values(7,'in the log','7')"));
            QVERIFY(QFileInfo(file + "-wal").size() > 0);
            p.backupTo(target.path());
            p.runSteps();
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QCOMPARE(p.f.messages.messages, QStringList{kBackupDone});
        // The copy alone, without any log beside it, holds the row.
        QTemporaryDir alone;
        QVERIFY(
            QFile::copy(target.path() + "/Tavrik Backup/kormsBack.cfg", alone.filePath("copy.db")));
        QVERIFY(gnames(alone.filePath("copy.db")).endsWith(QStringLiteral("in the log")));
    }

    void restoreReplacesTheLiveFileAndEndsTheProgram() {
        QTemporaryDir dir;
        QTemporaryDir target;
        const QString folder = target.path() + QStringLiteral("/Tavrik Backup/");
        QByteArray replaced;
        {
            Program p(dir.path());
            createGroup(p.f, QStringLiteral("saved"));
            p.backupTo(target.path());
            p.runSteps();
            createGroup(p.f, QStringLiteral("after the backup"));
            replaced = bytes(korms(p.f));
            p.f.messages.clear();
            p.restoreFrom(folder);
            QVERIFY(widget<QLabel>(p.f, "wait2")->isVisible());
            QVERIFY(!p.buttonsEnabled());
            QCOMPARE(p.f.dialogs.captions.last(), kRestoreTitle);
            p.runSteps();
            QCOMPARE(p.f.messages.messages, QStringList{kRestoreDone});
            QCOMPARE(p.text("Edit101"), QDir::toNativeSeparators(folder));
            QCOMPARE(bytes(korms(p.f)), bytes(folder + "kormsBack.cfg"));
            QCOMPARE(bytes(korms(p.f) + ".bak"), replaced);
            QVERIFY(!QFile::exists(folder + "bmn.cnt"));
            // The program asked to close and has faded out to its end.
            QVERIFY(!p.f.main().isVisible());
            QVERIFY(!p.f.main().db.contactsOpen());
        }
        // The next start opens the restored file and lets the old one go.
        Program again(dir.path());
        QCOMPARE(gnames(korms(again.f)).split(',').last(), QStringLiteral("saved"));
        QVERIFY(!QFile::exists(korms(again.f) + ".bak"));
        QVERIFY(again.f.messages.all().isEmpty());
    }

    // The live contacts are replaced only on the operator's yes: a no leaves
    // them, the probe and the program as they were.
    void restoreAsksFirstAndANoKeepsEverything() {
        Program p;
        QTemporaryDir target;
        const QString folder = target.path() + QStringLiteral("/Tavrik Backup/");
        p.backupTo(target.path());
        p.runSteps();
        createGroup(p.f, QStringLiteral("since the backup"));
        const QByteArray live = bytes(korms(p.f));
        p.f.messages.clear();
        p.f.messages.answers = {false};
        p.restoreFrom(folder);
        p.runSteps();
        QCOMPARE(p.f.messages.questions, QStringList{kAskRestore});
        QVERIFY(p.f.messages.all().isEmpty());
        QCOMPARE(bytes(korms(p.f)), live);
        QVERIFY(!QFile::exists(korms(p.f) + ".bak"));
        QVERIFY(!QFile::exists(folder + "bmn.cnt"));
        QVERIFY(p.f.main().db.contactsOpen());
        QVERIFY(p.f.main().isVisible());
        QVERIFY(p.buttonsEnabled());
        QVERIFY(!widget<QLabel>(p.f, "wait2")->isVisible());
    }

    // Ticked, the backup holds the message log too, copied while the log
    // stays open; the restore then asks for both and puts both back.
    // Unticked, a later backup there drops the old log copy.
    void aBackupCanHoldTheMessageLog() {
        QTemporaryDir dir;
        QTemporaryDir target;
        const QString folder = target.path() + QStringLiteral("/Tavrik Backup/");
        const QString log = dir.filePath(QStringLiteral("sere.dll"));
        const QString received = QStringLiteral("select num from reci order by rowid");
        const auto receive = [&log](const char* num) {
            sqlRows(log, QStringLiteral("insert into reci(num,time,date,pos,matn) "
                                        "values('%1','09:30','1389/01/01','new','x')")
                             .arg(QLatin1String(num)));
        };
        {
            Program p(dir.path());
            receive("0912");
            widget<QCheckBox>(p.f, "cbBackupLog")->setChecked(true);
            p.backupTo(target.path());
            p.runSteps();
            QCOMPARE(p.f.messages.messages, QStringList{kBackupDone});
            QCOMPARE(sqlColumn(folder + "sereBack.cfg", received), QStringList{"0912"});
            QVERIFY(p.f.main().db.logOpen());
            receive("0935");
            p.f.messages.clear();
            p.restoreFrom(folder);
            p.runSteps();
            QCOMPARE(p.f.messages.questions, QStringList{kAskRestoreWithLog});
            QCOMPARE(p.f.messages.messages, QStringList{kRestoreDone});
            QCOMPARE(sqlColumn(log + ".bak", received), (QStringList{"0912", "0935"}));
        }
        Program again(dir.path());
        QCOMPARE(sqlColumn(log, received), QStringList{"0912"});
        QVERIFY(!QFile::exists(log + ".bak"));
        again.backupTo(target.path());
        again.runSteps();
        QVERIFY(!QFile::exists(folder + "sereBack.cfg"));
        QVERIFY(QFile::exists(folder + "kormsBack.cfg"));
    }

    // A log copy that is no database stops the restore before either file
    // is touched.
    void aDamagedLogCopyStopsTheWholeRestore() {
        Program p;
        QTemporaryDir target;
        const QString folder = target.path() + QStringLiteral("/Tavrik Backup/");
        p.backupTo(target.path());
        p.runSteps();
        writeBytes(folder + "sereBack.cfg", QByteArray(4096, 'x'));
        const QByteArray live = bytes(korms(p.f));
        p.f.messages.clear();
        p.restoreFrom(folder);
        p.runSteps();
        QVERIFY(p.f.messages.questions.isEmpty());
        QCOMPARE(p.f.messages.messages, QStringList{kOperationFailed});
        QCOMPARE(bytes(korms(p.f)), live);
        QVERIFY(p.f.main().db.contactsOpen() && p.f.main().db.logOpen());
        QVERIFY(p.f.main().isVisible());
    }

    // Contacts and log of different days never meet: when the log cannot be
    // put in place, the contacts already replaced go back as they were.
    void aLogThatCannotBeReplacedLeavesTheContactsAsTheyWere() {
        Program p;
        QTemporaryDir target;
        const QString folder = target.path() + QStringLiteral("/Tavrik Backup/");
        widget<QCheckBox>(p.f, "cbBackupLog")->setChecked(true);
        p.backupTo(target.path());
        p.runSteps();
        createGroup(p.f, QStringLiteral("since the backup"));
        const QByteArray live = bytes(korms(p.f));
        // The log's fresh copy cannot be written.
        QVERIFY(QDir().mkdir(p.f.file(QStringLiteral("sere.dll.new.part"))));
        p.f.messages.clear();
        p.restoreFrom(folder);
        p.runSteps();
        QCOMPARE(p.f.messages.messages, QStringList{kOperationFailed});
        QCOMPARE(bytes(korms(p.f)), live);
        QVERIFY(!QFile::exists(korms(p.f) + ".bak"));
        QVERIFY(p.f.main().db.contactsOpen() && p.f.main().db.logOpen());
        QVERIFY(p.f.main().isVisible());
        QVERIFY(p.buttonsEnabled());
    }

    void restoreWaitsBeforeItEnds() {
        Program p;
        QTemporaryDir target;
        p.backupTo(target.path());
        p.runSteps();
        p.f.messages.clear();
        p.restoreFrom(target.path() + QStringLiteral("/Tavrik Backup"));
        // Short timed steps, never one long freeze: a second in, the file
        // is in place and the program still runs.
        p.f.clock.advance(1500);
        QVERIFY(p.f.main().isVisible());
        QVERIFY(p.f.messages.messages.isEmpty());
        p.f.clock.advance(1000);
        QCOMPARE(p.f.messages.messages, QStringList{kRestoreDone});
        QVERIFY(!p.f.main().isVisible());
    }

    // The operator reads the last message with the buttons usable again.
    void restoreEnablesItsButtonsBeforeItsLastMessage() {
        Program p;
        QTemporaryDir target;
        p.backupTo(target.path());
        p.runSteps();
        struct ButtonsAtMessage : ScriptedMessages {
            std::function<bool()> enabled;
            QList<bool> seen;
            void showMessage(const QString& text) override {
                ScriptedMessages::showMessage(text);
                seen.append(enabled());
            }
        } watch;
        watch.enabled = [&p] { return p.buttonsEnabled(); };
        p.restoreFrom(target.path() + QStringLiteral("/Tavrik Backup"));
        p.runSteps();
        MessageService::setInstance(&p.f.messages);
        QCOMPARE(watch.messages, QStringList{kRestoreDone});
        QCOMPARE(watch.seen, QList<bool>{true});
    }

    void restoreFromTheParentFolderIsRefused() {
        Program p;
        QTemporaryDir target;
        p.backupTo(target.path());
        p.runSteps();
        const QByteArray live = bytes(korms(p.f));
        p.f.messages.clear();
        p.restoreFrom(target.path());
        p.runSteps();
        QCOMPARE(p.f.messages.messages, QStringList{kNoBackupFile});
        QCOMPARE(bytes(korms(p.f)), live);
        QVERIFY(p.f.main().db.contactsOpen());
        QVERIFY(!p.f.main().Timer6.isActive());
        QVERIFY(!widget<QLabel>(p.f, "wait2")->isVisible());
    }

    void olderLayoutIsExplained() {
        Program p;
        QTemporaryDir old;
        writeBytes(old.filePath("kormBack.cfg"), "old");
        p.restoreFrom(old.path());
        p.runSteps();
        QCOMPARE(p.f.messages.messages, (QStringList{kNoBackupFile, kOlderLayout}));
    }

    void folderThatCannotBeWrittenFailsTheProbe() {
        Program p;
        QTemporaryDir target;
        const QString folder = target.path() + QStringLiteral("/Tavrik Backup/");
        p.backupTo(target.path());
        p.runSteps();
        const QByteArray live = bytes(korms(p.f));
        // The tests run with rights that ignore folder modes: the probe's
        // copy stands for a medium that takes no file.
        page(p.f).files().copyProbe = [](const QString&, const QString&) { return false; };
        p.f.messages.clear();
        p.restoreFrom(folder);
        p.runSteps();
        QCOMPARE(p.f.messages.messages, QStringList{kCopyToDisk});
        QCOMPARE(bytes(korms(p.f)), live);
        QVERIFY(p.f.main().db.contactsOpen());
        QVERIFY(p.buttonsEnabled());

        // A probe left there by an earlier restore passes all the same.
        writeBytes(folder + "bmn.cnt", "1");
        p.f.messages.clear();
        p.restoreFrom(folder);
        p.runSteps();
        QCOMPARE(p.f.messages.messages, QStringList{kRestoreDone});
        QVERIFY(!QFile::exists(folder + "bmn.cnt"));
    }

    void damagedBackupIsRefusedAndTheLiveFileKept_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("not a database") << 0;
        QTest::newRow("a database without groups") << 1;
        QTest::newRow("cut short") << 2;
    }
    void damagedBackupIsRefusedAndTheLiveFileKept() {
        QFETCH(int, kind);
        Program p;
        QTemporaryDir target;
        const QString folder = target.path() + QStringLiteral("/Tavrik Backup/");
        p.backupTo(target.path());
        p.runSteps();
        const QString backup = folder + "kormsBack.cfg";
        if (kind == 0) {
            writeBytes(backup, QByteArray(8192, 'x'));
        } else if (kind == 1) {
            QFile::remove(backup);
            sqlRows(backup, QStringLiteral("create table other(x int)"));
        } else {
            for (int i = 0; i < 20; ++i)
                createGroup(p.f, QStringLiteral("group %1 ").arg(i) + QString(40, 'x'));
            p.backupTo(target.path());
            p.runSteps();
            const QByteArray whole = bytes(backup);
            QVERIFY(whole.size() > 8192);
            writeBytes(backup, whole.left(whole.size() / 2));
        }
        const QByteArray live = bytes(korms(p.f));
        p.f.messages.clear();
        p.restoreFrom(folder);
        p.runSteps();
        QCOMPARE(p.f.messages.messages, QStringList{kOperationFailed});
        QCOMPARE(p.f.messages.errors.size(), 1);
        QCOMPARE(bytes(korms(p.f)), live);
        QVERIFY(!QFile::exists(korms(p.f) + ".bak"));
        QVERIFY(!QFile::exists(folder + "bmn.cnt"));
        QVERIFY(p.f.main().db.contactsOpen());
        QVERIFY(!p.f.main().Timer6.isActive());
        QVERIFY(p.buttonsEnabled());
    }

    // The wait labels keep their room while hidden: the restore button
    // stays under the mouse while a backup shows its wait label.
    void waitLabelMovesNoButton() {
        Program p;
        QTemporaryDir target;
        QWidget* pageWidget = p.f.main().page(9);
        auto* restore = widget<QPushButton>(p.f, "BitBtn46");
        auto place = [&] {
            pageWidget->layout()->activate();
            return QRect(restore->mapTo(pageWidget, QPoint(0, 0)), restore->size());
        };
        const QRect before = place();
        p.backupTo(target.path());
        QVERIFY(!widget<QLabel>(p.f, "wait1")->isHidden());
        QCOMPARE(place(), before);
        p.runSteps();
        QVERIFY(widget<QLabel>(p.f, "wait1")->isHidden());
        QCOMPARE(place(), before);
    }
};

QTEST_MAIN(BackupTest)
#include "test_backup.moc"
