#include "utilities/ui/PasswordPrompt.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/MessageService.h"
#include "utilities/PasswordFile.h"
#include "utilities/PasswordTexts.h"

PasswordPrompt::PasswordPrompt(QWidget* parent)
    : PlainWindow("Form6", QString(), {311, 148}, parent) {
    using namespace passwordtext;
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(311, 148);

    auto* layout = new QVBoxLayout(this);
    auto* line = new QLabel(kPromptLine, this);
    line->setObjectName(QStringLiteral("lblPrompt"));
    layout->addWidget(line);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("edtPassword"));
    m_field->setEchoMode(QLineEdit::Password);
    layout->addWidget(m_field);
    auto* buttons = new QHBoxLayout;
    m_confirm = new QPushButton(kConfirm, this);
    m_confirm->setObjectName(QStringLiteral("btnConfirm"));
    m_cancel = new QPushButton(kCancel, this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton* b : {m_confirm, m_cancel}) {
        // Enter belongs to the field alone: a default button would run a
        // second time on the same key.
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);

    connect(m_field, &QLineEdit::returnPressed, this, &PasswordPrompt::confirm);
    connect(m_confirm, &QPushButton::clicked, this, &PasswordPrompt::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString PasswordPrompt::entered() const {
    return m_field->text();
}

void PasswordPrompt::confirm() {
    if (passwordfile::matches(m_stored, m_field->text())) {
        accept();
        return;
    }
    MessageService::instance().showMessage(passwordtext::kWrong);
    m_field->clear();
    m_field->setFocus();
    if (++m_wrongAttempts >= kMaxWrongAttempts) {
        MessageService::instance().showMessage(passwordtext::kClosing);
        reject();
    }
}

void PasswordPrompt::showEvent(QShowEvent* event) {
    PlainWindow::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_field->setFocus();
}
