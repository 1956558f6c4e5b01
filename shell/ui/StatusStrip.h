#pragma once

#include <QFrame>

#include "shell/Clock.h"

class QLabel;
class QProgressBar;
class QToolButton;

// The strip above the page area: power and antenna gauges, the three
// activity lamps with their moving marker, the hide button and the
// new-message notice.
class StatusStrip : public QFrame {
    Q_OBJECT
public:
    // The three lamp positions, in marker order.
    static constexpr int kLampX[3] = {568, 590, 612};

    explicit StatusStrip(QWidget* parent);

    // Gauges run 0 to 100; a level outside (a negative reception when there
    // is no network) shows as the nearest end.
    void setBattery(int level);
    void setReception(int level);

    // Lit lamps and the marker moving on Timer1 while a device is connected.
    void setActive(bool active);
    bool isActive() const;
    // One step of the marker: first lamp to second, second to third, third
    // back to the first; a marker anywhere else stays.
    void advanceMarker();
    // Closing stops the marker's timer with the window's own timers.
    void stopActivityTimer();

    // The new-message notice, hidden at start.
    void setNewMessageNotice(bool visible);

    QProgressBar* gaugeBattery = nullptr;
    QProgressBar* gaugeReception = nullptr;
    QLabel* gh1 = nullptr;
    QLabel* gh2 = nullptr;
    QLabel* gh3 = nullptr;
    QLabel* sa1 = nullptr;
    QLabel* sa2 = nullptr;
    QLabel* sa3 = nullptr;
    QLabel* imo = nullptr;
    QToolButton* btnHide = nullptr;
    QToolButton* btnNewMessage = nullptr;
    ClockTimer Timer1{QStringLiteral("Timer1"), 650, this};

Q_SIGNALS:
    void newMessageClicked();

private:
    QProgressBar* addGauge(const QString& name, const QString& caption, int x);
    QLabel* addLamp(const QString& name, int x, bool lit);
    void addButtons();
};
