#pragma once

#include <QVariantList>

#include "store/Cursor.h"

// A statement object: its text is set, then it is either opened as a row set
// or executed. Values go in as bound parameters.
class QueryCursor : public Cursor {
    Q_OBJECT
public:
    using Cursor::Cursor;

    void setSql(const QString& text, const QVariantList& bound = {});
    QString sql() const { return m_sql; }

    bool open(QString* error = nullptr) override;
    bool exec(QString* error = nullptr);
    // Close and open again, as after any change to the tables behind it.
    bool reopen(QString* error = nullptr);

private:
    QString m_sql;
    QVariantList m_bound;
};
