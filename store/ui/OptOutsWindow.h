#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class ShellContext;

// The opt-out list: numbers added and removed by hand, read in from any
// contact file, written out as CSV. The list itself is optouts' (store).
class OptOutsWindow : public QDialog {
    Q_OBJECT
public:
    explicit OptOutsWindow(ShellContext& shell, QWidget* parent = nullptr);

    void reload();
    void addTyped();
    void removeChosen();
    void importFile();
    void exportFile();

private:
    ShellContext& m_shell;
    QListWidget* m_list = nullptr;
    QLineEdit* m_number = nullptr;
    QLabel* m_count = nullptr;
};
