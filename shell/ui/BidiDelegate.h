#pragma once

#include <QStyledItemDelegate>

// Cells of the program's grids: each left-to-right run of a cell (numbers,
// dates, times, codes) reads the right way round in the right-to-left grid.
// Only the painted text changes; the model's values stay as stored.
class BidiDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant& value, const QLocale& locale) const override;
};
