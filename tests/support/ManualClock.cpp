#include "ManualClock.h"

#include <algorithm>

ManualClock::ManualClock(const QDateTime& start) : m_now(start) {
    Clock::setInstance(this);
}

ManualClock::~ManualClock() {
    // Timers still running must not call back into a dead clock.
    const auto entries = m_entries;
    for (const Entry& e : entries)
        e.timer->stop();
    Clock::setInstance(nullptr);
}

void ManualClock::schedule(ClockTimer* timer) {
    unschedule(timer);
    m_entries.append({timer, m_now.addMSecs(std::max(timer->interval(), 1))});
}

void ManualClock::unschedule(ClockTimer* timer) {
    m_entries.removeIf([timer](const Entry& e) { return e.timer == timer; });
}

bool ManualClock::isScheduled(const ClockTimer* timer) const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [timer](const Entry& e) { return e.timer == timer; });
}

void ManualClock::advance(qint64 ms) {
    const QDateTime end = m_now.addMSecs(ms);
    for (;;) {
        auto next = std::min_element(m_entries.begin(), m_entries.end(),
                                     [](const Entry& a, const Entry& b) { return a.due < b.due; });
        if (next == m_entries.end() || next->due > end)
            break;
        ClockTimer* timer = next->timer;
        m_now = next->due;
        if (timer->isSingleShot())
            m_entries.erase(next);
        else
            next->due = m_now.addMSecs(std::max(timer->interval(), 1));
        timer->fire();
    }
    m_now = end;
}
