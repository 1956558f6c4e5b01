#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>

// A row set with a current row. Counts are always the true number of rows
// (read whole, or counted by the database), never what a lazily fetched
// model happens to hold, so a count that decides something is exact.
class Cursor : public QObject {
    Q_OBJECT
public:
    Cursor(const QString& name, const QString& connection, QObject* parent);

    QString connectionName() const { return m_connection; }
    bool isActive() const { return m_active; }
    virtual bool open(QString* error = nullptr) = 0;
    void close();

    int recordCount() const { return m_rowCount; }
    const QStringList& columns() const { return m_columns; }
    int columnIndex(const QString& column) const;

    // Current row: -1 when there is none (closed or empty).
    int recNo() const { return m_current; }
    void setRecNo(int row);
    bool first();
    bool next();
    bool eof() const { return m_current < 0 || m_current >= m_rowCount; }

    virtual QVariant value(int row, int column) const;
    QVariant value(int row, const QString& column) const;
    QVariant value(const QString& column) const { return value(m_current, column); }

    // Makes the first row whose column equals the value current.
    bool locate(const QString& column, const QVariant& value);

Q_SIGNALS:
    void opened();
    void aboutToClose();
    void closed();
    // Rows were added, changed or removed while open.
    void rowsChanged();
    void currentChanged(int row);

protected:
    // Reads every row of an executed query into memory: for the small row
    // sets of statements, never for member tables.
    bool load(class QSqlQuery& query, QString* error);
    // Drops whatever rows a cursor holds; called by close().
    virtual void forgetRows();

    QString m_connection;
    bool m_active = false;
    QStringList m_columns;
    QVector<QVariant> m_values; // rows read by load(), m_columns.size() per row
    int m_rowCount = 0;
    int m_current = -1;
};
