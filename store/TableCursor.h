#pragma once

#include <QVariantMap>

#include "store/Cursor.h"

// A cursor on one whole table, optionally narrowed by a filter of the form
// column=value. Rows are addressed by SQLite's rowid: the member tables have
// no key, and an edit or delete must touch exactly the row chosen even when
// another row holds the same values. Every write is committed when it returns.
class TableCursor : public Cursor {
    Q_OBJECT
public:
    using Cursor::Cursor;

    // Only while closed.
    void setTableName(const QString& table) { m_table = table; }
    QString tableName() const { return m_table; }

    // "column=value", for example "tart=03/08"; the value is bound, not spliced.
    void setFilter(const QString& expression) { m_filter = expression; }
    QString filter() const { return m_filter; }
    void setFiltered(bool on) { m_filtered = on; }
    bool filtered() const { return m_filtered; }

    bool open(QString* error = nullptr) override;
    // Re-reads the rows (after a change made by other means).
    bool refresh(QString* error = nullptr);

    // Appends a row with the given columns (others null) and posts it.
    bool append(const QVariantMap& values, QString* error = nullptr);
    // Changes the given columns of one row.
    bool update(int row, const QVariantMap& values, QString* error = nullptr);
    bool remove(int row, QString* error = nullptr);
    qint64 rowid(int row) const;

private:
    bool matchesFilter(const QVariantMap& values) const;
    bool checkColumns(const QVariantMap& values, QString* error) const;

    QString m_table;
    QString m_filter;
    bool m_filtered = false;
};
