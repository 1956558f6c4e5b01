#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "shell/Clock.h"
#include "store/ContactsBackup.h"

class ShellContext;
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
    void endBackup();
    void endRestore();
    QString liveFile() const;

    ShellContext& m_shell;
    ContactsBackup m_files;
    ClockTimer m_timer;
    std::function<void()> m_step;
    bool m_busy = false;

    QPushButton* BitBtn45 = nullptr; // backup
    QPushButton* BitBtn46 = nullptr; // restore
    QLineEdit* Edit100 = nullptr;
    QLineEdit* Edit101 = nullptr;
    QLabel* wait1 = nullptr;
    QLabel* wait2 = nullptr;
};
