#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class ShellContext;

// The opt-out list: numbers added and removed by hand, read in from any
// contact file, written out as CSV; and the reply words that put a sender
// on it. The list and the words are optouts' (store).
class OptOutsWindow : public QDialog {
    Q_OBJECT
public:
    explicit OptOutsWindow(ShellContext& shell, QWidget* parent = nullptr);

    void reload();
    void addTyped();
    void removeChosen();
    void importFile();
    void exportFile();
    // The words that opt a sender out, one a line, as the operator edits them.
    void saveWords();

private:
    ShellContext& m_shell;
    QListWidget* m_list = nullptr;
    QLineEdit* m_number = nullptr;
    QLabel* m_count = nullptr;
    QPlainTextEdit* m_words = nullptr;
};
