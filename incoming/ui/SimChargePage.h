#pragma once

#include <QObject>
#include <QString>

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;
class ShellContext;
class TFormUSSD;

// The SIM charge page (4): dials the operator's service codes, ends the
// operation under way, shows the USSD answers and holds the setting that
// rejects incoming calls.
class SimChargePage : public QObject {
    Q_OBJECT
public:
    SimChargePage(ShellContext& shell, TFormUSSD& ussd, QObject* parent = nullptr);

    void btnDialCallClick();
    void btnEndCallClick();
    void cbRejectIncomingCallClick();
    void keyPressed(const QString& key);
    void KylixSMSNewUSSD(const QString& Text);
    // The control rejects incoming calls itself; nothing to show.
    void KylixSMSNewCall(const QString&, int) {}
    // Navigation puts the focus on the number field.
    void pageEntered();

private:
    void build(QWidget* page);

    ShellContext& m_shell;
    TFormUSSD& m_FormUSSD;
    // An answer that comes while the window is open replaces its text; the
    // session is ended once, when that window closes.
    bool m_answerShown = false;

    QLineEdit* m_teCallNumber = nullptr;
    QPushButton* m_btnDialCall = nullptr;
    QPushButton* m_btnEndCall = nullptr;
    QToolButton* m_btnKeypad = nullptr;
    QFrame* m_pnlKeypad = nullptr;
    QCheckBox* m_cbRejectIncomingCall = nullptr;
};
