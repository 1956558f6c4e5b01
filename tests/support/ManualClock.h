#pragma once

#include <QList>

#include "shell/Clock.h"

// A clock that moves only when the test says so. advance() fires every
// timer that falls due, in time order, as often as it falls due.
class ManualClock : public Clock {
public:
    explicit ManualClock(const QDateTime& start);
    ~ManualClock() override;

    QDateTime now() const override { return m_now; }
    void setNow(const QDateTime& now) { m_now = now; }
    void advance(qint64 ms);
    bool isScheduled(const ClockTimer* timer) const;

protected:
    void schedule(ClockTimer* timer) override;
    void unschedule(ClockTimer* timer) override;

private:
    struct Entry {
        ClockTimer* timer;
        QDateTime due;
    };
    QDateTime m_now;
    QList<Entry> m_entries;
};
