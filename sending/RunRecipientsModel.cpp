#include "sending/RunRecipientsModel.h"

#include "sending/RunReportTexts.h"
#include "sending/SendRunTexts.h"

RunRecipientsModel::RunRecipientsModel(const SendJournal& journal, QObject* parent)
    : QAbstractTableModel(parent), m_journal(journal) {}

void RunRecipientsModel::setRun(qint64 run, std::optional<RecipientState> only) {
    beginResetModel();
    m_run = run;
    m_only = only;
    m_pages.clear();
    m_positions.clear();
    m_pagesRead = 0;
    const bool any = run != 0 && m_journal.isOpen();
    m_rows = any && !only ? int(m_journal.counts(run).total()) : 0;
    // Positions run 0, 1, 2, ... as planned, so a row is its position; the
    // rows of one state, or a journal that should ever hold gaps, are found
    // by the list of their positions instead.
    if (any && (only || (m_rows > 0 && (!m_journal.recipient(run, m_rows - 1) ||
                                        !m_journal.recipients(run, m_rows, 1).isEmpty())))) {
        m_positions = m_journal.positions(run, only);
        m_rows = int(m_positions.size());
    }
    endResetModel();
}

const RunRecipientsModel::Page* RunRecipientsModel::page(int index) const {
    auto found = m_pages.find(index);
    if (found == m_pages.end()) {
        if (m_pages.size() >= kPagesHeld) {
            auto oldest = m_pages.begin();
            for (auto it = m_pages.begin(); it != m_pages.end(); ++it) {
                if (it->used < oldest->used)
                    oldest = it;
            }
            m_pages.erase(oldest);
        }
        const int first = index * kPageRows;
        const int from = m_positions.isEmpty() ? first : m_positions.value(first);
        found = m_pages.insert(index, {m_journal.recipients(m_run, from, kPageRows, m_only), 0});
        ++m_pagesRead;
    }
    found->used = ++m_uses;
    return &*found;
}

const JournalRecipient* RunRecipientsModel::recipient(int row) const {
    if (row < 0 || row >= m_rows)
        return nullptr;
    const Page* p = page(row / kPageRows);
    const int at = row % kPageRows;
    return at < p->rows.size() ? &p->rows[at] : nullptr;
}

int RunRecipientsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int RunRecipientsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RunRecipientsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const JournalRecipient* r = recipient(index.row());
    if (!r)
        return {};
    switch (index.column()) {
    case Position:
        return QString::number(r->position + 1);
    case Number:
        return r->number;
    case Name:
        return (r->name.toString() + QLatin1Char(' ') + r->family.toString()).trimmed();
    case State:
        return sendtext::stateText(r->state);
    case Link:
        return r->link;
    default:
        return {};
    }
}

QVariant RunRecipientsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Position:
        return sendtext::kColPosition;
    case Number:
        return sendtext::kColNum;
    case Name:
        return sendtext::kColName;
    case State:
        return sendtext::kColState;
    case Link:
        return reporttext::kColLink;
    default:
        return {};
    }
}
