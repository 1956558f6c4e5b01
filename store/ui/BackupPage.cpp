#include "store/ui/BackupPage.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVBoxLayout>

#include "shell/ui/DialogService.h"
#include "shell/ui/KeepPlace.h"
#include "shell/MessageService.h"
#include "shell/ui/ShellContext.h"
#include "shell/ShellTexts.h"
#include "shell/TextFile.h"
#include "store/Database.h"
#include "store/StoreTexts.h"

namespace {
// The pauses between the steps, in milliseconds. They give the operator
// time to see each step, as the operations always have.
constexpr int kAfterFolderCreated = 100;
constexpr int kAfterBackupCopy = 500;
constexpr int kAfterProbe = 900;
constexpr int kAfterDisconnect = 300;
constexpr int kAfterRestoreCopy = 200;
constexpr int kAfterProbeRemoved = 600;
constexpr int kBeforeClosing = 200;

MessageService& messages() {
    return MessageService::instance();
}

void showFailure(const QString& reason) {
    messages().showMessage(storetext::kOperationFailed);
    if (!reason.isEmpty())
        messages().showError(reason);
}
} // namespace

BackupPage::BackupPage(ShellContext& shell)
    : QObject(shell.mainWindow()), m_shell(shell), m_timer(QStringLiteral("backupSteps"), 0, this) {
    using namespace storetext;
    m_timer.setSingleShot(true);
    connect(&m_timer, &ClockTimer::timeout, this, [this] {
        auto step = std::move(m_step);
        m_step = nullptr;
        if (step)
            step();
    });

    QWidget* page = m_shell.page(Page::Backup);
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 40, 16, 16);
    layout->setSpacing(12);
    auto* title = new QLabel(kBackupHeading, page);
    QFont f = title->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 2);
    title->setFont(f);
    layout->addWidget(title);

    auto* grid = new QGridLayout;
    auto row = [page, grid](int r, QPushButton*& button, QLineEdit*& path, QLabel*& wait,
                            const QString& buttonName, const QString& caption,
                            const QString& pathName, const QString& waitName) {
        button = new QPushButton(caption, page);
        button->setObjectName(buttonName);
        button->setToolTip(caption);
        path = new QLineEdit(page);
        path->setObjectName(pathName);
        path->setReadOnly(true);
        wait = new QLabel(kWait, page);
        wait->setObjectName(waitName);
        keepPlaceWhenHidden(wait);
        wait->hide();
        grid->addWidget(button, r * 2, 0);
        grid->addWidget(path, r * 2, 1);
        grid->addWidget(wait, r * 2 + 1, 1);
    };
    row(0, BitBtn45, Edit100, wait1, QStringLiteral("BitBtn45"), kBackupCaption,
        QStringLiteral("Edit100"), QStringLiteral("wait1"));
    row(1, BitBtn46, Edit101, wait2, QStringLiteral("BitBtn46"), kRestoreCaption,
        QStringLiteral("Edit101"), QStringLiteral("wait2"));
    // Under the backup button, beside its wait label: nothing else moves.
    cbBackupLog = new QCheckBox(kBackupLogOption, page);
    cbBackupLog->setObjectName(QStringLiteral("cbBackupLog"));
    grid->addWidget(cbBackupLog, 1, 0);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);

    connect(BitBtn45, &QPushButton::clicked, this, &BackupPage::backup);
    connect(BitBtn46, &QPushButton::clicked, this, &BackupPage::restore);

    // A restore keeps the file it replaced until a start has opened the
    // restored one; this is that start.
    if (QFileInfo::exists(liveFile() + ContactsBackup::kKeptSuffix) &&
        m_shell.database().contactsOpen()) {
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kContacts), false));
        if (q.exec(QStringLiteral("select count(*) from groups")) && q.next())
            ContactsBackup::forgetKept(liveFile());
    }
    if (QFileInfo::exists(liveLog() + ContactsBackup::kKeptSuffix) &&
        m_shell.database().logOpen()) {
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kLog), false));
        if (q.exec(QStringLiteral("select count(*) from reci")) && q.next())
            ContactsBackup::forgetKept(liveLog());
    }
}

