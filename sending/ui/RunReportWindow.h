#pragma once

#include <QDialog>
#include <QHash>

#include <optional>

#include "sending/RunReport.h"

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class RunRecipientsModel;
class SendJournal;
class ShellContext;

// A run's report: its counts by state and the opted-out members, how long
// it took, the split by modem when there were several, charts of the
// outcomes and of the status reports over time, and its recipients with
// their states (read from the journal as the list is scrolled), written out
// as CSV or .xlsx.
class RunReportWindow : public QDialog {
    Q_OBJECT
public:
    RunReportWindow(ShellContext& shell, const SendJournal& journal);
    ~RunReportWindow() override;

    // Reads the run afresh and shows the window; false (and nothing shown)
    // when the journal holds no such run.
    bool showRun(qint64 run);
    qint64 runId() const { return m_run; }
    const std::optional<RunReport>& report() const { return m_report; }
    RunRecipientsModel& recipients() const { return *m_model; }

private:
    void fill();
    void fillLinks();
    void fillCharts();
    // The list's choice: every recipient, or those of one state.
    std::optional<RecipientState> filter() const;
    void exportCsv();
    void exportXlsx();
    QString chooseFile(const QString& caption, const QString& filter, const QString& suffix);

    ShellContext& m_shell;
    const SendJournal& m_journal;
    qint64 m_run = 0;
    std::optional<RunReport> m_report;
    QLabel* m_runLine = nullptr;
    QHash<QString, QLabel*> m_counts; // by state name, "optedout" and "total"
    QLabel* m_duration = nullptr;
    QLabel* m_byLink = nullptr;
    QTableWidget* m_links = nullptr;
    QChartView* m_messagesView = nullptr;
    QChartView* m_deliveryView = nullptr;
    QComboBox* m_filter = nullptr;
    QTableView* m_grid = nullptr;
    RunRecipientsModel* m_model = nullptr;
    QPushButton* m_csv = nullptr;
    QPushButton* m_xlsx = nullptr;
};
