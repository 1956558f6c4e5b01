#include "store/TableCursor.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <limits>

#include "store/Sql.h"

namespace {
void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

bool splitFilter(const QString& expression, QString* column, QString* value) {
    const qsizetype eq = expression.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    *column = expression.left(eq).trimmed();
    *value = expression.mid(eq + 1).trimmed();
    if (value->size() >= 2 && value->startsWith(QLatin1Char('\'')) &&
        value->endsWith(QLatin1Char('\'')))
        *value = value->mid(1, value->size() - 2);
    return true;
}

constexpr qint64 kLeastRowid = std::numeric_limits<qint64>::min();
} // namespace

bool TableCursor::open(QString* error) {
    if (m_active)
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen()) {
        setError(error, QStringLiteral("database not open"));
        return false;
    }
    m_filterOn = m_filtered && splitFilter(m_filter, &m_filterColumn, &m_filterValue);
    const QString where = m_filterOn ? QStringLiteral(" where ") + sql::quoteName(m_filterColumn) +
                                           QStringLiteral(" = ?")
                                     : QString();
    QSqlQuery shape(db);
    if (!shape.exec(QStringLiteral("select * from ") + sql::quoteName(m_table) +
                    QStringLiteral(" where 0"))) {
        setError(error, shape.lastError().text());
        return false;
    }
    QSqlQuery count(db);
    count.setForwardOnly(true);
    if (!count.prepare(sql::countMembers(m_table) + where)) {
        setError(error, count.lastError().text());
        return false;
    }
    if (m_filterOn)
        count.addBindValue(m_filterValue);
    if (!count.exec() || !count.next()) {
        setError(error, count.lastError().text());
        return false;
    }
    forgetRows();
    const QSqlRecord record = shape.record();
    for (int i = 0; i < record.count(); ++i)
        m_columns.append(record.fieldName(i));
    m_rowCount = count.value(0).toInt();
    m_current = m_rowCount > 0 ? 0 : -1;
    m_active = true;
    Q_EMIT opened();
    return true;
}

void TableCursor::forgetRows() {
    Cursor::forgetRows();
    m_blocks.clear();
    m_starts.clear();
    m_starts.insert(0, kLeastRowid);
}

bool TableCursor::refresh(QString* error) {
    if (m_active) {
        // Keep listeners attached: a refresh is a change of rows, not a close.
        m_active = false;
        const int current = m_current;
        if (!open(error))
            return false;
        setRecNo(current);
        Q_EMIT rowsChanged();
        return true;
    }
    return open(error);
}

bool TableCursor::readBlock(int index, Block* block) const {
    auto start = m_starts.upperBound(index);
    --start; // block 0 is always there
    const qint64 first = qint64(index) * kBlockRows;
    const qint64 end = std::min<qint64>(first + kBlockRows, m_rowCount);
    // Rows are skipped one by one: a jump towards the end of a large table
    // (the grid's scroll bar pulled down) is read from the end, backwards.
    const qint64 skipForward = first - qint64(start.key()) * kBlockRows;
    const qint64 skipBackward = m_rowCount - end;
    const bool backward = skipBackward < skipForward;
    QStringList where;
    if (!backward)
        where.append(QStringLiteral("rowid >= ?"));
    if (m_filterOn)
        where.append(sql::quoteName(m_filterColumn) + QStringLiteral(" = ?"));
    QString text = QStringLiteral("select rowid, * from ") + sql::quoteName(m_table);
    if (!where.isEmpty())
        text += QStringLiteral(" where ") + where.join(QStringLiteral(" and "));
    text += backward ? QStringLiteral(" order by rowid desc limit ? offset ?")
                     : QStringLiteral(" order by rowid limit ? offset ?");
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!query.prepare(text))
        return false;
    if (!backward)
        query.addBindValue(start.value());
    if (m_filterOn)
        query.addBindValue(m_filterValue);
    query.addBindValue(end - first);
    query.addBindValue(backward ? skipBackward : skipForward);
    if (!query.exec())
        return false;
    const int width = static_cast<int>(m_columns.size());
    QList<QVector<QVariant>> rows;
    while (query.next()) {
        QVector<QVariant> row(width + 1);
        for (int c = 0; c <= width; ++c)
            row[c] = query.value(c);
        rows.append(std::move(row));
    }
    if (query.lastError().isValid())
        return false;
    if (backward)
        std::reverse(rows.begin(), rows.end());
    block->rowids.reserve(rows.size());
    block->values.reserve(rows.size() * width);
    for (const QVector<QVariant>& row : rows) {
        block->rowids.append(row[0].toLongLong());
        block->values.append(row.mid(1));
    }
    if (!block->rowids.isEmpty()) {
        m_starts.insert(index, block->rowids.first());
        if (block->rowids.size() == kBlockRows)
            m_starts.insert(index + 1, block->rowids.last() + 1);
    }
    return true;
}

