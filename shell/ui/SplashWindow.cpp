#include "shell/ui/SplashWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "shell/ui/Pictures.h"

SplashWindow::SplashWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Form3"));
    setFixedSize(456, 330);
    auto* picture = new QLabel(this);
    picture->setGeometry(rect());
    picture->setPixmap(pictures::splash(size()));
    connect(&m_timer, &ClockTimer::timeout, this, [this] {
        m_timer.stop();
        accept();
    });
}

void SplashWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_timer.start();
}
