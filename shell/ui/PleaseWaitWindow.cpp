#include "shell/ui/PleaseWaitWindow.h"

#include <QLabel>

#include "shell/ui/Pictures.h"
#include "shell/ShellTexts.h"

PleaseWaitWindow::PleaseWaitWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QString());
    setFixedSize(321, 118);
    auto* picture = new QLabel(this);
    picture->setGeometry(12, 24, 70, 70);
    picture->setPixmap(pictures::pleaseWait(picture->size()));
    auto* line = new QLabel(shelltext::kPleaseWait, this);
    line->setGeometry(92, 44, 215, 26);
}

void PleaseWaitWindow::showWait(QWidget* over) {
    if (over)
        move(over->geometry().center() - rect().center());
    show();
    raise();
    repaint();
}

void PleaseWaitWindow::closeWait() {
    hide();
}
