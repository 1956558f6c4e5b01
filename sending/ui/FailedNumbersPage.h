#pragma once

#include <QObject>

#include "shell/Hook.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class ReadOnlyTableModel;
class SendForm;
class ShellContext;

// Page 16: the members the last group run could not reach, its summary and
// its message, and the ways to send them again or throw them away.
class FailedNumbersPage : public QObject {
    Q_OBJECT
public:
    FailedNumbersPage(ShellContext& shell, SendForm& form);
    ~FailedNumbersPage() override;

    // The page-entry step of page 16: the files into the boxes, the table open.
    void enter();
    void formGroup();
    void saveText();
    void deleteList();
    // Empties the two boxes (an old list cleared, a resend run completed).
    void clearBoxes();

    QPlainTextEdit* summaryBox() const { return m_summary; }
    QPlainTextEdit* messageBox() const { return m_message; }
    QTableView* grid() const { return m_grid; }
    // Opens the window of the latest run's recipients; its owner connects it.
    QPushButton* recipientsButton() const { return m_recipients; }

private:
    bool listHoldsRows() const;
    QString file(const QString& name) const;

    ShellContext& m_shell;
    SendForm& m_form;
    HookFill m_entryFill;
    QPlainTextEdit* m_summary = nullptr;
    QPlainTextEdit* m_message = nullptr;
    QWidget* m_body = nullptr;
    QTableView* m_grid = nullptr;
    QPushButton* m_recipients = nullptr;
    ReadOnlyTableModel* m_model = nullptr;
};
