#include "incoming/ui/InboxPage.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "incoming/IncomingTexts.h"
#include "incoming/ui/ReplyMarkDelegate.h"
#include "shell/ui/ShellContext.h"
#include "store/Database.h"
#include "store/Sql.h"
#include "store/Store.h"

InboxPage::InboxPage(ShellContext& shell, QObject* parent) : QObject(parent), m_shell(shell) {
    using namespace incomingtext;
    const Qt::Alignment centre = Qt::AlignCenter;
    m_page = LogPageLayout::build(m_shell.page(Page::Inbox), m_shell.database().ADOTable6,
                                  {{QStringLiteral("num"), kColSender, centre},
                                   {QStringLiteral("time"), kColTimeSent, centre},
                                   {QStringLiteral("date"), kColDateSent, centre},
                                   {QStringLiteral("pos"), kColPos, centre},
                                   // Empty for rows from before the pool and from a lone modem.
                                   {QStringLiteral("modem"), kColModem, centre}},
                                  kInboxTitle, 12, kReplyCaption, kInboxDeleteCaption,
                                  {"DBGrid4", "Memo6", "btnCounts", "btnReply", "btnDelete"});
    // The status column (the fourth) tells an opt-out or opt-in reply.
    m_page.grid->setItemDelegateForColumn(
        3, new ReplyMarkDelegate(m_shell.database().ADOTable6, m_page.grid));
    connect(m_page.grid, &QTableView::clicked, this,
            [this](const QModelIndex& index) { selectRow(index.row()); });
    m_page.grid->installEventFilter(this);
    connect(m_page.action, &QPushButton::clicked, this, &InboxPage::reply);
    connect(m_page.remove, &QPushButton::clicked, this, &InboxPage::deleteMessage);
    connect(m_page.icon, &QToolButton::clicked, this, &InboxPage::showCounts);
}

int InboxPage::currentRow() const {
    return m_page.chosenRow();
}

void InboxPage::selectRow(int row) {
    TableCursor& reci = m_shell.database().ADOTable6;
    if (row < 0 || row >= reci.recordCount())
        return;
    const QVariant text = reci.value(row, QStringLiteral("matn"));
    if (!text.isNull())
        m_page.memo->setPlainText(text.toString());
    if (reci.value(row, QStringLiteral("pos")).toString() != sql::kPosNew)
        return;
    const StoreResult marked = store::markReceivedRead(m_shell.database(), row);
    // The grid is rebuilt from the cursor; the row chosen stays chosen.
    m_page.grid->setCurrentIndex(m_page.model->index(row, 0));
    if (!marked)
        m_shell.messages().showError(marked.error);
}

void InboxPage::reply() {
    const int row = currentRow();
    const QString number =
        row >= 0 ? m_shell.database().ADOTable6.value(row, QStringLiteral("num")).toString()
                 : QString();
    m_shell.selectPage(Page::Send);
    if (row >= 0)
        m_shell.hooks().sending.setSingleNumber(number);
}

void InboxPage::deleteMessage() {
    if (!m_shell.messages().ask(incomingtext::kDeleteQuestion))
        return;
    const int row = m_page.chosenRow();
    if (row >= 0) {
        const StoreResult removed =
            store::removeReceived(m_shell.database(), m_page.table->rowid(row));
        if (removed)
            m_page.chooseAfterDelete(row);
        else
            m_shell.messages().showError(removed.error);
    }
    m_page.memo->clear();
}

void InboxPage::showCounts() {
    using namespace incomingtext;
    store::ReceivedCounts c;
    const StoreResult counted = store::countReceived(m_shell.database(), &c);
    if (!counted) {
        m_shell.messages().showError(counted.error);
        return;
    }
    const QString twoCr = QStringLiteral("\r\r");
    m_shell.messages().showMessage(kCountTotal + QString::number(c.total) + twoCr + kCountRead +
                                   QString::number(c.read) + twoCr + kCountNew +
                                   QString::number(c.unread));
}

void InboxPage::reopen() {
    TableCursor& reci = m_shell.database().ADOTable6;
    reci.close();
    reci.open();
}

bool InboxPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_page.grid && event->type() == QEvent::KeyRelease)
        selectRow(m_page.grid->currentIndex().row());
    return QObject::eventFilter(watched, event);
}
