#include "store/Cursor.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

Cursor::Cursor(const QString& name, const QString& connection, QObject* parent)
    : QObject(parent), m_connection(connection) {
    setObjectName(name);
}

void Cursor::close() {
    if (!m_active)
        return;
    Q_EMIT aboutToClose();
    m_active = false;
    forgetRows();
    Q_EMIT closed();
}

void Cursor::forgetRows() {
    m_columns.clear();
    m_values.clear();
    m_rowCount = 0;
    m_current = -1;
}

int Cursor::columnIndex(const QString& column) const {
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void Cursor::setRecNo(int row) {
    const int r = (row >= 0 && row < m_rowCount) ? row : (m_rowCount > 0 ? m_rowCount : -1);
    if (r == m_current)
        return;
    m_current = r;
    Q_EMIT currentChanged(m_current);
}

bool Cursor::first() {
    setRecNo(m_rowCount > 0 ? 0 : -1);
    return !eof();
}

bool Cursor::next() {
    if (m_current >= 0 && m_current < m_rowCount) {
        m_current += 1;
        Q_EMIT currentChanged(m_current);
    }
    return !eof();
}

QVariant Cursor::value(int row, int column) const {
    if (row < 0 || row >= m_rowCount || column < 0 || column >= m_columns.size())
        return {};
    return m_values[row * m_columns.size() + column];
}

QVariant Cursor::value(int row, const QString& column) const {
    return value(row, columnIndex(column));
}

bool Cursor::locate(const QString& column, const QVariant& value) {
    const int c = columnIndex(column);
    if (c < 0)
        return false;
    for (int r = 0; r < m_rowCount; ++r) {
        if (this->value(r, c) == value) {
            setRecNo(r);
            return true;
        }
    }
    return false;
}

bool Cursor::load(QSqlQuery& query, QString* error) {
    forgetRows();
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        m_columns.append(record.fieldName(i));
    const int width = static_cast<int>(m_columns.size());
    while (query.next()) {
        for (int i = 0; i < width; ++i)
            m_values.append(query.value(i));
        ++m_rowCount;
    }
    if (query.lastError().isValid()) {
        if (error)
            *error = query.lastError().text();
        forgetRows();
        return false;
    }
    m_current = m_rowCount > 0 ? 0 : -1;
    return true;
}
