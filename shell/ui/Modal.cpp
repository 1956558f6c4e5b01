#include "shell/ui/Modal.h"

#include <QDialog>

namespace {
std::function<int(QDialog*)>& runner() {
    static std::function<int(QDialog*)> r;
    return r;
}
} // namespace

int Modal::run(QDialog* dialog) {
    return runner() ? runner()(dialog) : dialog->exec();
}

void Modal::setRunner(std::function<int(QDialog*)> r) {
    runner() = std::move(r);
}
