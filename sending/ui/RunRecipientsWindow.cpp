#include "sending/ui/RunRecipientsWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "sending/RunNotice.h"
#include "sending/RunRecipientsModel.h"
#include "sending/SendJournal.h"
#include "sending/SendRunTexts.h"
#include "shell/ui/DialogService.h"
#include "shell/ui/ShellContext.h"

RunRecipientsWindow::RunRecipientsWindow(ShellContext& shell, SendJournal& journal,
                                         std::function<bool(qint64)> resend)
    : QDialog(shell.mainWindow()), m_shell(shell), m_journal(journal), m_resend(std::move(resend)) {
    using namespace sendtext;
    setObjectName(QStringLiteral("RunRecipientsWindow"));
    setWindowTitle(kRecipientsTitle);
    setLayoutDirection(Qt::RightToLeft);
    resize(560, 420);
    auto* layout = new QVBoxLayout(this);
    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("lblRecipientCounts"));
    m_counts->setWordWrap(true);
    layout->addWidget(m_counts);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("gridRunRecipients"));
    // Read from the journal as the list is scrolled: a run may hold 100,000.
    m_model = new RunRecipientsModel(journal, m_grid);
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_grid, 1);
    auto* buttons = new QHBoxLayout;
    m_export = new QPushButton(kExportRecipients, this);
    m_export->setObjectName(QStringLiteral("btnExportRecipients"));
    m_resendButton = new QPushButton(this);
    m_resendButton->setObjectName(QStringLiteral("btnResendUnknown"));
    buttons->addWidget(m_export);
    buttons->addWidget(m_resendButton);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(m_export, &QPushButton::clicked, this, &RunRecipientsWindow::exportCsv);
    connect(m_resendButton, &QPushButton::clicked, this, &RunRecipientsWindow::resendUnknown);
}

void RunRecipientsWindow::showLatest() {
    m_run = m_journal.isOpen() ? m_journal.lastRunId() : 0;
    fill();
    show();
    raise();
}

void RunRecipientsWindow::fill() {
    m_model->setRun(m_run);
    if (m_run == 0) {
        m_counts->setText(sendtext::kRecipientsNone);
        m_export->setEnabled(false);
        m_resendButton->setText(sendtext::resendUnknownChoice(0));
        m_resendButton->setEnabled(false);
        return;
    }
    m_counts->setText(runnotice::progressText(m_journal, m_run));
    const qint64 unknown = m_journal.counts(m_run).of(RecipientState::Unknown);
    m_export->setEnabled(true);
    m_resendButton->setText(sendtext::resendUnknownChoice(unknown));
    m_resendButton->setEnabled(unknown > 0);
}

void RunRecipientsWindow::exportCsv() {
    const QString path =
        m_shell.dialogs().saveFileName(this, {sendtext::kExportRecipients, m_shell.programDir(),
                                              QStringLiteral("CSV|*.csv"), QStringLiteral("csv")});
    if (path.isEmpty())
        return;
    QString why;
    if (!m_journal.exportCsv(m_run, path, &why))
        m_shell.messages().showMessage(sendtext::kExportFailed + why);
}

void RunRecipientsWindow::resendUnknown() {
    if (m_resend && m_resend(m_run)) {
        hide();
        return;
    }
    fill();
}
