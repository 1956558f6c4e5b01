#include "store/ReadOnlyTableModel.h"

#include "store/TableCursor.h"

ReadOnlyTableModel::ReadOnlyTableModel(TableCursor& table, const QList<Column>& columns,
                                       QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_columns(columns) {
    connect(&m_table, &Cursor::opened, this, &ReadOnlyTableModel::resync);
    connect(&m_table, &Cursor::closed, this, &ReadOnlyTableModel::resync);
    connect(&m_table, &Cursor::rowsChanged, this, &ReadOnlyTableModel::resync);
    resync();
}

int ReadOnlyTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int ReadOnlyTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ReadOnlyTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns.size())
        return {};
    const Column& column = m_columns[index.column()];
    if (role == Qt::DisplayRole)
        return m_table.value(index.row(), column.name).toString();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.alignment);
    return {};
}

QVariant ReadOnlyTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= m_columns.size())
        return {};
    return m_columns[section].header;
}

void ReadOnlyTableModel::resync() {
    beginResetModel();
    m_rows = m_table.isActive() ? m_table.recordCount() : 0;
    endResetModel();
}
