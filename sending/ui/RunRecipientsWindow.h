#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTableView;
class RunRecipientsModel;
class SendJournal;
class ShellContext;

// The recipients of the latest run with the state of each, written out as
// CSV on request; and the operator's one way to send again to those whose
// outcome is unknown.
class RunRecipientsWindow : public QDialog {
    Q_OBJECT
public:
    // resend gets the run whose unknown ones are to be sent again and says
    // whether a run started.
    RunRecipientsWindow(ShellContext& shell, SendJournal& journal,
                        std::function<bool(qint64 run)> resend);

    // Reads the latest run again and shows the window.
    void showLatest();
    qint64 runId() const { return m_run; }
    RunRecipientsModel& model() const { return *m_model; }

private:
    void fill();
    void exportCsv();
    void resendUnknown();

    ShellContext& m_shell;
    SendJournal& m_journal;
    std::function<bool(qint64)> m_resend;
    qint64 m_run = 0;
    QLabel* m_counts = nullptr;
    QTableView* m_grid = nullptr;
    RunRecipientsModel* m_model = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_resendButton = nullptr;
};
