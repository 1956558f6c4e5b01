#include "store/ui/GroupPages.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "shell/Bidi.h"
#include "shell/MessageService.h"
#include "shell/ui/ShellContext.h"
#include "store/ui/ContactsTransferButtons.h"
#include "store/Database.h"
#include "store/ui/GroupPicker.h"
#include "store/MemberForm.h"
#include "store/ui/MemberGridDelegate.h"
#include "store/MemberTableModel.h"
#include "store/Sql.h"
#include "store/Store.h"
#include "store/StoreTexts.h"

namespace {
const QColor kEnabledColour(0xE6, 0xF2, 0xFF);
const QColor kDisabledColour(0xFF, 0xDF, 0xDF);

MessageService& messages() {
    return MessageService::instance();
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(bidi::caption(text), parent);
    QFont f = label->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 2);
    label->setFont(f);
    return label;
}

QLineEdit* lineBox(const QString& name, int maxLength, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    if (maxLength > 0)
        box->setMaxLength(maxLength);
    return box;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QTableView* memberGrid(const QString& name, MemberTableModel* model, bool editable,
                       QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(editable ? QAbstractItemView::DoubleClicked |
                                         QAbstractItemView::EditKeyPressed |
                                         QAbstractItemView::AnyKeyPressed
                                   : QAbstractItemView::NoEditTriggers);
    // Fixed row heights keep a group of any size cheap to show.
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->verticalHeader()->setFixedWidth(14);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    auto* delegate = new MemberGridDelegate(grid);
    grid->setItemDelegate(delegate);
    const int widths[MemberTableModel::kColumnCount] = {
        100, 143, std::max(90, MemberGridDelegate::numberColumnWidth(grid)), 120, 120};
    for (int c = 0; c < MemberTableModel::kColumnCount; ++c)
        grid->setColumnWidth(c, widths[c]);
    return grid;
}

bool isAsciiDigit(const QString& text) {
    return text.size() == 1 && text[0] >= u'0' && text[0] <= u'9';
}

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// Keys that type a character, as opposed to moving the caret or editing
// shortcuts; only these go through the boxes' key rules.
bool typesCharacter(const QKeyEvent* key) {
    const QString text = key->text();
    return !text.isEmpty() && text[0].isPrint();
}
} // namespace

GroupPages::GroupPages(ShellContext& shell) : QObject(shell.mainWindow()), m_shell(shell) {
    buildEntryPage(m_shell.page(Page::MembersEntry));
    buildEditPage(m_shell.page(Page::MembersEditing));
}

