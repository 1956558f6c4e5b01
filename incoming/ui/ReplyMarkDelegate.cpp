#include "incoming/ui/ReplyMarkDelegate.h"

#include "incoming/IncomingTexts.h"
#include "store/Cursor.h"
#include "store/OptOuts.h"
#include "store/TableCursor.h"

ReplyMarkDelegate::ReplyMarkDelegate(TableCursor& table, QObject* parent)
    : BidiDelegate(parent), m_table(table) {}

QString ReplyMarkDelegate::shownText(const QModelIndex& index) const {
    const QString status = displayText(index.data(Qt::DisplayRole), QLocale());
    if (index.row() < 0 || index.row() >= m_table.recordCount())
        return status;
    // Judged by the words as they are now: the operator may have edited
    // them since the reply came in.
    switch (optouts::classify(m_table.value(index.row(), QStringLiteral("matn")).toString(),
                              optouts::words())) {
    case optouts::Reply::OptOut:
        return status + QStringLiteral(u" ، ") + incomingtext::kOptOutReplyMark;
    case optouts::Reply::OptIn:
        return status + QStringLiteral(u" ، ") + incomingtext::kOptInReplyMark;
    case optouts::Reply::Other:
        break;
    }
    return status;
}

void ReplyMarkDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
    BidiDelegate::initStyleOption(option, index);
    option->text = shownText(index);
}
