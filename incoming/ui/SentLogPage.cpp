#include "incoming/ui/SentLogPage.h"

#include <QBoxLayout>
#include <QDialog>
#include <QEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "incoming/IncomingTexts.h"
#include "sending/RunReportTexts.h"
#include "shell/ui/Modal.h"
#include "shell/ui/ShellContext.h"
#include "store/Database.h"
#include "store/Store.h"

SentLogPage::SentLogPage(ShellContext& shell, QDialog& reports, QObject* parent)
    : QObject(parent), m_shell(shell), m_Form8(reports) {
    using namespace incomingtext;
    const Qt::Alignment centre = Qt::AlignCenter;
    m_page = LogPageLayout::build(
        m_shell.page(Page::SentLog), m_shell.database().ADOTable5,
        {{QStringLiteral("num"), kColRecipient,
          Qt::AlignAbsolute | Qt::AlignRight | Qt::AlignVCenter},
         {QStringLiteral("time"), kColTimeSent, centre},
         {QStringLiteral("date"), kColDateSent, centre},
         {QStringLiteral("pos"), kColPos, centre}},
        kSentTitle, 11, kResendCaption, kSentDeleteCaption,
        {"DBGrid3", "Memo1", "btnDeliveryReports", "btnSendAgain", "btnDelete"});
    connect(m_page.grid, &QTableView::clicked, this,
            [this](const QModelIndex& index) { selectRow(index.row()); });
    m_page.grid->installEventFilter(this);
    connect(m_page.action, &QPushButton::clicked, this, &SentLogPage::sendAgain);
    connect(m_page.remove, &QPushButton::clicked, this, &SentLogPage::deleteMessage);
    connect(m_page.icon, &QToolButton::clicked, this, [this] { Modal::run(&m_Form8); });
    // Beside the page's two buttons, in their row.
    m_report = new QPushButton(reporttext::kOpenButton, m_page.action->parentWidget());
    m_report->setObjectName(QStringLiteral("btnRunReport"));
    for (auto* row : m_page.action->parentWidget()->findChildren<QHBoxLayout*>()) {
        if (row->indexOf(m_page.action) >= 0)
            row->insertWidget(row->indexOf(m_page.remove) + 1, m_report);
    }
    connect(m_report, &QPushButton::clicked, this, [this] { openReport(m_page.chosenRow()); });
    connect(m_page.grid, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openReport(index.row()); });
}

void SentLogPage::openReport(int row) {
    TableCursor& send = m_shell.database().ADOTable5;
    if (row < 0 || row >= send.recordCount())
        return;
    m_shell.hooks().sending.openRunReport({send.value(row, QStringLiteral("num")).toString(),
                                           send.value(row, QStringLiteral("time")).toString(),
                                           send.value(row, QStringLiteral("date")).toString(),
                                           send.value(row, QStringLiteral("matn")).toString()});
}

int SentLogPage::currentRow() const {
    return m_page.chosenRow();
}

void SentLogPage::selectRow(int row) {
    TableCursor& send = m_shell.database().ADOTable5;
    if (row < 0 || row >= send.recordCount())
        return;
    const QVariant text = send.value(row, QStringLiteral("matn"));
    if (!text.isNull())
        m_page.memo->setPlainText(text.toString());
}

void SentLogPage::sendAgain() {
    const QString text = m_page.memo->toPlainText();
    if (text.trimmed().isEmpty()) {
        m_shell.messages().showMessage(incomingtext::kNoText);
        return;
    }
    m_shell.selectPage(Page::Send);
    m_shell.hooks().sending.setComposerText(text);
}

void SentLogPage::deleteMessage() {
    if (!m_shell.messages().ask(incomingtext::kDeleteQuestion))
        return;
    const int row = m_page.chosenRow();
    if (row >= 0) {
        const StoreResult removed =
            store::removeSentLog(m_shell.database(), m_page.table->rowid(row));
        if (removed)
            m_page.chooseAfterDelete(row);
        else
            m_shell.messages().showError(removed.error);
    }
    m_page.memo->clear();
}

void SentLogPage::reopen() {
    TableCursor& send = m_shell.database().ADOTable5;
    send.close();
    send.open();
}

bool SentLogPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_page.grid && event->type() == QEvent::KeyRelease)
        selectRow(m_page.grid->currentIndex().row());
    return QObject::eventFilter(watched, event);
}
