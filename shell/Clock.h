#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

class ClockTimer;

// Where the program takes the time of day and its behaviour timers from.
// Tests install a manual clock and move time forward by hand, so rules such
// as 12 s or 45 s run without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

    static Clock& instance();
    // Replaces the clock (nullptr restores the system clock). Not owned.
    // Install it before timers are started.
    static void setInstance(Clock* clock);

protected:
    friend class ClockTimer;
    // A timer started or stopped: the system clock drives it with a QTimer,
    // a manual clock keeps it in its own schedule.
    virtual void schedule(ClockTimer* timer) = 0;
    virtual void unschedule(ClockTimer* timer) = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }

protected:
    void schedule(ClockTimer* timer) override;
    void unschedule(ClockTimer* timer) override;
};

// A timer like QTimer, driven by the installed clock.
class ClockTimer : public QObject {
    Q_OBJECT
public:
    explicit ClockTimer(QObject* parent = nullptr);
    ClockTimer(const QString& name, int intervalMs, QObject* parent);
    ~ClockTimer() override;

    void setInterval(int ms);
    int interval() const { return m_interval; }
    void setSingleShot(bool singleShot) { m_singleShot = singleShot; }
    bool isSingleShot() const { return m_singleShot; }
    bool isActive() const { return m_active; }

    void start();
    void start(int ms);
    void stop();

    // Called by the clock when the timer is due.
    void fire();
    QTimer& qtimer() { return m_timer; }

Q_SIGNALS:
    void timeout();

private:
    QTimer m_timer;
    Clock* m_clock = nullptr; // the clock that holds it while active
    int m_interval = 0;
    bool m_singleShot = false;
    bool m_active = false;
};
