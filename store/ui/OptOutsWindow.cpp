#include "store/ui/OptOutsWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/MessageService.h"
#include "shell/ui/DialogService.h"
#include "shell/ui/ShellContext.h"
#include "store/ContactReader.h"
#include "store/ImportTexts.h"
#include "store/OptOuts.h"
#include "store/StoreTexts.h"

namespace {
QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}
} // namespace

OptOutsWindow::OptOutsWindow(ShellContext& shell, QWidget* parent)
    : QDialog(parent), m_shell(shell) {
    using namespace importtext;
    setObjectName(QStringLiteral("OptOutsWindow"));
    setWindowTitle(kOptOutsTitle);
    setLayoutDirection(Qt::RightToLeft);
    auto* layout = new QVBoxLayout(this);
    auto* addRow = new QHBoxLayout;
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("edOptOut"));
    m_number->setLayoutDirection(Qt::LeftToRight);
    auto* add = button("btnOptOutAdd", kOptOutAdd, this);
    addRow->addWidget(m_number, 1);
    addRow->addWidget(add);
    layout->addLayout(addRow);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstOptOuts"));
    m_list->setLayoutDirection(Qt::LeftToRight);
    layout->addWidget(m_list, 1);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblOptOutCount"));
    layout->addWidget(m_count);
    auto* buttons = new QHBoxLayout;
    auto* remove = button("btnOptOutRemove", kOptOutRemove, this);
    auto* import = button("btnOptOutImport", kOptOutImport, this);
    auto* save = button("btnOptOutExport", kOptOutExport, this);
    auto* close = button("btnOptOutClose", kClose, this);
    for (QPushButton* b : {remove, import, save})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(kOptOutWords, this));
    auto* wordsRow = new QHBoxLayout;
    m_words = new QPlainTextEdit(this);
    m_words->setObjectName(QStringLiteral("tmOptOutWords"));
    m_words->setPlainText(optouts::words().join(QLatin1Char('\n')));
    m_words->setFixedHeight(m_words->fontMetrics().lineSpacing() * 5 + 12);
    auto* saveWordsButton = button("btnOptOutWordsSave", kOptOutWordsSave, this);
    wordsRow->addWidget(m_words, 1);
    wordsRow->addWidget(saveWordsButton, 0, Qt::AlignTop);
    layout->addLayout(wordsRow);

    connect(saveWordsButton, &QPushButton::clicked, this, &OptOutsWindow::saveWords);
    connect(add, &QPushButton::clicked, this, &OptOutsWindow::addTyped);
    connect(m_number, &QLineEdit::returnPressed, this, &OptOutsWindow::addTyped);
    connect(remove, &QPushButton::clicked, this, &OptOutsWindow::removeChosen);
    connect(import, &QPushButton::clicked, this, &OptOutsWindow::importFile);
    connect(save, &QPushButton::clicked, this, &OptOutsWindow::exportFile);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(360, 520);
    reload();
}

void OptOutsWindow::reload() {
    m_list->clear();
    m_list->addItems(optouts::all());
    m_count->setText(importtext::kOptOutCount + QStringLiteral(": ") +
                     QString::number(m_list->count()));
}

void OptOutsWindow::addTyped() {
    if (!optouts::add(m_number->text())) {
        m_shell.messages().showMessage(storetext::kNumberInvalid);
        return;
    }
    m_number->clear();
    reload();
}

void OptOutsWindow::removeChosen() {
    const QListWidgetItem* item = m_list->currentItem();
    if (!item)
        return;
    optouts::remove(item->text());
    reload();
}

void OptOutsWindow::importFile() {
    FileDialogOptions options;
    options.caption = importtext::kOptOutImport;
    options.start = m_shell.programDir();
    options.filter = importtext::kImportFilter;
    const QString path = m_shell.dialogs().openFileName(this, options);
    if (path.isEmpty())
        return;
    QString error;
    auto reader = contactreader::open(path, {}, &error);
    int added = 0;
    const StoreResult r =
        reader ? optouts::importFrom(*reader, -1, &added) : StoreResult::failure(error);
    if (!r) {
        m_shell.messages().showMessage(r.error);
        return;
    }
    reload();
    m_shell.messages().showMessage(importtext::kReportImported + QStringLiteral(": ") +
                                   QString::number(added));
}

void OptOutsWindow::exportFile() {
    FileDialogOptions options;
    options.caption = importtext::kOptOutExport;
    options.start = m_shell.programDir();
    options.filter = importtext::kRefusedFilter;
    options.defaultSuffix = QStringLiteral("csv");
    const QString path = m_shell.dialogs().saveFileName(this, options);
    if (!path.isEmpty() && !optouts::exportTo(path))
        m_shell.messages().showMessage(importtext::kExportFailed);
}

void OptOutsWindow::saveWords() {
    const StoreResult r = optouts::setWords(m_words->toPlainText().split(QLatin1Char('\n')));
    if (!r) {
        m_shell.messages().showMessage(importtext::kOptOutWordsNotSaved);
        return;
    }
    // Shown as kept: blanks dropped, each word trimmed.
    m_words->setPlainText(optouts::words().join(QLatin1Char('\n')));
}