const TableCursor::Block* TableCursor::blockOf(int row) const {
    if (!m_active || row < 0 || row >= m_rowCount)
        return nullptr;
    const int index = row / kBlockRows;
    auto held = m_blocks.find(index);
    if (held == m_blocks.end()) {
        Block block;
        if (!readBlock(index, &block))
            return nullptr;
        if (m_blocks.size() >= kKeptBlocks) {
            auto oldest = m_blocks.begin();
            for (auto it = m_blocks.begin(); it != m_blocks.end(); ++it) {
                if (it->lastUse < oldest->lastUse)
                    oldest = it;
            }
            m_blocks.erase(oldest);
        }
        held = m_blocks.insert(index, std::move(block));
    }
    held->lastUse = ++m_uses;
    const int offset = row - index * kBlockRows;
    return offset < held->rowids.size() ? &*held : nullptr;
}

void TableCursor::forgetBlocksFrom(int index) {
    for (auto it = m_blocks.begin(); it != m_blocks.end();) {
        if (it.key() >= index)
            it = m_blocks.erase(it);
        else
            ++it;
    }
}

QVariant TableCursor::value(int row, int column) const {
    if (column < 0 || column >= m_columns.size())
        return {};
    const Block* block = blockOf(row);
    if (!block)
        return {};
    return block->values[(row % kBlockRows) * m_columns.size() + column];
}

qint64 TableCursor::rowid(int row) const {
    const Block* block = blockOf(row);
    return block ? block->rowids[row % kBlockRows] : -1;
}

bool TableCursor::checkColumns(const QVariantMap& values, QString* error) const {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (columnIndex(it.key()) < 0) {
            setError(error, QStringLiteral("no column ") + it.key());
            return false;
        }
    }
    return true;
}

bool TableCursor::matchesFilter(const QVariantMap& values) const {
    if (!m_filterOn)
        return true;
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it.key().compare(m_filterColumn, Qt::CaseInsensitive) == 0)
            return it.value().toString() == m_filterValue;
    }
    return false;
}

bool TableCursor::append(const QVariantMap& values, QString* error) {
    if (!m_active) {
        setError(error, QStringLiteral("table not open"));
        return false;
    }
    if (!checkColumns(values, error))
        return false;
    QStringList names;
    QStringList marks;
    for (auto it = values.begin(); it != values.end(); ++it) {
        names.append(sql::quoteName(it.key()));
        marks.append(QStringLiteral("?"));
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    const QString text = QStringLiteral("insert into ") + sql::quoteName(m_table) +
                         QStringLiteral("(") + names.join(QLatin1Char(',')) +
                         QStringLiteral(") values(") + marks.join(QLatin1Char(',')) +
                         QStringLiteral(")");
    if (!query.prepare(text)) {
        setError(error, query.lastError().text());
        return false;
    }
    for (auto it = values.begin(); it != values.end(); ++it)
        query.addBindValue(it.value());
    if (!query.exec()) {
        setError(error, query.lastError().text());
        return false;
    }
    if (matchesFilter(values)) {
        // A new row takes the largest rowid: it is the last row, and only
        // the last block changes.
        ++m_rowCount;
        m_current = m_rowCount - 1;
        forgetBlocksFrom(m_current / kBlockRows);
        Q_EMIT rowsChanged();
        Q_EMIT currentChanged(m_current);
    }
    return true;
}

bool TableCursor::update(int row, const QVariantMap& values, QString* error) {
    if (!blockOf(row)) {
        setError(error, QStringLiteral("no current row"));
        return false;
    }
    const qint64 id = rowid(row);
    if (!checkColumns(values, error))
        return false;
    if (values.isEmpty())
        return true;
    QStringList sets;
    for (auto it = values.begin(); it != values.end(); ++it)
        sets.append(sql::quoteName(it.key()) + QStringLiteral("=?"));
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.prepare(QStringLiteral("update ") + sql::quoteName(m_table) +
                       QStringLiteral(" set ") + sets.join(QLatin1Char(',')) +
                       QStringLiteral(" where rowid=?"))) {
        setError(error, query.lastError().text());
        return false;
    }
    for (auto it = values.begin(); it != values.end(); ++it)
        query.addBindValue(it.value());
    query.addBindValue(id);
    if (!query.exec()) {
        setError(error, query.lastError().text());
        return false;
    }
    // The row is read again when next asked for.
    m_blocks.remove(row / kBlockRows);
    Q_EMIT rowsChanged();
    return true;
}

bool TableCursor::remove(int row, QString* error) {
    if (!blockOf(row)) {
        setError(error, QStringLiteral("no current row"));
        return false;
    }
    const qint64 id = rowid(row);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.prepare(QStringLiteral("delete from ") + sql::quoteName(m_table) +
                       QStringLiteral(" where rowid=?"))) {
        setError(error, query.lastError().text());
        return false;
    }
    query.addBindValue(id);
    if (!query.exec()) {
        setError(error, query.lastError().text());
        return false;
    }
    // Every later row moves up by one: later blocks start elsewhere now.
    const int index = row / kBlockRows;
    forgetBlocksFrom(index);
    m_starts.erase(m_starts.upperBound(index), m_starts.end());
    --m_rowCount;
    if (m_current >= m_rowCount)
        m_current = m_rowCount - 1;
    Q_EMIT rowsChanged();
    Q_EMIT currentChanged(m_current);
    return true;
}
