#pragma once

#include <QObject>

#include "shell/Hook.h"

class PasswordPrompt;
class QLineEdit;
class QPushButton;
class ShellContext;

// The security settings page (8): sets and removes the program password,
// and asks for it once, when the main window is first shown.
class PasswordPage : public QObject {
    Q_OBJECT
public:
    PasswordPage(ShellContext& shell, PasswordPrompt& prompt);

    void confirm();
    void removePassword();
    // Returns normally, or closes the main window, which ends the program.
    void startupCheck();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ShellContext& m_shell;
    PasswordPrompt& m_prompt;
    HookFill m_checkFill;

    QLineEdit* m_newPassword = nullptr;
    QLineEdit* m_repeat = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_remove = nullptr;
};
