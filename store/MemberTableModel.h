#pragma once

#include <QAbstractTableModel>
#include <QVariantMap>

class TableCursor;

// The five member columns of a member table cursor, for the grids of the
// members pages. Rows are the cursor's rows, so an edit or a delete reaches
// the table by the rowid of exactly the row shown. On an editable model an
// edit is held for its row until it is posted; the grid posts it when the
// operator moves off the row, and editing another row posts it first.
class MemberTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 5;
    static const QString& columnName(int column); // name, family, num, tart, targ
    static int columnLength(int column);          // 40, 50, 15, 5, 5

    MemberTableModel(TableCursor& table, bool editable, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The row being edited, -1 when none.
    int editRow() const { return m_editRow; }
    bool hasPendingEdit() const { return m_editRow >= 0 && !m_pending.isEmpty(); }
    // Stores the held edit. An empty cell is stored as no value; the engine
    // refuses that for the number, and the edit is then dropped.
    bool post(QString* error = nullptr);
    void cancel();
    // Deletes one row of the table, after storing an edit held for another.
    bool removeMember(int row, QString* error = nullptr);

    TableCursor& table() const { return m_table; }

private:
    void resync();

    TableCursor& m_table;
    bool m_editable;
    bool m_ownChange = false;
    int m_rows = 0;
    int m_editRow = -1;
    QVariantMap m_pending;
};