void GroupPages::buildEntryPage(QWidget* page) {
    using namespace storetext;
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 32, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(heading(kEntryHeading, page));

    auto* newGroup = new QGroupBox(page);
    newGroup->setObjectName(QStringLiteral("grpNewGroup"));
    auto* ng = new QHBoxLayout(newGroup);
    ng->addWidget(new QLabel(kNewGroupLabel, newGroup));
    m_Edit4 = lineBox(QStringLiteral("Edit4"), 50, newGroup);
    ng->addWidget(m_Edit4, 1);
    auto* create = button(QStringLiteral("btnCreateGroup"), kCreateCaption, newGroup);
    ng->addWidget(create);
    layout->addWidget(newGroup);

    auto* choose = new QHBoxLayout;
    choose->addWidget(new QLabel(kChooseGroupLabel, page));
    m_DBLookupComboBox3 =
        new GroupPicker(m_shell.database().ADOQuery1, QStringLiteral("DBLookupComboBox3"), page);
    m_DBLookupComboBox3->setMinimumWidth(180);
    choose->addWidget(m_DBLookupComboBox3);
    auto* open = button(QStringLiteral("btnOpenEntryGroup"), kChooseCaption, page);
    choose->addWidget(open);
    m_entryCount = new QLabel(page);
    m_entryCount->setObjectName(QStringLiteral("lblEntryCount"));
    // A long group name must not push the count past the page's edge: the
    // label breaks its line instead.
    m_entryCount->setWordWrap(true);
    choose->addWidget(m_entryCount, 1);
    layout->addLayout(choose);

    auto* form = new QGroupBox(page);
    form->setObjectName(QStringLiteral("grpMemberForm"));
    auto* grid = new QGridLayout(form);
    grid->setVerticalSpacing(4);
    auto tick = [form](const QString& name, const QString& caption) {
        auto* box = new QCheckBox(caption, form);
        box->setObjectName(name);
        return box;
    };
    m_CheckBox2 = tick(QStringLiteral("CheckBox2"), kNameLabel);
    m_CheckBox3 = tick(QStringLiteral("CheckBox3"), kFamilyLabel);
    m_CheckBox4 = tick(QStringLiteral("CheckBox4"), kBirthLabel);
    m_CheckBox5 = tick(QStringLiteral("CheckBox5"), kContractLabel);
    m_Edit5 = lineBox(QStringLiteral("Edit5"), 40, form);
    m_Edit6 = lineBox(QStringLiteral("Edit6"), 50, form);
    auto dateRow = [this, form](QLineEdit*& day, QLineEdit*& month, QLineEdit*& year,
                                const QString& dayName, const QString& monthName,
                                const QString& yearName) {
        auto* row = new QHBoxLayout;
        day = lineBox(dayName, 2, form);
        month = lineBox(monthName, 2, form);
        year = lineBox(yearName, 0, form);
        year->setText(storetext::kYearText);
        year->setReadOnly(true);
        for (QLineEdit* b : {day, month})
            b->setFixedWidth(34);
        year->setFixedWidth(56);
        // Right to left: the day stands rightmost, so the date reads
        // year/month/day from the left.
        row->addWidget(day);
        row->addWidget(new QLabel(QStringLiteral("/"), form));
        row->addWidget(month);
        row->addWidget(new QLabel(QStringLiteral("/"), form));
        row->addWidget(year);
        row->addStretch(1);
        for (QLineEdit* b : {day, month, year})
            b->installEventFilter(this);
        return row;
    };
    grid->addWidget(m_CheckBox2, 0, 0);
    grid->addWidget(m_Edit5, 0, 1);
    grid->addWidget(m_CheckBox3, 1, 0);
    grid->addWidget(m_Edit6, 1, 1);
    grid->addWidget(m_CheckBox4, 2, 0);
    grid->addLayout(dateRow(m_Edit10, m_Edit11, m_Edit12, QStringLiteral("Edit10"),
                            QStringLiteral("Edit11"), QStringLiteral("Edit12")),
                    2, 1);
    grid->addWidget(m_CheckBox5, 3, 0);
    grid->addLayout(dateRow(m_Edit15, m_Edit14, m_Edit13, QStringLiteral("Edit15"),
                            QStringLiteral("Edit14"), QStringLiteral("Edit13")),
                    3, 1);
    grid->addWidget(new QLabel(kNumberLabel, form), 4, 0);
    auto* numberRow = new QHBoxLayout;
    // Typed keys stop at the column's length; pasted text may be longer and
    // is judged after normalisation.
    m_Edit7 = lineBox(QStringLiteral("Edit7"), 0, form);
    numberRow->addWidget(m_Edit7, 1);
    auto* paste = new QToolButton(form);
    paste->setObjectName(QStringLiteral("btnPasteNumber"));
    paste->setToolTip(kPasteHint);
    paste->setText(QStringLiteral("..."));
    numberRow->addWidget(paste);
    grid->addLayout(numberRow, 4, 1);
    auto* add = button(QStringLiteral("btnAddMember"), kAddCaption, form);
    grid->addWidget(add, 5, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    layout->addWidget(form);

    m_entryModel = new MemberTableModel(m_shell.database().ADOTable1, false, this);
    m_DBGrid1 = memberGrid(QStringLiteral("DBGrid1"), m_entryModel, false, page);
    layout->addWidget(m_DBGrid1, 1);

    for (QLineEdit* b :
         {m_Edit5, m_Edit6, m_Edit10, m_Edit11, m_Edit12, m_Edit15, m_Edit14, m_Edit13})
        setBoxEnabled(b, false);
    for (QLineEdit* b : {m_Edit5, m_Edit6, m_Edit7})
        b->installEventFilter(this);

    connect(create, &QPushButton::clicked, this, &GroupPages::createGroup);
    connect(open, &QPushButton::clicked, this, &GroupPages::openEntryGroup);
    connect(add, &QPushButton::clicked, this, &GroupPages::addMember);
    connect(paste, &QToolButton::clicked, this, &GroupPages::pasteNumber);
    connect(m_CheckBox2, &QCheckBox::toggled, this, &GroupPages::nameTicked);
    connect(m_CheckBox3, &QCheckBox::toggled, this, &GroupPages::familyTicked);
    connect(m_CheckBox4, &QCheckBox::toggled, this, &GroupPages::birthTicked);
    connect(m_CheckBox5, &QCheckBox::toggled, this, &GroupPages::contractTicked);
    connect(&m_shell.database().ADOTable1, &Cursor::closed, m_entryCount, &QLabel::clear);
}

void GroupPages::buildEditPage(QWidget* page) {
    using namespace storetext;
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 32, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(heading(kEditHeading, page));

    auto* del = new QGroupBox(page);
    del->setObjectName(QStringLiteral("grpDeleteGroup"));
    auto* dl = new QHBoxLayout(del);
    dl->addWidget(new QLabel(kChooseGroupLabel, del));
    m_DBLookupComboBox4 =
        new GroupPicker(m_shell.database().ADOQuery1, QStringLiteral("DBLookupComboBox4"), del);
    m_DBLookupComboBox4->setMinimumWidth(180);
    dl->addWidget(m_DBLookupComboBox4);
    auto* remove = button(QStringLiteral("btnDeleteGroup"), kDeleteCaption, del);
    dl->addWidget(remove);
    dl->addStretch(1);
    layout->addWidget(del);

    auto* hint = new QLabel(kEditHint, page);
    hint->setObjectName(QStringLiteral("lblEditHint"));
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto* choose = new QHBoxLayout;
    m_DBLookupComboBox2 =
        new GroupPicker(m_shell.database().ADOQuery1, QStringLiteral("DBLookupComboBox2"), page);
    m_DBLookupComboBox2->setMinimumWidth(180);
    choose->addWidget(m_DBLookupComboBox2);
    auto* open = button(QStringLiteral("btnOpenEditGroup"), kChooseCaption, page);
    choose->addWidget(open);
    m_editCount = new QLabel(page);
    m_editCount->setObjectName(QStringLiteral("lblEditCount"));
    // A long group name must not push the count past the page's edge: the
    // label breaks its line instead.
    m_editCount->setWordWrap(true);
    choose->addWidget(m_editCount, 1);
    layout->addLayout(choose);

    m_editModel = new MemberTableModel(m_shell.database().ADOTable4, true, this);
    m_DBGrid2 = memberGrid(QStringLiteral("DBGrid2"), m_editModel, true, page);
    m_editDelegate = qobject_cast<MemberGridDelegate*>(m_DBGrid2->itemDelegate());
    m_DBGrid2->viewport()->installEventFilter(this);
    // Moving off an edited row stores the edit, as the toolkit's grids do;
    // the grid has committed an open editor to the model by then.
    connect(m_DBGrid2->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex&, const QModelIndex& previous) {
                if (previous.isValid() && previous.row() == m_editModel->editRow())
                    storeHeldEdit();
            });
    layout->addWidget(m_DBGrid2, 1);

    auto* nav = new QHBoxLayout;
    auto* edit = button(QStringLiteral("btnEditRecord"), kEditRecord, page);
    auto* post = button(QStringLiteral("btnPostRecord"), kPostRecord, page);
    auto* drop = button(QStringLiteral("btnDeleteRecord"), kDeleteRecord, page);
    nav->addWidget(edit);
    nav->addWidget(post);
    nav->addWidget(drop);
    nav->addStretch(1);
    ContactsTransferButtons::attach(m_shell, nav, m_DBLookupComboBox2, page);
    layout->addLayout(nav);

    connect(remove, &QPushButton::clicked, this, &GroupPages::deleteGroup);
    connect(open, &QPushButton::clicked, this, &GroupPages::openEditGroup);
    connect(edit, &QPushButton::clicked, this, &GroupPages::editRecord);
    connect(post, &QPushButton::clicked, this, &GroupPages::postRecord);
    connect(drop, &QPushButton::clicked, this, &GroupPages::deleteRecord);
    connect(&m_shell.database().ADOTable4, &Cursor::closed, m_editCount, &QLabel::clear);
    // Leaving the page closes the table: what was typed is stored first.
    connect(&m_shell.database().ADOTable4, &Cursor::aboutToClose, this, &GroupPages::storeHeldEdit);
}

