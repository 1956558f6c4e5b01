#include "incoming/ui/LogPageLayout.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "incoming/IncomingTexts.h"
#include "shell/ui/Pictures.h"
#include "shell/ui/WidgetNames.h"
#include "shell/Bidi.h"
#include "shell/ui/BidiDelegate.h"
#include "store/TableCursor.h"

namespace {
// Rows come in rowid order, so a rowid is found by halving.
int rowOf(const TableCursor& table, qint64 rowid) {
    int lo = 0;
    int hi = table.recordCount() - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const qint64 id = table.rowid(mid);
        if (id == rowid)
            return mid;
        if (id < 0)
            return -1;
        if (id < rowid)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}
} // namespace

int LogPageLayout::chosenRow() const {
    if (!table->isActive() || table->recordCount() == 0)
        return -1;
    return *chosen >= 0 ? rowOf(*table, *chosen) : 0;
}

void LogPageLayout::chooseAfterDelete(int row) {
    row = std::min(row, table->isActive() ? table->recordCount() - 1 : -1);
    *chosen = row >= 0 ? table->rowid(row) : -1;
    if (row >= 0)
        grid->setCurrentIndex(model->index(row, 0));
}

LogPageLayout LogPageLayout::build(QWidget* page, TableCursor& table,
                                   const QList<ReadOnlyTableModel::Column>& columns,
                                   const QString& title, int iconIndex,
                                   const QString& actionCaption, const QString& removeCaption,
                                   const Names& names) {
    LogPageLayout l;
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 32, 8, 8);
    layout->setSpacing(6);

    auto* head = new QHBoxLayout;
    auto* caption = named(new QLabel(bidi::caption(title), page), "lblTitle");
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    head->addWidget(caption);
    l.icon = named(new QToolButton(page), names.icon);
    l.icon->setIcon(QIcon(pictures::navigationIcon(iconIndex)));
    l.icon->setIconSize(QSize(32, 32));
    head->addWidget(l.icon);
    head->addStretch(1);
    layout->addLayout(head);
    layout->addWidget(named(new QLabel(incomingtext::kClickHint, page), "lblHint"));

    l.grid = named(new QTableView(page), names.grid);
    l.model = new ReadOnlyTableModel(table, columns, l.grid);
    l.grid->setModel(l.model);
    l.grid->setItemDelegate(new BidiDelegate(l.grid));
    l.table = &table;
    QTableView* grid = l.grid;
    ReadOnlyTableModel* model = l.model;
    std::shared_ptr<qint64> chosen = l.chosen;
    QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, grid,
                     [chosen, &table](const QModelIndex& current) {
                         if (current.isValid())
                             *chosen = table.rowid(current.row());
                     });
    QObject::connect(model, &QAbstractItemModel::modelReset, grid, [grid, model, chosen, &table] {
        const int row = *chosen >= 0 ? rowOf(table, *chosen) : -1;
        if (row >= 0)
            grid->setCurrentIndex(model->index(row, 0));
    });
    l.grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    l.grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    l.grid->setSelectionMode(QAbstractItemView::SingleSelection);
    l.grid->verticalHeader()->hide();
    l.grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addWidget(l.grid, 3);

    layout->addWidget(named(new QLabel(incomingtext::kViewText, page), "lblViewText"));
    l.memo = named(new QPlainTextEdit(page), names.memo);
    l.memo->setReadOnly(true);
    l.memo->setLayoutDirection(Qt::RightToLeft);
    layout->addWidget(l.memo, 2);

    auto* buttons = new QHBoxLayout;
    l.action = named(new QPushButton(actionCaption, page), names.action);
    l.remove = named(new QPushButton(removeCaption, page), names.remove);
    buttons->addWidget(l.action);
    buttons->addWidget(l.remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return l;
}
