#pragma once

#include <QDialog>

// A small notice shown without blocking around slow device work.
class PleaseWaitWindow : public QDialog {
    Q_OBJECT
public:
    explicit PleaseWaitWindow(QWidget* parent = nullptr);

    // Shows it over the main window and paints it at once, since the work
    // that follows may hold the event loop.
    void showWait(QWidget* over);
    void closeWait();
};