// --- groups ---------------------------------------------------------------

void GroupPages::createGroup() {
    using namespace storetext;
    Database& db = m_shell.database();
    // The name is kept exactly as typed: blanks, quotes and all.
    const QString name = m_Edit4->text();
    if (name.isEmpty()) {
        messages().showMessage(kEnterNewGroup);
        return;
    }
    bool taken = false;
    StoreResult result = store::groupNameTaken(db, name, &taken);
    if (!result) {
        messages().showError(result.error);
        return;
    }
    if (taken) {
        messages().showMessage(kNameExists);
        return;
    }
    result = store::createGroup(db, name);
    if (!result) {
        messages().showMessage(kOperationFailed);
        messages().showError(result.error);
        return;
    }
    messages().showMessage(kGroupCreated);
    db.ADOQuery1.close();
    db.ADOQuery1.open();
    m_Edit4->clear();
}

void GroupPages::deleteGroup() {
    using namespace storetext;
    Database& db = m_shell.database();
    if (m_DBLookupComboBox4->groupName().isEmpty()) {
        messages().showMessage(kChooseGroupFirst);
        return;
    }
    if (!messages().ask(kAskDeleteGroup))
        return;
    const QString gcode = m_DBLookupComboBox4->chosenGcode();
    const QVariant code = db.ADOQuery1.value(QStringLiteral("code"));
    // An edit held for the group going away goes with it.
    if (db.ADOTable4.isActive() && db.ADOTable4.tableName() == gcode) {
        m_editDelegate->closeOpenEditor();
        m_editModel->cancel();
    }
    const StoreResult result = store::removeGroup(db, code, gcode);
    if (result) {
        messages().showMessage(kGroupDeleted);
    } else {
        messages().showMessage(kOperationFailed);
        if (!result.error.isEmpty())
            messages().showError(result.error);
    }
    db.ADOQuery1.close();
    db.ADOQuery1.open();
}

