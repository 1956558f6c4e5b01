#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

#include <optional>

#include "sending/SendJournal.h"

// A run's recipients with their states, for a view over runs of 100,000 and
// more: the rows are read from the journal a page at a time as the view
// reaches them, and only a few pages are held.
class RunRecipientsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Position, Number, Name, State, Link, ColumnCount };
    static constexpr int kPageRows = 200;
    static constexpr int kPagesHeld = 16;

    explicit RunRecipientsModel(const SendJournal& journal, QObject* parent = nullptr);

    // Shows the run's rows (0: none), of one state only when given, read
    // afresh.
    void setRun(qint64 run, std::optional<RecipientState> only = {});
    qint64 run() const { return m_run; }
    // The recipient at a row; nullptr past the end or when it cannot be read.
    const JournalRecipient* recipient(int row) const;
    // Pages read from the journal since the run was set (how lazy it is).
    int pagesRead() const { return m_pagesRead; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Page {
        QList<JournalRecipient> rows;
        quint64 used = 0;
    };
    const Page* page(int index) const;

    const SendJournal& m_journal;
    qint64 m_run = 0;
    std::optional<RecipientState> m_only;
    int m_rows = 0;
    // Positions of the rows when they are not simply 0, 1, 2, ...
    QList<int> m_positions;
    mutable QHash<int, Page> m_pages;
    mutable quint64 m_uses = 0;
    mutable int m_pagesRead = 0;
};
