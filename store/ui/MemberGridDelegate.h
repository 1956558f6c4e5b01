#pragma once

#include <QLineEdit>
#include <QPointer>

#include "shell/ui/BidiDelegate.h"

class QTableView;

// Cells of the members grids. Phone numbers read left to right and whole
// inside the right-to-left grid, shown and edited alike. The cell editor is a
// line box limited to the column's length, which the grid's "apply" button
// can commit while it is still open.
class MemberGridDelegate : public BidiDelegate {
    Q_OBJECT
public:
    explicit MemberGridDelegate(QObject* parent = nullptr);

    // Wide enough for the longest number the column holds.
    static int numberColumnWidth(const QTableView* grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    // Writes an open editor's text into the model and closes the editor.
    void commitOpenEditor();
    // Closes an open editor without writing its text.
    void closeOpenEditor();
    QLineEdit* openEditor() const { return m_editor; }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    mutable QPointer<QLineEdit> m_editor;
};
