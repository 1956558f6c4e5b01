#pragma once

#include <QObject>

class QPushButton;
class QTableWidget;
class ShellContext;

// The phone message page (3): the messages stored in the phone or on the
// SIM card, read into a list; nothing of them is stored.
class PhoneMessagesPage : public QObject {
    Q_OBJECT
public:
    // Read up to and including the message numbered so from 0.
    static constexpr int kLastIndex = 50;

    explicit PhoneMessagesPage(ShellContext& shell, QObject* parent = nullptr);

    // The button: connection check, please-wait window, the reading.
    void readAction();
    // Lists the phone's messages; false when the device failed on the way
    // (the rows read so far stay).
    bool btnReadAllSMSClick();

private:
    ShellContext& m_shell;
    QTableWidget* m_SMSList = nullptr;
    QPushButton* m_btnReadAllSMS = nullptr;
};
