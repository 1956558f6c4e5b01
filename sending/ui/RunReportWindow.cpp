#include "sending/ui/RunReportWindow.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <functional>
#include <iterator>

#include "sending/RunRecipientsModel.h"
#include "sending/RunReportTexts.h"
#include "sending/SendJournal.h"
#include "sending/SendRunTexts.h"
#include "shell/ui/DialogService.h"
#include "shell/ui/ShellContext.h"
#include "shell/ui/WidgetNames.h"

namespace {

using S = RecipientState;
// The states in the order the operator reads them; submitting is shown
// with unknown, as everywhere else.
const S kShown[] = {S::Sent,   S::Delivered, S::Undelivered, S::Refused,
                    S::Failed, S::Unknown,   S::Pending};

QChartView* chartView(QWidget* parent, const char* name) {
    auto* view = named(new QChartView(parent), name);
    // Time runs left to right, whatever the window's direction.
    view->setLayoutDirection(Qt::LeftToRight);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(180);
    return view;
}

void replaceChart(QChartView* view, QChart* chart) {
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
}

QLineSeries* series(const QString& name, const RunReport& r,
                    const std::function<qint64(qsizetype)>& value, qint64* highest) {
    auto* s = new QLineSeries;
    s->setName(name);
    for (qsizetype b = 0; b < r.buckets.size(); ++b) {
        const qint64 v = value(b);
        *highest = std::max(*highest, v);
        s->append(double(r.bucketStart(int(b)).toMSecsSinceEpoch()), double(v));
    }
    return s;
}

QChart* timeChart(const QString& title, const RunReport& r, const QList<QLineSeries*>& lines,
                  qint64 highest) {
    auto* chart = new QChart;
    chart->setTitle(title);
    auto* x = new QDateTimeAxis;
    x->setTitleText(reporttext::kAxisTime);
    const qint64 span = r.bucketMs * std::max<qsizetype>(1, r.buckets.size());
    x->setFormat(span < 86400000 ? QStringLiteral("HH:mm:ss") : QStringLiteral("MM/dd HH:mm"));
    x->setRange(r.origin, r.origin.addMSecs(span));
    x->setTickCount(5);
    auto* y = new QValueAxis;
    y->setTitleText(reporttext::kAxisCount);
    y->setLabelFormat(QStringLiteral("%d"));
    y->setRange(0, double(std::max<qint64>(1, highest)));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QLineSeries* s : lines) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
    return chart;
}

} // namespace

