#include "shell/Clock.h"

namespace {
Clock* g_clock = nullptr;
} // namespace

Clock& Clock::instance() {
    static SystemClock system;
    return g_clock ? *g_clock : system;
}

void Clock::setInstance(Clock* clock) {
    g_clock = clock;
}

void SystemClock::schedule(ClockTimer* timer) {
    timer->qtimer().setSingleShot(timer->isSingleShot());
    timer->qtimer().start(timer->interval());
}

void SystemClock::unschedule(ClockTimer* timer) {
    timer->qtimer().stop();
}

ClockTimer::ClockTimer(QObject* parent) : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ClockTimer::fire);
}

ClockTimer::ClockTimer(const QString& name, int intervalMs, QObject* parent) : ClockTimer(parent) {
    setObjectName(name);
    m_interval = intervalMs;
}

ClockTimer::~ClockTimer() {
    stop();
}

void ClockTimer::setInterval(int ms) {
    m_interval = ms;
    if (m_active)
        start();
}

void ClockTimer::start() {
    if (m_active && m_clock)
        m_clock->unschedule(this);
    m_active = true;
    m_clock = &Clock::instance();
    m_clock->schedule(this);
}

void ClockTimer::start(int ms) {
    m_interval = ms;
    start();
}

void ClockTimer::stop() {
    if (!m_active)
        return;
    m_active = false;
    if (m_clock)
        m_clock->unschedule(this);
    m_clock = nullptr;
}

void ClockTimer::fire() {
    if (!m_active)
        return;
    if (m_singleShot)
        stop();
    Q_EMIT timeout();
}
