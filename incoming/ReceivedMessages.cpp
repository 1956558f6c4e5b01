#include "incoming/ReceivedMessages.h"

#include <QEvent>
#include <QTimer>

#include "incoming/IncomingTexts.h"
#include "shell/ShellContext.h"
#include "shell/StatusStrip.h"
#include "store/Database.h"
#include "store/Store.h"

ReceivedMessages::ReceivedMessages(ShellContext& shell, QObject* parent)
    : QObject(parent), m_shell(shell), m_Timer7(shell.timer(ShellTimer::Assembly)) {
    connect(&m_Timer7, &ClockTimer::timeout, this, &ReceivedMessages::assemblyTick);
    connect(&m_shell.statusStrip(), &StatusStrip::newMessageClicked, this,
            &ReceivedMessages::noticeClicked);
    // Held rows go out at every close request, before the databases close,
    // also when no message is being assembled then.
    m_shell.mainWindow()->installEventFilter(this);
}

void ReceivedMessages::KylixSMSNewSMSReceived(int, int, const QString& Number, const QString& Text,
                                              const QString&, const QString&, int, int) {
    // Nothing is pending while the timer stands, whatever number the last
    // one had: an empty sender must not continue the message stored last.
    if (m_Timer7.isActive() && Number == PendingNumber) {
        PendingText += Text;
    } else {
        if (m_Timer7.isActive())
            sabre();
        PendingText = Text;
    }
    m_Timer7.stop();
    m_Timer7.start();
    PendingNumber = Number;
    LastSenderNumber = Number;
    m_shell.statusStrip().setNewMessageNotice(true);
}

void ReceivedMessages::sabre() {
    // The pending state is settled before anything can run an event loop: a
    // part or a timer tick handled there must find nothing half-stored.
    m_Timer7.stop();
    const PersianDate today = m_shell.today();
    m_held.append({PendingNumber, m_shell.statusTime(),
                   store::receivedDate(today.yearText(), today.monthText(), today.dayText()),
                   PendingText});
    PendingNumber.clear();
    if (writeHeld()) {
        m_told = false;
    } else if (!m_told) {
        m_told = true;
        // The box waits in a loop of its own; it must not do so inside the
        // part or the tick that got here.
        QTimer::singleShot(0, this,
                           [this] { m_shell.messages().showMessage(incomingtext::kNotStored); });
    }
    TableCursor& reci = m_shell.database().ADOTable6;
    reci.close();
    reci.open();
}

bool ReceivedMessages::writeHeld() {
    while (!m_held.isEmpty()) {
        const Row& r = m_held.first();
        if (!store::appendReceived(m_shell.database(), r.num, r.time, r.date, r.matn))
            return false;
        m_held.removeFirst();
    }
    return true;
}

void ReceivedMessages::assemblyTick() {
    sabre();
}

void ReceivedMessages::noticeClicked() {
    m_shell.statusStrip().setNewMessageNotice(false);
    m_shell.messages().messageDlgTitle(incomingtext::kNoticeTitle,
                                       LastSenderNumber + QStringLiteral("\r\r") + PendingText,
                                       QMessageBox::Ok);
}

bool ReceivedMessages::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && !m_held.isEmpty())
        writeHeld();
    return QObject::eventFilter(watched, event);
}
