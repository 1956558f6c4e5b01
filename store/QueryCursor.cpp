#include "store/QueryCursor.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

void QueryCursor::setSql(const QString& text, const QVariantList& bound) {
    m_sql = text;
    m_bound = bound;
}

bool QueryCursor::open(QString* error) {
    if (m_active)
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ok = db.isOpen() && query.prepare(m_sql);
    for (const QVariant& v : m_bound)
        query.addBindValue(v);
    ok = ok && query.exec() && load(query, error);
    if (!ok) {
        if (error)
            *error = db.isOpen() ? query.lastError().text() : QStringLiteral("database not open");
        return false;
    }
    m_active = true;
    Q_EMIT opened();
    return true;
}

bool QueryCursor::exec(QString* error) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    bool ok = db.isOpen() && query.prepare(m_sql);
    for (const QVariant& v : m_bound)
        query.addBindValue(v);
    ok = ok && query.exec();
    if (!ok && error)
        *error = db.isOpen() ? query.lastError().text() : QStringLiteral("database not open");
    return ok;
}

bool QueryCursor::reopen(QString* error) {
    close();
    return open(error);
}
