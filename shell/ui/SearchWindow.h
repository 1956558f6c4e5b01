#pragma once

#include <QDialog>

#include "shell/Clock.h"

class QProgressBar;

// Shown without blocking while the port search runs. Cancel tells the
// search to stop after the attempt under way.
class SearchWindow : public QDialog {
    Q_OBJECT
public:
    explicit SearchWindow(QWidget* parent = nullptr);

Q_SIGNALS:
    void cancelled();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void tick();

    QProgressBar* m_bars[3];
    ClockTimer m_timer{QStringLiteral("searchTimer"), 40, this};
};
