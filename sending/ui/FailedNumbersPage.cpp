#include "sending/ui/FailedNumbersPage.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "sending/SendForm.h"
#include "sending/SendRunTexts.h"
#include "shell/TextFile.h"
#include "shell/ui/ShellContext.h"
#include "store/Database.h"
#include "store/ReadOnlyTableModel.h"
#include "store/Sql.h"
#include "store/Store.h"
#include "store/ui/MemberGridDelegate.h"

namespace {
QPlainTextEdit* textBox(const char* name, bool readOnly, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(readOnly);
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

QGroupBox* headed(const QString& heading, QWidget* content, QWidget* parent) {
    auto* box = new QGroupBox(heading, parent);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(content);
    return box;
}

QPushButton* button(const QString& caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}
} // namespace

FailedNumbersPage::FailedNumbersPage(ShellContext& shell, SendForm& form)
    : QObject(nullptr), m_shell(shell), m_form(form) {
    using namespace sendtext;
    QWidget* page = m_shell.page(Page::FailedNumbers);
    page->setLayoutDirection(Qt::RightToLeft);
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    // Everything sits in one body, so the page is left bare when this goes
    // and a later page can be built on it.
    m_body = new QWidget(page);
    auto* outer = page->layout() ? page->layout() : new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_body);
    auto* layout = new QVBoxLayout(m_body);
    // The status strip lies over the top of every page.
    layout->setContentsMargins(16, 40, 16, 16);

    auto* heading = new QLabel(kHeading, m_body);
    heading->setObjectName(QStringLiteral("lblFailedHeading"));
    heading->setStyleSheet(QStringLiteral("color:purple;font-weight:bold"));
    layout->addWidget(heading);

    auto* boxes = new QHBoxLayout;
    m_summary = textBox("memSummary", true, m_body);
    m_message = textBox("memMessage", false, m_body);
    boxes->addWidget(headed(kSummaryBox, m_summary, m_body));
    boxes->addWidget(headed(kMessageBox, m_message, m_body));
    layout->addLayout(boxes);

    Database& db = m_shell.database();
    m_model = new ReadOnlyTableModel(db.ADOTable7,
                                     {{QStringLiteral("name"), kColName},
                                      {QStringLiteral("family"), kColFamily},
                                      {QStringLiteral("num"), kColNum}},
                                     this);
    m_grid = new QTableView(m_body);
    m_grid->setObjectName(QStringLiteral("gridFailed"));
    m_grid->setModel(m_model);
    m_grid->setItemDelegate(new MemberGridDelegate(m_grid));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    // The number column's heading is wider than its 90 px would allow.
    m_grid->horizontalHeader()->setMinimumSectionSize(40);
    layout->addWidget(headed(kListBox, m_grid, m_body), 1);

    auto* buttons = new QHBoxLayout;
    auto* formButton = button(kFormGroup, "btnFormGroup", m_body);
    auto* save = button(kSaveText, "btnSaveFailedText", m_body);
    auto* remove = button(kDeleteList, "btnDeleteList", m_body);
    buttons->addWidget(formButton);
    buttons->addWidget(save);
    buttons->addWidget(remove);
    m_recipients = button(kRecipientsButton, "btnRunRecipients", m_body);
    buttons->addWidget(m_recipients);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(formButton, &QPushButton::clicked, this, &FailedNumbersPage::formGroup);
    connect(save, &QPushButton::clicked, this, &FailedNumbersPage::saveText);
    connect(remove, &QPushButton::clicked, this, &FailedNumbersPage::deleteList);

    m_entryFill = m_shell.hooks().sending.page16Entry.fill([this] { enter(); });
}

FailedNumbersPage::~FailedNumbersPage() {
    delete m_body;
}

void FailedNumbersPage::enter() {
    QString text;
    if (textfile::readLines(file(sendtext::kSummaryFile), &text))
        m_summary->setPlainText(text);
    if (textfile::readLines(file(sendtext::kFailedTextFile), &text))
        m_message->setPlainText(text);
    m_shell.database().ADOTable7.open();
    // Set once the columns exist: the grid has none before the table opens.
    // The number column takes the longest number whole where 90 px would
    // cut it.
    const int widths[] = {100, 143, std::max(90, MemberGridDelegate::numberColumnWidth(m_grid))};
    for (int c = 0; c < 3; ++c)
        m_grid->setColumnWidth(c, widths[c]);
}

bool FailedNumbersPage::listHoldsRows() const {
    const TableCursor& failed = m_shell.database().ADOTable7;
    return failed.isActive() && failed.recordCount() > 0;
}

void FailedNumbersPage::formGroup() {
    if (!listHoldsRows()) {
        m_shell.messages().showMessage(sendtext::kNoNumbers);
        return;
    }
    Database& db = m_shell.database();
    db.ADOQuery1.close();
    db.ADOQuery1.setSql(sql::kGroupListWithFailed);
    db.ADOQuery1.open();
    db.ADOTable7.close();
    m_form.setComposerText(m_message->toPlainText());
    m_shell.messages().showMessage(sendtext::kGroupFormed);
    m_shell.selectPage(Page::Send);
    m_shell.pageEntry();
    m_form.openGroupPicker();
    m_form.selectMode(RecipientMode::OneGroup);
}

void FailedNumbersPage::saveText() {
    FileDialogOptions options;
    options.filter = sendtext::kTextFilter;
    options.defaultSuffix = QStringLiteral("txt");
    const QString chosen = m_shell.dialogs().saveFileName(m_shell.mainWindow(), options);
    if (!chosen.isEmpty()) {
        QString error;
        if (!textfile::writeLines(chosen, m_message->toPlainText(), &error))
            m_shell.messages().showError(error);
    }
    // The databases name their files without a folder.
    QDir::setCurrent(m_shell.programDir());
}

void FailedNumbersPage::deleteList() {
    if (!listHoldsRows()) {
        m_shell.messages().showMessage(sendtext::kNoNumbers);
        return;
    }
    Database& db = m_shell.database();
    db.ADOQuery1.close();
    db.ADOQuery1.setSql(sql::kGroupList);
    db.ADOTable7.close();
    // The files describe the rows: they go only with them.
    if (!store::clearFailedNumbers(db)) {
        m_shell.messages().showMessage(sendtext::kFailedListNotCleared);
        return;
    }
    QFile::remove(file(sendtext::kSummaryFile));
    QFile::remove(file(sendtext::kFailedTextFile));
    m_shell.messages().showMessage(sendtext::kListDeleted);
}

void FailedNumbersPage::clearBoxes() {
    m_summary->clear();
    m_message->clear();
}

QString FailedNumbersPage::file(const QString& name) const {
    return m_shell.programDir() + name;
}
