#pragma once

#include <QAbstractTableModel>
#include <QList>

class TableCursor;

// Some columns of a table cursor for a read-only grid (the sent log, the
// inbox, the failed numbers). Rows are read from the cursor as the grid
// shows them and follow it when it opens, closes or changes.
class ReadOnlyTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString name;
        QString header;
        Qt::Alignment alignment = Qt::AlignLeading | Qt::AlignVCenter;
    };

    ReadOnlyTableModel(TableCursor& table, const QList<Column>& columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    TableCursor& table() const { return m_table; }

private:
    void resync();

    TableCursor& m_table;
    QList<Column> m_columns;
    int m_rows = 0;
};
