#include "incoming/ui/DeliveryReports.h"

#include "incoming/IncomingTexts.h"
#include "incoming/ui/DeliveryReportWindow.h"
#include "shell/ui/ShellContext.h"

DeliveryReports::DeliveryReports(ShellContext& shell, DeliveryReportWindow& window)
    : m_shell(shell), m_Form8(window) {}

void DeliveryReports::KylixSMSNewDeliveryReport(int, int, const QString& Number,
                                                const QString& Time, int, int Status) {
    reportOnModem(QString(), Number, Time, Status);
}

void DeliveryReports::reportOnModem(const QString& modem, const QString& Number,
                                    const QString& Time, int Status) {
    using namespace incomingtext;
    if (m_shell.hooks().sending.recipientMode() != RecipientMode::OneNumber) {
        m_Form8.appendLine(kReportNumber + Number + kReportTime + Time +
                           (modem.isEmpty() ? QString() : kReportModem + modem));
        return;
    }
    const QChar cr = QLatin1Char('\r');
    if (Status == 1)
        m_shell.messages().showMessage(kDeliveredStart + cr + QStringLiteral("   ") + Number +
                                       QStringLiteral("    ") + cr + kDeliveredEnd + Time);
    else
        m_shell.messages().showMessage(kNotDelivered);
}

void DeliveryReports::sendStarted() {
    m_Form8.clearList();
}

bool DeliveryReports::saveOnClosing() {
    QString error;
    if (m_Form8.saveList(&error))
        return true;
    m_shell.messages().showError(error);
    return false;
}
