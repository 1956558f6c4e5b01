#include "store/ui/MemberGridDelegate.h"

#include <QLineEdit>
#include <QStyle>
#include <QTableView>

#include "store/MemberTableModel.h"

namespace {
constexpr int kNumberColumn = 2;

bool isNumber(const QModelIndex& index) {
    return index.column() == kNumberColumn;
}
} // namespace

MemberGridDelegate::MemberGridDelegate(QObject* parent) : BidiDelegate(parent) {
    // An editor the grid closed by itself (Enter, leaving the cell) is done.
    connect(this, &QAbstractItemDelegate::closeEditor, this, [this](QWidget* editor) {
        if (editor == m_editor)
            m_editor = nullptr;
    });
}

int MemberGridDelegate::numberColumnWidth(const QTableView* grid) {
    const int longest = MemberTableModel::columnLength(kNumberColumn);
    const QString widest = QLatin1Char('+') + QString(longest, QLatin1Char('0'));
    const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    // Two margins of the text, and the grid line.
    return grid->fontMetrics().horizontalAdvance(widest) + 2 * margin + 2;
}

void MemberGridDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    BidiDelegate::initStyleOption(option, index);
    if (isNumber(index)) {
        // In a right-to-left paragraph a leading "+" goes to the far end and
        // a cut number loses its first digits; a number is left-to-right text.
        option->direction = Qt::LeftToRight;
        option->displayAlignment = Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignVCenter;
        option->textElideMode = Qt::ElideRight;
    }
}

QWidget* MemberGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("gridEditor"));
    editor->setFrame(false);
    if (index.column() >= 0 && index.column() < MemberTableModel::kColumnCount)
        editor->setMaxLength(MemberTableModel::columnLength(index.column()));
    if (isNumber(index)) {
        editor->setLayoutDirection(Qt::LeftToRight);
        editor->setAlignment(Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignVCenter);
    }
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

void MemberGridDelegate::closeOpenEditor() {
    if (!m_editor)
        return;
    QLineEdit* editor = m_editor;
    m_editor = nullptr;
    Q_EMIT closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}