RunReportWindow::RunReportWindow(ShellContext& shell, const SendJournal& journal)
    : QDialog(shell.mainWindow()), m_shell(shell), m_journal(journal) {
    using namespace reporttext;
    setObjectName(QStringLiteral("RunReportWindow"));
    setWindowTitle(kTitle);
    setLayoutDirection(Qt::RightToLeft);
    resize(900, 720);
    auto* layout = new QVBoxLayout(this);
    m_runLine = named(new QLabel(this), "lblReportRun");
    m_runLine->setWordWrap(true);
    layout->addWidget(m_runLine);

    auto* counts = new QGridLayout;
    int column = 0;
    auto addCount = [&](const QString& key, const QString& caption) {
        auto* label = new QLabel(caption + QStringLiteral(" :"), this);
        label->setObjectName(QStringLiteral("lblReportCaption_") + key);
        auto* value = new QLabel(this);
        value->setObjectName(QStringLiteral("lblReportCount_") + key);
        counts->addWidget(label, column / 5, (column % 5) * 2);
        counts->addWidget(value, column / 5, (column % 5) * 2 + 1);
        m_counts.insert(key, value);
        ++column;
    };
    for (const S s : kShown)
        addCount(stateName(s), sendtext::stateText(s));
    addCount(QStringLiteral("optedout"), kOptedOut);
    addCount(QStringLiteral("total"), kTotal);
    layout->addLayout(counts);
    m_duration = named(new QLabel(this), "lblReportDuration");
    layout->addWidget(m_duration);

    auto* split = named(new QSplitter(Qt::Vertical, this), "splitReport");
    auto* top = named(new QWidget(split), "panelReportCharts");
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    auto* charts = new QHBoxLayout;
    m_messagesView = chartView(top, "chartMessages");
    m_deliveryView = chartView(top, "chartDelivery");
    charts->addWidget(m_messagesView);
    charts->addWidget(m_deliveryView);
    topLayout->addLayout(charts, 1);
    m_byLink = named(new QLabel(kByLink, top), "lblReportByLink");
    topLayout->addWidget(m_byLink);
    m_links = named(new QTableWidget(0, 1 + int(std::size(kShown)) + 1, top), "gridReportLinks");
    QStringList heads{kColLink};
    for (const S s : kShown)
        heads << sendtext::stateText(s);
    heads << kTotal;
    m_links->setHorizontalHeaderLabels(heads);
    m_links->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_links->verticalHeader()->hide();
    m_links->setMaximumHeight(120);
    topLayout->addWidget(m_links);

    auto* bottom = named(new QWidget(split), "panelReportRecipients");
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(named(new QLabel(kShowOnly, bottom), "lblReportFilter"));
    m_filter = named(new QComboBox(bottom), "cmbReportState");
    m_filter->addItem(kEveryRecipient, -1);
    for (const S s : kShown)
        m_filter->addItem(sendtext::stateText(s), static_cast<int>(s));
    filterRow->addWidget(m_filter);
    filterRow->addStretch();
    bottomLayout->addLayout(filterRow);
    m_grid = named(new QTableView(bottom), "gridReportRecipients");
    bottomLayout->addWidget(m_grid, 1);
    m_model = new RunRecipientsModel(journal, m_grid);
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->hide();
    // Fixed heights: the view asks for no row it does not show.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    split->addWidget(top);
    split->addWidget(bottom);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);

    auto* buttons = new QHBoxLayout;
    m_csv = named(new QPushButton(kExportCsv, this), "btnReportCsv");
    m_xlsx = named(new QPushButton(kExportXlsx, this), "btnReportXlsx");
    auto* refresh = named(new QPushButton(kRefresh, this), "btnReportRefresh");
    auto* close = named(new QPushButton(kClose, this), "btnReportClose");
    buttons->addWidget(m_csv);
    buttons->addWidget(m_xlsx);
    buttons->addWidget(refresh);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_filter, &QComboBox::currentIndexChanged, this,
            [this] { m_model->setRun(m_run, filter()); });
    connect(m_csv, &QPushButton::clicked, this, &RunReportWindow::exportCsv);
    connect(m_xlsx, &QPushButton::clicked, this, &RunReportWindow::exportXlsx);
    connect(refresh, &QPushButton::clicked, this, [this] { showRun(m_run); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

RunReportWindow::~RunReportWindow() = default;

bool RunReportWindow::showRun(qint64 run) {
    std::optional<RunReport> report =
        m_journal.isOpen() ? RunReport::load(m_journal, run) : std::nullopt;
    if (!report)
        return false;
    m_run = run;
    m_report = std::move(report);
    fill();
    show();
    raise();
    return true;
}

void RunReportWindow::fill() {
    const RunReport& r = *m_report;
    m_runLine->setText(reporttext::runLine(r.run.target, r.run.date, r.run.time));
    for (const S s : kShown) {
        qint64 n = r.counts.of(s);
        if (s == S::Unknown)
            n += r.counts.of(S::Submitting);
        m_counts.value(stateName(s))->setText(QString::number(n));
    }
    m_counts.value(QStringLiteral("optedout"))->setText(QString::number(r.optedOut));
    m_counts.value(QStringLiteral("total"))->setText(QString::number(r.counts.total()));
    m_duration->setText(reporttext::duration(r.durationMs()));
    fillLinks();
    fillCharts();
    m_model->setRun(m_run, filter());
    const bool any = r.counts.total() > 0;
    m_csv->setEnabled(any);
    m_xlsx->setEnabled(any);
}

std::optional<RecipientState> RunReportWindow::filter() const {
    const int state = m_filter->currentData().toInt();
    if (state < 0)
        return std::nullopt;
    return static_cast<RecipientState>(state);
}

void RunReportWindow::fillLinks() {
    const RunReport& r = *m_report;
    m_byLink->setVisible(r.severalLinks());
    m_links->setVisible(r.severalLinks());
    m_links->setRowCount(r.severalLinks() ? int(r.links.size()) : 0);
    if (!r.severalLinks())
        return;
    for (int i = 0; i < r.links.size(); ++i) {
        const StateCounts& c = r.links[i].counts;
        QStringList cells{r.links[i].link};
        for (const S s : kShown)
            cells << QString::number(c.of(s) + (s == S::Unknown ? c.of(S::Submitting) : 0));
        cells << QString::number(c.total());
        for (int col = 0; col < cells.size(); ++col)
            m_links->setItem(i, col, new QTableWidgetItem(cells[col]));
    }
}

void RunReportWindow::fillCharts() {
    using namespace reporttext;
    const RunReport& r = *m_report;
    const auto& b = r.buckets;
    qint64 highest = 0;
    QList<QLineSeries*> lines;
    if (r.severalLinks()) {
        for (qsizetype i = 0; i < r.links.size(); ++i)
            lines << series(
                r.links[i].link, r, [&](qsizetype k) { return r.perLink[i][k]; }, &highest);
    } else {
        lines << series(
            sendtext::stateText(S::Sent), r, [&](qsizetype k) { return b[k].sent; }, &highest);
        lines << series(
            kNotSent, r, [&](qsizetype k) { return b[k].refused + b[k].failed; }, &highest);
        lines << series(
            sendtext::stateText(S::Unknown), r, [&](qsizetype k) { return b[k].unknown; },
            &highest);
    }
    replaceChart(m_messagesView, timeChart(kMessagesChart, r, lines, highest));
    highest = 0;
    lines = {series(
                 sendtext::stateText(S::Delivered), r, [&](qsizetype k) { return b[k].delivered; },
                 &highest),
             series(
                 sendtext::stateText(S::Undelivered), r,
                 [&](qsizetype k) { return b[k].undelivered; }, &highest)};
    replaceChart(m_deliveryView, timeChart(kDeliveryChart, r, lines, highest));
}

QString RunReportWindow::chooseFile(const QString& caption, const QString& filter,
                                    const QString& suffix) {
    return m_shell.dialogs().saveFileName(this, {caption, m_shell.programDir(), filter, suffix});
}

void RunReportWindow::exportCsv() {
    const QString path =
        chooseFile(reporttext::kExportCsv, QStringLiteral("CSV|*.csv"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    QString why;
    if (!m_journal.exportCsv(m_run, path, &why))
        m_shell.messages().showMessage(reporttext::kExportFailed + why);
}

void RunReportWindow::exportXlsx() {
    const QString path =
        chooseFile(reporttext::kExportXlsx, QStringLiteral("Excel|*.xlsx"), QStringLiteral("xlsx"));
    if (path.isEmpty())
        return;
    const qint64 total = m_report ? m_report->counts.total() : 0;
    QProgressDialog progress(reporttext::kExporting, QString(), 0, int(total), this);
    progress.setObjectName(QStringLiteral("dlgReportExport"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    QString why;
    const bool ok = RunReport::exportXlsx(m_journal, m_run, path, &why,
                                          [&](qint64 rows) { progress.setValue(int(rows)); });
    progress.reset();
    if (!ok)
        m_shell.messages().showMessage(reporttext::kExportFailed + why);
}
