#include "incoming/ReceivedMessages.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

#include "incoming/IncomingTexts.h"
#include "shell/CoreContext.h"
#include "shell/TextFile.h"
#include "store/Database.h"
#include "store/OptOuts.h"
#include "store/Store.h"

ReceivedMessages::ReceivedMessages(CoreContext& shell, QObject* parent)
    : QObject(parent), m_shell(shell), m_Timer7(shell.timer(ShellTimer::Assembly)) {
    connect(&m_Timer7, &ClockTimer::timeout, this, &ReceivedMessages::assemblyTick);
    loadUnsaved();
}

void ReceivedMessages::KylixSMSNewSMSReceived(int, int, const QString& Number, const QString& Text,
                                              const QString&, const QString& ConcatenatedInfo, int,
                                              int) {
    newSmsOnModem(QString(), Number, Text, ConcatenatedInfo);
}

void ReceivedMessages::newSmsOnModem(const QString& modem, const QString& Number,
                                     const QString& Text, const QString& ConcatenatedInfo) {
    if (m_closing)
        return;
    // Nothing is pending while the timer stands, whatever number the last
    // one had: an empty sender must not continue the message stored last.
    if (!m_Timer7.isActive() || Number != PendingNumber || modem != PendingModem) {
        if (m_Timer7.isActive())
            sabre();
        m_parts.clear();
    }
    // A network hands the parts of a long message over in any order.
    m_parts.add(ConcatenatedInfo, Text);
    PendingText = m_parts.text();
    m_Timer7.stop();
    m_Timer7.start();
    PendingNumber = Number;
    PendingModem = modem;
    LastSenderNumber = Number;
    m_shell.setNewMessageNotice(true);
}

void ReceivedMessages::sabre() {
    // The pending state is settled before anything can run an event loop: a
    // part or a timer tick handled there must find nothing half-stored.
    m_Timer7.stop();
    const PersianDate today = m_shell.today();
    m_held.append({PendingNumber, m_shell.statusTime(),
                   store::receivedDate(today.yearText(), today.monthText(), today.dayText()),
                   PendingText, PendingModem});
    PendingNumber.clear();
    PendingModem.clear();
    if (writeHeld()) {
        m_told = false;
    } else if (!m_told && !m_closing) {
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
        if (!store::appendReceived(m_shell.database(), r.num, r.time, r.date, r.matn, r.modem))
            return false;
        // An opt-out reply ("لغو", "11") lists its sender; "12" unlists it.
        optouts::takeReply(r.num, r.matn);
        m_held.removeFirst();
    }
    return true;
}

void ReceivedMessages::assemblyTick() {
    sabre();
}

void ReceivedMessages::noticeClicked() {
    m_shell.setNewMessageNotice(false);
    m_shell.messages().messageDlgTitle(incomingtext::kNoticeTitle,
                                       LastSenderNumber + QStringLiteral("\r\r") + PendingText,
                                       MessageButton::Ok);
}

void ReceivedMessages::closing() {
    if (m_closing)
        return;
    m_closing = true;
    if (m_Timer7.isActive())
        sabre();
    if (writeHeld()) {
        QFile::remove(unsavedPath());
        return;
    }
    // One JSON array a line keeps line breaks and tabs of a text intact.
    QString lines;
    for (const Row& r : std::as_const(m_held)) {
        QJsonArray row{r.num, r.time, r.date, r.matn};
        // The modem as a fifth field, only where there is one.
        if (!r.modem.isEmpty())
            row.append(r.modem);
        lines += QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact)) + u'\n';
    }
    textfile::write(unsavedPath(), lines);
}

QString ReceivedMessages::unsavedPath() const {
    return m_shell.programDir() + incomingtext::kUnsavedFile;
}

void ReceivedMessages::loadUnsaved() {
    QString text;
    if (!QFile::exists(unsavedPath()) || !textfile::read(unsavedPath(), &text))
        return;
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QJsonArray a = QJsonDocument::fromJson(line.trimmed().toUtf8()).array();
        if (a.size() == 4 || a.size() == 5)
            m_held.append({a[0].toString(), a[1].toString(), a[2].toString(), a[3].toString(),
                           a.size() == 5 ? a[4].toString() : QString()});
    }
    // Still refused, they stay held and the file stays until closing.
    if (writeHeld())
        QFile::remove(unsavedPath());
}