void GroupPages::openGroup(GroupPicker* picker, TableCursor& table, QLabel* label,
                           QString* remembered) {
    if (picker->groupName().isEmpty()) {
        messages().showMessage(storetext::kChooseGroupFirst);
        return;
    }
    const QString gcode = picker->chosenGcode();
    table.close();
    if (&table == &m_shell.database().ADOTable1)
        table.setFiltered(false);
    table.setTableName(gcode);
    // A table made by an older copy gets its index here; without it the
    // group still opens, only adding is slower.
    if (!gcode.isEmpty())
        store::ensureMemberIndex(m_shell.database(), gcode);
    QString error;
    if (gcode.isEmpty() || !table.open(&error)) {
        messages().showError(error.isEmpty() ? QStringLiteral("no such group") : error);
        return;
    }
    *remembered = picker->groupName();
    setCountLabel(label, *remembered, table);
}

void GroupPages::openEntryGroup() {
    openGroup(m_DBLookupComboBox3, m_shell.database().ADOTable1, m_entryCount, &m_entryGroupName);
}

void GroupPages::openEditGroup() {
    openGroup(m_DBLookupComboBox2, m_shell.database().ADOTable4, m_editCount, &m_editGroupName);
}

void GroupPages::setCountLabel(QLabel* label, const QString& name, const TableCursor& table) {
    label->setText(name + QString(11, QLatin1Char(' ')) + storetext::kMemberCount +
                   QStringLiteral("  ") + QString::number(table.recordCount()));
}

