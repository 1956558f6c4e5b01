#include "store/MemberGridDelegate.h"

#include <QLineEdit>

#include "store/MemberTableModel.h"

MemberGridDelegate::MemberGridDelegate(QObject* parent) : QStyledItemDelegate(parent) {
    // An editor the grid closed by itself (Enter, leaving the cell) is done.
    connect(this, &QAbstractItemDelegate::closeEditor, this, [this](QWidget* editor) {
        if (editor == m_editor)
            m_editor = nullptr;
    });
}

QWidget* MemberGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("gridEditor"));
    editor->setFrame(false);
    if (index.column() >= 0 && index.column() < MemberTableModel::kColumnCount)
        editor->setMaxLength(MemberTableModel::columnLength(index.column()));
    m_editor = editor;
    return editor;
}

void MemberGridDelegate::commitOpenEditor() {
    if (!m_editor)
        return;
    QLineEdit* editor = m_editor;
    m_editor = nullptr;
    Q_EMIT commitData(editor);
    Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
}
