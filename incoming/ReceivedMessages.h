#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "incoming/MessageParts.h"

class ClockTimer;
class CoreContext;

// Turns the control's new-message events into rows of the inbox: parts from
// one sender that follow each other within the assembly timer's 12 s are
// joined into one row, numbered parts in their numbers' order, and every
// part shows the new-message notice.
class ReceivedMessages : public QObject {
    Q_OBJECT
public:
    explicit ReceivedMessages(CoreContext& shell, QObject* parent = nullptr);

    void KylixSMSNewSMSReceived(int Folder, int Location, const QString& Number,
                                const QString& Text, const QString& Time,
                                const QString& ConcatenatedInfo, int Coding, int Status);
    // The same from one modem of a pool: parts join only parts from the
    // same sender on the same modem, and the row keeps the modem.
    void newSmsOnModem(const QString& modem, const QString& Number, const QString& Text,
                       const QString& ConcatenatedInfo);
    // Stores the pending message as one new row and reopens the inbox.
    void sabre();
    void assemblyTick();
    void noticeClicked();
    // Run while the log is still open at closing: what is held goes to the
    // log or, refused there, to a file the next start stores. Parts that
    // come after are ignored.
    void closing();

    // Rows the log database would not take, oldest first; written before the
    // next row and at closing.
    int heldRows() const { return static_cast<int>(m_held.size()); }

    QString PendingNumber;
    QString PendingModem;
    // Keeps the last stored text until a part that starts a new message.
    QString PendingText;
    QString LastSenderNumber;

private:
    struct Row {
        QString num;
        QString time;
        QString date;
        QString matn;
        QString modem;
    };
    // Posts the held rows in order, stopping at the first refusal.
    bool writeHeld();
    QString unsavedPath() const;
    void loadUnsaved();

    CoreContext& m_shell;
    ClockTimer& m_Timer7;
    MessageParts m_parts;
    QList<Row> m_held;
    bool m_told = false;
    bool m_closing = false;
};
