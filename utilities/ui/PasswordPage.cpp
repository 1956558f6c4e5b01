#include "utilities/ui/PasswordPage.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "shell/ui/FormBox.h"
#include "shell/ui/Modal.h"
#include "shell/ui/ShellContext.h"
#include "utilities/PasswordFile.h"
#include "utilities/ui/PasswordPrompt.h"
#include "utilities/PasswordTexts.h"

namespace {
constexpr int kMaxLength = 30;

bool digitsOnly(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}
} // namespace

PasswordPage::PasswordPage(ShellContext& shell, PasswordPrompt& prompt)
    : QObject(shell.mainWindow()), m_shell(shell), m_prompt(prompt) {
    using namespace passwordtext;
    QWidget* page = m_shell.page(Page::Password);
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 40, 16, 16);
    auto* title = new QLabel(kPageTitle, page);
    title->setObjectName(QStringLiteral("lblPasswordTitle"));
    QFont f = title->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 2);
    title->setFont(f);
    layout->addWidget(title);

    auto* box = new FormBox("grpPassword", kFrameCaption, page);
    m_newPassword = box->addRow(kNewPassword, new QLineEdit(box), "edtNewPassword");
    m_repeat = box->addRow(kRepeatPassword, new QLineEdit(box), "edtRepeatPassword");
    // The key rule below sees typing only; a paste from the menu, a drop or
    // the mouse's selection paste is held to digits here.
    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), page);
    for (QLineEdit* e : {m_newPassword, m_repeat}) {
        e->setValidator(digits);
        e->setEchoMode(QLineEdit::Password);
        e->setMaxLength(kMaxLength);
        e->installEventFilter(this);
    }
    auto* buttons = new QWidget(box);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    m_confirm = named(new QPushButton(kConfirm, buttons), "btnConfirmPassword");
    m_remove = named(new QPushButton(kRemove, buttons), "btnRemovePassword");
    row->addWidget(m_confirm);
    row->addWidget(m_remove);
    row->addStretch();
    box->addWide(buttons, "pnlPasswordButtons");
    layout->addWidget(box);
    layout->addStretch();

    connect(m_confirm, &QPushButton::clicked, this, &PasswordPage::confirm);
    connect(m_remove, &QPushButton::clicked, this, &PasswordPage::removePassword);
    m_checkFill = m_shell.hooks().utilities.passwordCheck.fill([this] { startupCheck(); });
}

bool PasswordPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || (watched != m_newPassword && watched != m_repeat))
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (watched == m_newPassword)
            m_repeat->setFocus();
        else
            confirm();
        return true;
    }
    // Keys that type nothing (arrows, Delete, Tab's focus move) keep their
    // meaning; of the typing keys only digits and Backspace pass. A paste
    // shortcut types a control character and is refused with the rest.
    const QString text = key->text();
    if (text.isEmpty() || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
        key->key() == Qt::Key_Backspace)
        return false;
    if (text.size() == 1 && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9'))
        return false;
    m_shell.messages().showMessage(passwordtext::kDigitsOnly);
    return true;
}

void PasswordPage::confirm() {
    using namespace passwordtext;
    const QString password = m_newPassword->text();
    if (password.trimmed().isEmpty() || m_repeat->text().trimmed().isEmpty()) {
        m_shell.messages().showMessage(kEnterBoth);
    } else if (password != m_repeat->text()) {
        m_shell.messages().showMessage(kMismatch);
    } else if (!digitsOnly(password)) {
        // The key rule and the fields' check keep letters out; whatever
        // came in another way is refused here, never stored.
        m_shell.messages().showMessage(kDigitsOnly);
    } else {
        const QString target = passwordfile::writeTarget(m_shell.programDir());
        m_shell.messages().showMessage(passwordfile::write(target, password) ? kDone : kNoAccess);
    }
    m_newPassword->clear();
    m_repeat->clear();
}

void PasswordPage::removePassword() {
    passwordfile::removeFirst(m_shell.programDir());
    m_shell.messages().showMessage(passwordtext::kDone);
}

void PasswordPage::startupCheck() {
    const std::optional<QString> password = passwordfile::stored(m_shell.programDir());
    if (!password) {
        // Starting unprotected would let anyone past a password that is set.
        m_shell.messages().showMessage(passwordtext::kUnreadable);
        m_shell.closeMainWindow();
        return;
    }
    const QString& stored = *password;
    if (stored.isEmpty())
        return;
    m_prompt.setStoredPassword(stored);
    Modal::run(&m_prompt);
    const QString entered = m_prompt.entered();
    if (!passwordfile::matches(stored, entered)) {
        m_shell.closeMainWindow();
        return;
    }
    // An old file's password in plain text is replaced by its hash now that
    // it is known. Should that fail the old file stays, and still works.
    if (!passwordfile::isHashed(stored))
        passwordfile::write(passwordfile::activePath(m_shell.programDir()), entered);
}
