#pragma once

#include "shell/ui/PlainWindow.h"

class QLineEdit;
class QPushButton;

// Asks for the program password at start-up; it has no caption and no
// border icons. Wrong entries count for the whole run: the fourth closes
// the prompt with the field empty, which the caller takes as wrong.
class PasswordPrompt : public PlainWindow {
    Q_OBJECT
public:
    static constexpr int kMaxWrongAttempts = 4;

    explicit PasswordPrompt(QWidget* parent = nullptr);

    // The password file's text: a hash, or an old file's password as typed.
    void setStoredPassword(const QString& password) { m_stored = password; }
    // What the field holds when the prompt closes, confirmed or not.
    QString entered() const;
    int wrongAttempts() const { return m_wrongAttempts; }

    void confirm();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString m_stored;
    int m_wrongAttempts = 0;
    QLineEdit* m_field = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};
