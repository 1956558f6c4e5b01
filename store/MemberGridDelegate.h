#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>

// Cell editor of the members grids: a line box limited to the column's
// length, which the grid's "apply" button can commit while it is still open.
class MemberGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit MemberGridDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    // Writes an open editor's text into the model and closes the editor.
    void commitOpenEditor();
    QLineEdit* openEditor() const { return m_editor; }

private:
    mutable QPointer<QLineEdit> m_editor;
};