QString BackupPage::liveFile() const {
    return m_shell.programDir() + Database::kContactsFile;
}

QString BackupPage::liveLog() const {
    return m_shell.programDir() + Database::kLogFile;
}

void BackupPage::after(int ms, std::function<void()> step) {
    m_step = std::move(step);
    m_timer.start(ms);
}

void BackupPage::setButtons(bool on) {
    BitBtn45->setEnabled(on);
    BitBtn46->setEnabled(on);
}

void BackupPage::backup() {
    using namespace storetext;
    if (m_busy)
        return;
    m_busy = true;
    wait1->show();
    // The file must be whole and free while it is copied.
    m_shell.database().closeContacts();
    ContactsBackup::settle(liveFile());
    const QString chosen =
        DialogService::instance().existingDirectory(m_shell.mainWindow(), kBackupTitle, QString());
    if (chosen.isEmpty()) {
        Edit100->setText(kNoPath);
        endBackup();
        return;
    }
    setButtons(false);
    const QString folder = ContactsBackup::backupFolder(QDir::fromNativeSeparators(chosen));
    const bool existed = QFileInfo(folder).isDir();
    QString error;
    if (!existed && !ContactsBackup::makeFolder(folder, &error)) {
        showFailure(error);
        setButtons(true);
        endBackup();
        return;
    }
    m_backupFolder = folder;
    after(existed ? 0 : kAfterFolderCreated, [this] { backupCopy(); });
}

void BackupPage::backupCopy() {
    const QString& folder = m_backupFolder;
    Edit100->setText(QDir::toNativeSeparators(folder));
    QString copyError;
    if (!ContactsBackup::copyVerified(liveFile(), folder + ContactsBackup::kBackupFile,
                                      &copyError)) {
        showFailure(copyError);
        setButtons(true);
        endBackup();
        return;
    }
    // A log copy left from an earlier backup into this folder would be
    // restored beside contacts of another day.
    const QString logCopy = folder + ContactsBackup::kLogBackupFile;
    if (cbBackupLog->isChecked()) {
        // The log stays open, as a message may come in at any time; nothing
        // writes it while this step copies it, and a write-ahead log is
        // folded in first.
        ContactsBackup::settle(liveLog());
        if (!ContactsBackup::copyVerified(liveLog(), logCopy, &copyError)) {
            showFailure(copyError);
            setButtons(true);
            endBackup();
            return;
        }
    } else {
        QFile::remove(logCopy);
    }
    after(kAfterBackupCopy, [this] { backupWriteDate(); });
}

void BackupPage::backupWriteDate() {
    const PersianDate today = m_shell.today();
    const QString date = today.yearText() + QLatin1Char('/') + today.monthText() +
                         QLatin1Char('/') + today.dayText() + QLatin1Char('\n');
    QString writeError;
    const bool ok = textfile::write(m_backupFolder + ContactsBackup::kDateFile, date, &writeError);
    setButtons(true);
    if (ok)
        messages().showMessage(storetext::kBackupDone);
    else
        showFailure(writeError);
    endBackup();
}

void BackupPage::endBackup() {
    QDir::setCurrent(m_shell.programDir());
    if (!m_shell.database().openContacts())
        messages().showMessage(shelltext::kDbError);
    wait1->hide();
    m_busy = false;
    Q_EMIT finished();
}

