#pragma once

#include <QDialog>

#include "shell/Clock.h"

// The picture shown modally once at first show; it closes itself 2500 ms
// after it is shown.
class SplashWindow : public QDialog {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);
    ClockTimer& timer() { return m_timer; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    ClockTimer m_timer{QStringLiteral("splashTimer"), 2500, this};
};
