#pragma once

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>

#include "shell/ui/WidgetNames.h"

// How new pages and windows are built: a headed box whose rows are laid
// out, not placed, each a caption and its field, the caption on the right
// as Persian reads and flush against its field also when it starts in
// Latin. Every field is named as the program refers to it.
class FormBox : public QGroupBox {
public:
    FormBox(const char* name, const QString& heading, QWidget* parent = nullptr)
        : QGroupBox(heading, parent), m_rows(new QFormLayout(this)) {
        setObjectName(QString::fromLatin1(name));
        setLayoutDirection(Qt::RightToLeft);
        m_rows->setLabelAlignment(Qt::AlignAbsolute | Qt::AlignRight | Qt::AlignVCenter);
        m_rows->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    }

    template <typename Field>
    Field* addRow(const QString& caption, Field* field, const char* name) {
        auto* label = new QLabel(caption, this);
        label->setAlignment(Qt::AlignAbsolute | Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(field);
        m_rows->addRow(label, named(field, name));
        return field;
    }
    // A row that spans the box: a check box, a button row.
    template <typename Widget> Widget* addWide(Widget* widget, const char* name) {
        m_rows->addRow(named(widget, name));
        return widget;
    }

    QFormLayout* rows() const { return m_rows; }

private:
    QFormLayout* m_rows;
};
