#pragma once

#include "shell/ui/BidiDelegate.h"

class TableCursor;

// The inbox's status cells: a message whose whole text is an opt-out or
// opt-in reply says so beside its status. Only the painted text changes;
// the stored status and message stay as they were.
class ReplyMarkDelegate : public BidiDelegate {
    Q_OBJECT
public:
    ReplyMarkDelegate(TableCursor& table, QObject* parent);

    // The text the cell shows.
    QString shownText(const QModelIndex& index) const;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    TableCursor& m_table;
};