void GroupPages::refreshEditCount() {
    if (m_shell.database().ADOTable4.isActive())
        setCountLabel(m_editCount, m_editGroupName, m_shell.database().ADOTable4);
}

// --- members ---------------------------------------------------------------

int GroupPages::nextMemberId(QString* error) {
    Database& db = m_shell.database();
    const TableCursor& table = db.ADOTable1;
    // The open cursor already knows an empty group; no statement needed.
    if (!table.filtered() && table.recordCount() == 0)
        return 1;
    return db.nextMemberId(table.tableName(), error);
}

void GroupPages::addMember() {
    using namespace storetext;
    TableCursor& table = m_shell.database().ADOTable1;
    if (!table.isActive()) {
        messages().showMessage(kChooseEntryGroup);
        return;
    }
    QString error;
    const int id = nextMemberId(&error);
    if (id < 0) {
        messages().showError(error);
        return;
    }
    MemberInput in;
    in.nameTicked = m_CheckBox2->isChecked();
    in.name = m_Edit5->text();
    in.familyTicked = m_CheckBox3->isChecked();
    in.family = m_Edit6->text();
    in.birthTicked = m_CheckBox4->isChecked();
    in.birthDay = m_Edit10->text();
    in.birthMonth = m_Edit11->text();
    in.birthYear = m_Edit12->text();
    in.contractTicked = m_CheckBox5->isChecked();
    in.contractDay = m_Edit15->text();
    in.contractMonth = m_Edit14->text();
    in.contractYear = m_Edit13->text();
    in.number = m_Edit7->text();
    QVariantMap row;
    const QString refused = memberform::check(in, &row);
    if (!refused.isEmpty()) {
        messages().showMessage(refused);
        return;
    }
    row.insert(QStringLiteral("id"), id);
    if (!table.append(row, &error)) {
        messages().showError(error);
        return;
    }
    for (QLineEdit* b : {m_Edit5, m_Edit6, m_Edit7, m_Edit10, m_Edit11, m_Edit14, m_Edit15})
        b->clear();
    messages().showMessage(kMemberAdded);
    setCountLabel(m_entryCount, m_entryGroupName, table);
    focusFirstEnabled({m_Edit5, m_Edit6, m_Edit10, m_Edit15});
}

void GroupPages::pasteNumber() {
    // Pasted text skips the key rules; normalisation deals with it.
    m_Edit7->insert(QApplication::clipboard()->text());
    m_Edit7->setFocus();
}

void GroupPages::editRecord() {
    const QModelIndex current = m_DBGrid2->currentIndex();
    if (!m_shell.database().ADOTable4.isActive() || !current.isValid())
        return;
    m_DBGrid2->setFocus();
    m_DBGrid2->edit(current);
}

void GroupPages::storeHeldEdit() {
    m_editDelegate->commitOpenEditor();
    if (!m_editModel->hasPendingEdit())
        return;
    QString error;
    if (!m_editModel->post(&error))
        messages().showError(error);
}

void GroupPages::postRecord() {
    m_editDelegate->commitOpenEditor();
    QString error;
    if (!m_editModel->post(&error))
        messages().showError(error);
}

void GroupPages::deleteRecord() {
    const QModelIndex current = m_DBGrid2->currentIndex();
    if (!m_shell.database().ADOTable4.isActive() || !current.isValid())
        return;
    if (!messages().ask(storetext::kDeleteRecordQuestion))
        return;
    QString error;
    if (!m_editModel->removeMember(current.row(), &error))
        messages().showError(error);
}

