#pragma once

#include <QObject>

#include "incoming/ui/LogPageLayout.h"

class ShellContext;

// The inbox page (12): received messages, their text, reply, delete and
// the counts.
class InboxPage : public QObject {
    Q_OBJECT
public:
    explicit InboxPage(ShellContext& shell, QObject* parent = nullptr);

    // A click on a cell or a key released in the grid: shows the text and
    // marks a new message read.
    void selectRow(int row);
    void reply();
    void deleteMessage();
    void showCounts();
    // Navigation shows the rows stored since.
    void reopen();
    // The grid's current row; the first while none was chosen.
    int currentRow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ShellContext& m_shell;
    LogPageLayout m_page;
};
