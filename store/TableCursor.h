#pragma once

#include <QHash>
#include <QMap>
#include <QVariantMap>

#include "store/Cursor.h"

// A cursor on one whole table, optionally narrowed by a filter of the form
// column=value. Rows are addressed by SQLite's rowid: the member tables have
// no key, and an edit or delete must touch exactly the row chosen even when
// another row holds the same values. Every write is committed when it returns.
//
// A group may hold a million members, so the rows are never read whole: the
// count comes from the database when the table opens, and rows are read in
// small blocks as they are asked for (a grid's visible rows, or a walk with
// first() and next()), a bounded number of blocks kept at a time. Rows are
// in rowid order, which is the order they were stored in.
class TableCursor : public Cursor {
    Q_OBJECT
public:
    static constexpr int kBlockRows = 128;
    static constexpr int kKeptBlocks = 32;

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
    // Re-reads the count and forgets the rows read (after a change made by
    // other means).
    bool refresh(QString* error = nullptr);

    using Cursor::value;
    QVariant value(int row, int column) const override;

    // Appends a row with the given columns (others null) and posts it.
    bool append(const QVariantMap& values, QString* error = nullptr);
    // Changes the given columns of one row.
    bool update(int row, const QVariantMap& values, QString* error = nullptr);
    bool remove(int row, QString* error = nullptr);
    qint64 rowid(int row) const;

    // Blocks held in memory now; at most kKeptBlocks.
    int blocksHeld() const { return static_cast<int>(m_blocks.size()); }

protected:
    void forgetRows() override;

private:
    struct Block {
        QVector<qint64> rowids;
        QVector<QVariant> values; // row-major, m_columns.size() per row
        quint64 lastUse = 0;
    };

    bool matchesFilter(const QVariantMap& values) const;
    bool checkColumns(const QVariantMap& values, QString* error) const;
    // The block holding the row, read if it is not held; null on a failed read.
    const Block* blockOf(int row) const;
    bool readBlock(int index, Block* block) const;
    void forgetBlocksFrom(int index);

    QString m_table;
    QString m_filter;
    bool m_filtered = false;
    // The filter as it was when the table opened.
    QString m_filterColumn;
    QString m_filterValue;
    bool m_filterOn = false;

    mutable QHash<int, Block> m_blocks;
    // Where blocks start: block index -> least rowid of its first row. Block
    // 0 always has an entry; reading block n starts from the nearest known
    // start at or before it, so a walk never skips over rows it has read.
    mutable QMap<int, qint64> m_starts;
    mutable quint64 m_uses = 0;
};