void BackupPage::restore() {
    using namespace storetext;
    if (m_busy)
        return;
    m_busy = true;
    wait2->show();
    const QString chosen =
        DialogService::instance().existingDirectory(m_shell.mainWindow(), kRestoreTitle, QString());
    if (chosen.isEmpty()) {
        Edit101->setText(kNoPath);
        endRestore();
        return;
    }
    // The operator picks the backup folder itself.
    const QString folder = ContactsBackup::withSeparator(QDir::fromNativeSeparators(chosen));
    const QString backupFile = folder + ContactsBackup::kBackupFile;
    if (!QFileInfo::exists(backupFile)) {
        messages().showMessage(kNoBackupFile);
        if (QFileInfo::exists(folder + ContactsBackup::kOlderBackupFile))
            messages().showMessage(kOlderLayout);
        endRestore();
        return;
    }
    setButtons(false);
    const QString logFile = folder + ContactsBackup::kLogBackupFile;
    m_restore = {folder, backupFile, QFileInfo::exists(logFile) ? logFile : QString(),
                 m_files.probePresent(folder)};
    m_files.probe(m_shell.programDir(), folder);
    after(kAfterProbe, [this] { restoreCheckProbe(); });
}

void BackupPage::restoreCheckProbe() {
    if (!m_files.probePresent(m_restore.folder)) {
        messages().showMessage(storetext::kCopyToDisk);
        setButtons(true);
        endRestore();
        return;
    }
    // A file that is not a contacts database never replaces the live one.
    QString error;
    if (!ContactsBackup::isContactsDatabase(m_restore.backupFile, &error) ||
        (!m_restore.logFile.isEmpty() &&
         !ContactsBackup::isLogDatabase(m_restore.logFile, &error))) {
        failRestore(error);
        return;
    }
    // Everything since the backup is lost by a restore: the operator says so.
    if (!messages().ask(m_restore.logFile.isEmpty() ? storetext::kAskRestore
                                                    : storetext::kAskRestoreWithLog)) {
        failRestore(QString());
        return;
    }
    m_shell.database().closeContacts();
    ContactsBackup::settle(liveFile());
    if (!m_restore.logFile.isEmpty()) {
        m_shell.database().closeLog();
        ContactsBackup::settle(liveLog());
    }
    after(kAfterDisconnect, [this] { restoreReplaceLive(); });
}

// Ends a restore that has replaced nothing; an empty reason is the
// operator's own no, which needs no message.
void BackupPage::failRestore(const QString& reason) {
    if (!m_restore.probeWasThere)
        QFile::remove(m_restore.folder + ContactsBackup::kProbe);
    if (!reason.isEmpty())
        showFailure(reason);
    setButtons(true);
    endRestore();
}

void BackupPage::restoreReplaceLive() {
    Edit101->setText(QDir::toNativeSeparators(m_restore.folder));
    QString replaceError;
    bool replaced = ContactsBackup::replaceLive(m_restore.backupFile, liveFile(), &replaceError);
    // Both files or neither: contacts and log of different days would not
    // match each other.
    if (replaced && !m_restore.logFile.isEmpty() &&
        !ContactsBackup::replaceLive(m_restore.logFile, liveLog(), &replaceError)) {
        ContactsBackup::putKeptBack(liveFile(), nullptr);
        replaced = false;
    }
    if (!replaced) {
        showFailure(replaceError);
        const bool reopened = m_shell.database().openContacts() &&
                              (m_shell.database().logOpen() || m_shell.database().openLog());
        if (!reopened)
            messages().showMessage(shelltext::kDbError);
        setButtons(true);
        endRestore();
        return;
    }
    after(kAfterRestoreCopy, [this] { restoreRemoveProbe(); });
}

void BackupPage::restoreRemoveProbe() {
    // Usable again before the last message, though the program ends after it.
    setButtons(true);
    QFile::remove(m_restore.folder + ContactsBackup::kProbe);
    after(kAfterProbeRemoved, [this] { restoreAnnounce(); });
}

void BackupPage::restoreAnnounce() {
    messages().showMessage(storetext::kRestoreDone);
    after(kBeforeClosing, [this] {
        endRestore();
        m_shell.closeMainWindow();
    });
}

void BackupPage::endRestore() {
    QDir::setCurrent(m_shell.programDir());
    wait2->hide();
    m_busy = false;
    Q_EMIT finished();
}
