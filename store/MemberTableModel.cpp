#include "store/MemberTableModel.h"

#include "store/PhoneNumberCleaner.h"
#include "store/StoreTexts.h"
#include "store/TableCursor.h"

namespace {
const QString kColumns[MemberTableModel::kColumnCount] = {
    QStringLiteral("name"), QStringLiteral("family"), QStringLiteral("num"), QStringLiteral("tart"),
    QStringLiteral("targ")};
constexpr int kLengths[MemberTableModel::kColumnCount] = {40, 50, 15, 5, 5};
} // namespace

const QString& MemberTableModel::columnName(int column) {
    return kColumns[column];
}

int MemberTableModel::columnLength(int column) {
    return kLengths[column];
}

MemberTableModel::MemberTableModel(TableCursor& table, bool editable, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_editable(editable) {
    connect(&m_table, &Cursor::opened, this, &MemberTableModel::resync);
    connect(&m_table, &Cursor::closed, this, &MemberTableModel::resync);
    connect(&m_table, &Cursor::rowsChanged, this, &MemberTableModel::resync);
    resync();
}

int MemberTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int MemberTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant MemberTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    const QString& column = kColumns[index.column()];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (index.row() == m_editRow && m_pending.contains(column))
            return m_pending.value(column);
        return m_table.value(index.row(), column).toString();
    }
    if (role == Qt::TextAlignmentRole && index.column() >= 3)
        return QVariant::fromValue(Qt::AlignCenter);
    return {};
}

QVariant MemberTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section == m_editRow ? QStringLiteral("I") : QString();
    using namespace storetext;
    static const QString* headers[kColumnCount] = {&kColName, &kColFamily, &kColNum, &kColTart,
                                                   &kColTarg};
    return section >= 0 && section < kColumnCount ? *headers[section] : QString();
}

Qt::ItemFlags MemberTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_editable && index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

bool MemberTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!m_editable || role != Qt::EditRole || !index.isValid() || index.row() >= m_rows)
        return false;
    if (m_editRow >= 0 && m_editRow != index.row() && hasPendingEdit()) {
        // Leaving a row stores what was typed into it, as the grid does.
        QString error;
        if (!post(&error))
            return false;
    }
    const QString& column = kColumns[index.column()];
    // A number typed in the grid is kept in the one clean form when the
    // rule can read it, before the column's length applies: "+98 912 345
    // 6789" is longer than the column but not than the number. Anything
    // else is stored as typed, as before.
    QString text = value.toString();
    const PhoneNumberCleaner::Result clean =
        column == kColumns[2] ? PhoneNumberCleaner().clean(text) : PhoneNumberCleaner::Result{};
    text = clean.ok() ? clean.number : text.left(kLengths[index.column()]);
    if (m_editRow != index.row()) {
        const int previous = m_editRow;
        m_editRow = index.row();
        if (previous >= 0)
            Q_EMIT headerDataChanged(Qt::Vertical, previous, previous);
        Q_EMIT headerDataChanged(Qt::Vertical, m_editRow, m_editRow);
    }
    if (text == m_table.value(index.row(), column).toString() && !m_pending.contains(column))
        return true;
    m_pending.insert(column, text);
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

bool MemberTableModel::post(QString* error) {
    if (m_editRow < 0)
        return true;
    const int row = m_editRow;
    QVariantMap values;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        const QString text = it.value().toString();
        values.insert(it.key(), text.isEmpty() ? QVariant() : QVariant(text));
    }
    m_editRow = -1;
    m_pending.clear();
    Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    if (values.isEmpty())
        return true;
    // A null number is refused by the table, not here: the engine's rule.
    m_ownChange = true;
    const bool ok = m_table.update(row, values, error);
    m_ownChange = false;
    Q_EMIT dataChanged(index(row, 0), index(row, kColumnCount - 1));
    return ok;
}

void MemberTableModel::cancel() {
    if (m_editRow < 0)
        return;
    const int row = m_editRow;
    m_editRow = -1;
    m_pending.clear();
    Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    Q_EMIT dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

bool MemberTableModel::removeMember(int row, QString* error) {
    if (row < 0 || row >= m_rows)
        return false;
    // An edit held for another row is stored first, as leaving that row
    // would; one held for the row going away goes with it.
    if (m_editRow == row)
        cancel();
    else if (hasPendingEdit() && !post(error))
        return false;
    beginRemoveRows({}, row, row);
    m_ownChange = true;
    const bool ok = m_table.remove(row, error);
    m_ownChange = false;
    if (ok)
        m_rows = m_table.isActive() ? m_table.recordCount() : 0;
    endRemoveRows();
    if (!ok) {
        // Nothing went: show the rows as they are.
        beginResetModel();
        m_rows = m_table.isActive() ? m_table.recordCount() : 0;
        endResetModel();
    }
    return ok;
}

void MemberTableModel::resync() {
    if (m_ownChange)
        return;
    const int rows = m_table.isActive() ? m_table.recordCount() : 0;
    if (rows == m_rows + 1 && m_rows > 0) {
        // An append: the new row is the last one.
        beginInsertRows({}, m_rows, m_rows);
        m_rows = rows;
        endInsertRows();
        return;
    }
    if (rows == m_rows && rows > 0 && m_table.isActive()) {
        Q_EMIT dataChanged(index(0, 0), index(rows - 1, kColumnCount - 1));
        return;
    }
    beginResetModel();
    m_rows = rows;
    m_editRow = -1;
    m_pending.clear();
    endResetModel();
}
