#pragma once

#include <QObject>

#include "sending/Schedule.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTableWidgetItem;
class QTimeEdit;
class ScheduleBook;
class ShellContext;

// Page 18: the scheduled runs, their list and the editor of one, and the
// grace time. Works without a device: what it keeps is the book's.
class SchedulesPage : public QObject {
    Q_OBJECT
public:
    SchedulesPage(ShellContext& shell, ScheduleBook& book);
    ~SchedulesPage() override;

    // The list read afresh (after a run, a claim, an edit).
    void refresh();
    void addClicked();
    void editClicked();
    void deleteClicked();
    void saveClicked();
    void cancelClicked();

    QTableWidget* table() const { return m_table; }
    // The schedule of a list row, 0 when none.
    qint64 idOfRow(int row) const;

private:
    void build(QWidget* page);
    QWidget* buildList(QWidget* parent);
    QWidget* buildEditor(QWidget* parent);
    void openEditor(const Schedule& s);
    Schedule fromEditor() const;
    void loadGroups(const QStringList& chosen);
    void updateInputs();
    void updateDateCheck();
    void itemChanged(QTableWidgetItem* item);
    void insertPlaceholder();
    QString recipientsText(const SendRequest& r) const;
    QString lastText(const Schedule& s) const;
    QString nextText(const Schedule& s) const;

    ShellContext& m_shell;
    ScheduleBook& m_book;
    qint64 m_editing = 0; // the schedule in the editor, 0 for a new one
    bool m_filling = false;

    QStackedWidget* m_stack = nullptr;
    QTableWidget* m_table = nullptr;
    QSpinBox* m_grace = nullptr;
    QWidget* m_editor = nullptr;
    QLineEdit* m_name = nullptr;
    QRadioButton* m_once = nullptr;
    QRadioButton* m_daily = nullptr;
    QSpinBox* m_year = nullptr;
    QSpinBox* m_month = nullptr;
    QSpinBox* m_day = nullptr;
    QLabel* m_dateCheck = nullptr;
    QTimeEdit* m_time = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QRadioButton* m_toNumber = nullptr;
    QRadioButton* m_toGroups = nullptr;
    QRadioButton* m_toAll = nullptr;
    QRadioButton* m_toRange = nullptr;
    QLineEdit* m_number = nullptr;
    QListWidget* m_groups = nullptr;
    QLineEdit* m_rangeFirst = nullptr;
    QLineEdit* m_rangeLast = nullptr;
    QComboBox* m_filter = nullptr;
    QCheckBox* m_report = nullptr;
    QCheckBox* m_errorControl = nullptr;
    QSpinBox* m_tolerance = nullptr;
    QCheckBox* m_footer = nullptr;
    QCheckBox* m_enabled = nullptr;
};
