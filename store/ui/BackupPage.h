#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "shell/Clock.h"
#include "store/ContactsBackup.h"

class ShellContext;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The backup and restore page (9). Both operations run as short timed
// steps, so the window keeps painting while they wait; the buttons stay
// disabled until an operation is over.
class BackupPage : public QObject {
    Q_OBJECT
public:
    explicit BackupPage(ShellContext& shell);

    void backup();
    void restore();
    // True from a click until the operation's last step has run.
    bool busy() const { return m_busy; }
    ContactsBackup& files() { return m_files; }

Q_SIGNALS:
    // The operation's last step has run.
    void finished();

private:
    void after(int ms, std::function<void()> step);
    void setButtons(bool on);
    // The steps after the first, each started by the one before.
    void backupCopy();
    void backupWriteDate();
    void endBackup();
    void restoreCheckProbe();
    void restoreReplaceLive();
    void restoreRemoveProbe();
    void restoreAnnounce();
    void endRestore();
    QString liveFile() const;
    QString liveLog() const;
    void failRestore(const QString& reason);

    ShellContext& m_shell;
    ContactsBackup m_files;
    ClockTimer m_timer;
    std::function<void()> m_step;
    bool m_busy = false;
    // What the running operation works on.
    QString m_backupFolder;
    struct RestoreRun {
        QString folder;
        QString backupFile;
        QString logFile; // empty: the backup holds no log
        bool probeWasThere = false;
    } m_restore;

    QPushButton* BitBtn45 = nullptr; // backup
    QPushButton* BitBtn46 = nullptr; // restore
    QLineEdit* Edit100 = nullptr;
    QLineEdit* Edit101 = nullptr;
    QLabel* wait1 = nullptr;
    QLabel* wait2 = nullptr;
    QCheckBox* cbBackupLog = nullptr; // the message log goes into the backup too
};
