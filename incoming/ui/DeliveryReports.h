#pragma once

#include <QString>

class DeliveryReportWindow;
class ShellContext;

// What a delivery report does, decided by the send page's recipient mode
// at the moment it arrives: the outcome of a one-number send is shown at
// once, the reports of the other modes gather in the report list.
class DeliveryReports {
public:
    DeliveryReports(ShellContext& shell, DeliveryReportWindow& window);

    void KylixSMSNewDeliveryReport(int Folder, int Location, const QString& Number,
                                   const QString& Time, int Reference, int Status);
    // The same from one modem of a pool: the list's line names the modem.
    void reportOnModem(const QString& modem, const QString& Number, const QString& Time,
                       int Status);
    // A send run starts: the list belongs to the latest run.
    void sendStarted();
    // Closing: false when the list could not be written, which keeps the
    // main window open for another try.
    bool saveOnClosing();

private:
    ShellContext& m_shell;
    DeliveryReportWindow& m_Form8;
};
