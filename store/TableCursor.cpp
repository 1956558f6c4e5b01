#include "store/TableCursor.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

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
} // namespace

bool TableCursor::open(QString* error) {
    if (m_active)
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen()) {
        setError(error, QStringLiteral("database not open"));
        return false;
    }
    QString text = QStringLiteral("select rowid, * from ") + sql::quoteName(m_table);
    QString column;
    QString value;
    const bool filtered = m_filtered && splitFilter(m_filter, &column, &value);
    if (filtered)
        text += QStringLiteral(" where ") + sql::quoteName(column) + QStringLiteral(" = ?");
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(text)) {
        setError(error, query.lastError().text());
        return false;
    }
    if (filtered)
        query.addBindValue(value);
    if (!query.exec() || !load(query, true, error)) {
        if (query.lastError().isValid())
            setError(error, query.lastError().text());
        return false;
    }
    m_active = true;
    Q_EMIT opened();
    return true;
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
    QString column;
    QString value;
    if (!m_filtered || !splitFilter(m_filter, &column, &value))
        return true;
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it.key().compare(column, Qt::CaseInsensitive) == 0)
            return it.value().toString() == value;
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
        m_rowids.append(query.lastInsertId().toLongLong());
        for (const QString& c : m_columns) {
            QVariant v;
            for (auto it = values.begin(); it != values.end(); ++it) {
                if (it.key().compare(c, Qt::CaseInsensitive) == 0)
                    v = it.value();
            }
            m_values.append(v);
        }
        ++m_rowCount;
        m_current = m_rowCount - 1;
        Q_EMIT rowsChanged();
        Q_EMIT currentChanged(m_current);
    }
    return true;
}

bool TableCursor::update(int row, const QVariantMap& values, QString* error) {
    if (!m_active || row < 0 || row >= m_rowCount) {
        setError(error, QStringLiteral("no current row"));
        return false;
    }
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
    query.addBindValue(m_rowids[row]);
    if (!query.exec()) {
        setError(error, query.lastError().text());
        return false;
    }
    for (auto it = values.begin(); it != values.end(); ++it)
        m_values[row * m_columns.size() + columnIndex(it.key())] = it.value();
    Q_EMIT rowsChanged();
    return true;
}

bool TableCursor::remove(int row, QString* error) {
    if (!m_active || row < 0 || row >= m_rowCount) {
        setError(error, QStringLiteral("no current row"));
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.prepare(QStringLiteral("delete from ") + sql::quoteName(m_table) +
                       QStringLiteral(" where rowid=?"))) {
        setError(error, query.lastError().text());
        return false;
    }
    query.addBindValue(m_rowids[row]);
    if (!query.exec()) {
        setError(error, query.lastError().text());
        return false;
    }
    const int width = static_cast<int>(m_columns.size());
    m_values.remove(static_cast<qsizetype>(row) * width, width);
    m_rowids.remove(row);
    --m_rowCount;
    if (m_current >= m_rowCount)
        m_current = m_rowCount - 1;
    Q_EMIT rowsChanged();
    Q_EMIT currentChanged(m_current);
    return true;
}

qint64 TableCursor::rowid(int row) const {
    return row >= 0 && row < m_rowids.size() ? m_rowids[row] : -1;
}
