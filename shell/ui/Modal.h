#pragma once

#include <functional>

class QDialog;

// Runs a window modally. Tests replace the runner so a splash or a prompt
// never holds a test in a nested loop.
class Modal {
public:
    static int run(QDialog* dialog);
    // nullptr restores QDialog::exec.
    static void setRunner(std::function<int(QDialog*)> runner);
};