// --- the form's ticks and keys ---------------------------------------------

void GroupPages::setBoxEnabled(QLineEdit* box, bool on) {
    box->setEnabled(on);
    QPalette p = box->palette();
    p.setColor(QPalette::Base, on ? kEnabledColour : kDisabledColour);
    box->setPalette(p);
}

void GroupPages::nameTicked(bool on) {
    setBoxEnabled(m_Edit5, on);
    if (on)
        messages().showMessage(storetext::kNameNotice);
}

void GroupPages::familyTicked(bool on) {
    setBoxEnabled(m_Edit6, on);
}

void GroupPages::birthTicked(bool on) {
    for (QLineEdit* b : {m_Edit10, m_Edit11, m_Edit12})
        setBoxEnabled(b, on);
    m_Edit10->clear();
    m_Edit11->clear();
}

void GroupPages::contractTicked(bool on) {
    for (QLineEdit* b : {m_Edit13, m_Edit14, m_Edit15})
        setBoxEnabled(b, on);
    if (on)
        messages().showMessage(storetext::kContractNotice);
    m_Edit14->clear();
    m_Edit15->clear();
}

void GroupPages::focusFirstEnabled(std::initializer_list<QLineEdit*> boxes) {
    for (QLineEdit* b : boxes) {
        if (b->isEnabled()) {
            b->setFocus();
            return;
        }
    }
    m_Edit7->setFocus();
}

QWidget* GroupPages::nextAfterDateBox(QLineEdit* box) const {
    if (box == m_Edit10)
        return m_Edit11;
    if (box == m_Edit11)
        return m_Edit15->isEnabled() ? static_cast<QWidget*>(m_Edit15) : m_Edit7;
    if (box == m_Edit15)
        return m_Edit14;
    return m_Edit7;
}

bool GroupPages::dateBoxKey(QLineEdit* box, QKeyEvent* key) {
    if (isEnter(key))
        return true;
    if (key->key() == Qt::Key_Backspace || !typesCharacter(key))
        return false;
    const bool accepted = isAsciiDigit(key->text());
    if (box->text().size() == 1) {
        // The second key completes the box and moves on; a refused key
        // still moves on, without being typed.
        if (accepted)
            box->setText(box->text() + key->text());
        nextAfterDateBox(box)->setFocus();
        return true;
    }
    return !accepted;
}

bool GroupPages::numberBoxKey(QKeyEvent* key) {
    if (isEnter(key)) {
        addMember();
        return true;
    }
    if (key->key() == Qt::Key_Backspace || !typesCharacter(key))
        return false;
    const QString t = key->text();
    const bool accepted = isAsciiDigit(t) || t == QLatin1String("+");
    if (!accepted)
        return true;
    // Typing stops at the column's length; a selection is replaced.
    return m_Edit7->text().size() >= memberform::kNumberLength && !m_Edit7->hasSelectedText();
}

bool GroupPages::eventFilter(QObject* watched, QEvent* event) {
    if (m_DBGrid2 && watched == m_DBGrid2->viewport()) {
        if (event->type() == QEvent::Paint)
            refreshEditCount();
        return false;
    }
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box)
        return false;
    const bool dateBox = box == m_Edit10 || box == m_Edit11 || box == m_Edit15 || box == m_Edit14;
    const bool yearBox = box == m_Edit12 || box == m_Edit13;
    if (event->type() == QEvent::MouseButtonPress) {
        if (dateBox)
            box->clear();
        else if (yearBox)
            messages().showMessage(storetext::kNoYearNeeded);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (dateBox)
        return dateBoxKey(box, key);
    if (yearBox)
        return isEnter(key);
    if (box == m_Edit7)
        return numberBoxKey(key);
    if (isEnter(key)) {
        if (box == m_Edit5)
            focusFirstEnabled({m_Edit6, m_Edit10, m_Edit15});
        else if (box == m_Edit6)
            focusFirstEnabled({m_Edit10, m_Edit15});
        return true;
    }
    return false;
}
