#pragma once

#include <QList>
#include <QtGlobal>

#include <QString>
#include <memory>

#include "store/ReadOnlyTableModel.h"

class QPlainTextEdit;
class QPushButton;
class QTableView;
class QToolButton;
class QWidget;
class TableCursor;

// The shared frame of the inbox and the sent log: title with its icon
// button, hint line, grid, text view and the two action buttons.
struct LogPageLayout {
    QTableView* grid = nullptr;
    ReadOnlyTableModel* model = nullptr;
    QPlainTextEdit* memo = nullptr;
    QToolButton* icon = nullptr;
    QPushButton* action = nullptr;
    QPushButton* remove = nullptr;
    TableCursor* table = nullptr;
    // The row the operator chose, by rowid: a message stored or a row
    // deleted meanwhile rebuilds the grid, and the choice must follow its
    // row, not stay at its place.
    std::shared_ptr<qint64> chosen = std::make_shared<qint64>(-1);

    // The chosen row's place now; the first row while none was chosen, -1
    // on an empty table or when the chosen row is gone: a row nobody chose
    // must not be deleted or answered.
    int chosenRow() const;
    // After the chosen row at `row` was deleted the choice moves on to the
    // row that took its place (the new last row when it was the last), and
    // shows it, as a cursor would.
    void chooseAfterDelete(int row);

    struct Names {
        const char* grid;
        const char* memo;
        const char* icon;
        const char* action;
        const char* remove;
    };
    static LogPageLayout build(QWidget* page, TableCursor& table,
                               const QList<ReadOnlyTableModel::Column>& columns,
                               const QString& title, int iconIndex, const QString& actionCaption,
                               const QString& removeCaption, const Names& names);
};
