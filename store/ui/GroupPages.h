#pragma once

#include <QObject>
#include <QString>

#include <initializer_list>

class ShellContext;
class TableCursor;
class GroupPicker;
class MemberGridDelegate;
class MemberTableModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;
class QWidget;

// The members-entry and members-editing pages (5 and 6): groups are created
// and deleted there, members added through the form and edited in the grid.
class GroupPages : public QObject {
    Q_OBJECT
public:
    explicit GroupPages(ShellContext& shell);

    void createGroup();
    void deleteGroup();
    void openEntryGroup();
    void openEditGroup();
    void addMember();
    void pasteNumber();
    void editRecord();
    void postRecord();
    void deleteRecord();
    // Stores an edit held in the editing grid (an open cell editor included).
    void storeHeldEdit();
    // Rewrites the editing page's count from the open editing table.
    void refreshEditCount();

    // The next id of the open working member table: one more than the
    // largest id; with rows but no id at all, one more than the row count.
    // -1 (with the engine's reason) when the table cannot be read.
    int nextMemberId(QString* error = nullptr);

    MemberTableModel* entryModel() const { return m_entryModel; }
    MemberTableModel* editModel() const { return m_editModel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildEntryPage(QWidget* page);
    void buildEditPage(QWidget* page);
    void openGroup(GroupPicker* picker, TableCursor& table, QLabel* label, QString* remembered);
    void setCountLabel(QLabel* label, const QString& name, const TableCursor& table);
    void setBoxEnabled(QLineEdit* box, bool on);
    void nameTicked(bool on);
    void familyTicked(bool on);
    void birthTicked(bool on);
    void contractTicked(bool on);
    void focusFirstEnabled(std::initializer_list<QLineEdit*> boxes);
    bool dateBoxKey(QLineEdit* box, class QKeyEvent* key);
    bool numberBoxKey(class QKeyEvent* key);
    QWidget* nextAfterDateBox(QLineEdit* box) const;

    ShellContext& m_shell;
    // Each page counts its own group: the two pages may show different ones.
    QString m_entryGroupName;
    QString m_editGroupName;

    // Members-entry page
    QLineEdit* m_Edit4 = nullptr;
    GroupPicker* m_DBLookupComboBox3 = nullptr;
    QCheckBox* m_CheckBox2 = nullptr;
    QCheckBox* m_CheckBox3 = nullptr;
    QCheckBox* m_CheckBox4 = nullptr;
    QCheckBox* m_CheckBox5 = nullptr;
    QLineEdit* m_Edit5 = nullptr;
    QLineEdit* m_Edit6 = nullptr;
    QLineEdit* m_Edit10 = nullptr; // birth day
    QLineEdit* m_Edit11 = nullptr; // birth month
    QLineEdit* m_Edit12 = nullptr; // birth year
    QLineEdit* m_Edit15 = nullptr; // contract day
    QLineEdit* m_Edit14 = nullptr; // contract month
    QLineEdit* m_Edit13 = nullptr; // contract year
    QLineEdit* m_Edit7 = nullptr;  // number
    QLabel* m_entryCount = nullptr;
    QTableView* m_DBGrid1 = nullptr;
    MemberTableModel* m_entryModel = nullptr;

    // Members-editing page
    GroupPicker* m_DBLookupComboBox4 = nullptr;
    GroupPicker* m_DBLookupComboBox2 = nullptr;
    QLabel* m_editCount = nullptr;
    QTableView* m_DBGrid2 = nullptr;
    MemberTableModel* m_editModel = nullptr;
    MemberGridDelegate* m_editDelegate = nullptr;
};
