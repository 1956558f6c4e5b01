#pragma once

#include <QObject>

#include "incoming/ui/LogPageLayout.h"

class QDialog;
class QPushButton;
class ShellContext;

// The sent log page (11): one row per send run, its text, send again,
// delete, and the delivery report window.
class SentLogPage : public QObject {
    Q_OBJECT
public:
    SentLogPage(ShellContext& shell, QDialog& reports, QObject* parent = nullptr);

    void selectRow(int row);
    void sendAgain();
    void deleteMessage();
    void reopen();
    int currentRow() const;
    // The report of the run the row logged (a double-click or the button).
    void openReport(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ShellContext& m_shell;
    QDialog& m_Form8;
    LogPageLayout m_page;
    QPushButton* m_report = nullptr;
};
