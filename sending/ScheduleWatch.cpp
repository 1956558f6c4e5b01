#include "sending/ScheduleWatch.h"

#include <QScopeGuard>

#include "device/KylixSMS.h"
#include "sending/ScheduleBook.h"
#include "sending/ScheduleTexts.h"
#include "sending/SendForm.h"
#include "sending/SendRun.h"
#include "shell/CoreContext.h"

struct ScheduleWatch::Active {
    Occurrence occurrence;
    Schedule schedule;
    QList<SendRequest> queue; // schedule::runsOf

    std::unique_ptr<SendRun> run;
    qint64 recorded = 0;
};

ScheduleWatch::ScheduleWatch(CoreContext& shell, ScheduleBook& book, ProgressView& view,
                             FormMaker makeForm, QObject* parent)
    : QObject(parent), m_shell(shell), m_book(book), m_view(view), m_makeForm(std::move(makeForm)),
      m_timer(QStringLiteral("schedules"), kTickMs, this) {
    connect(&m_timer, &ClockTimer::timeout, this, &ScheduleWatch::check);
}

ScheduleWatch::~ScheduleWatch() {
    if (m_active && m_attach)
        m_attach(nullptr);
}

void ScheduleWatch::start() {
    m_watchedSince = m_shell.clock().now();
    m_timer.start();
    check();
}

void ScheduleWatch::stop() {
    m_timer.stop();
}

SendRun* ScheduleWatch::currentRun() const {
    return m_active ? m_active->run.get() : nullptr;
}

void ScheduleWatch::note(const QString& key, const QString& text) {
    if (m_told.contains(key))
        return;
    m_told.insert(key);
    m_shell.showStatusNote(text);
}

void ScheduleWatch::check() {
    // A box below is modal: a tick inside it waits for this check to end.
    if (m_active || m_checking || !m_book.isOpen())
        return;
    m_checking = true;
    const auto done = qScopeGuard([this] { m_checking = false; });
    const QDateTime now = m_shell.clock().now();
    const DueList list = m_book.dueAt(now, m_watchedSince);
    // In a box, not a note: a run starting next would write over a note.
    QStringList missed;
    for (const Occurrence& o : list.missed) {
        const std::optional<Schedule> s = m_book.find(o.schedule);
        if (!s || !m_book.markMissed(o, now))
            continue;
        missed.append(scheduletext::kMissed.arg(
            s->name, o.day + QLatin1Char(' ') + o.at.time().toString(QStringLiteral("HH:mm"))));
    }
    if (!missed.isEmpty()) {
        Q_EMIT changed();
        m_shell.messages().showMessage(missed.join(QLatin1Char('\n')));
    }
    if (list.due.isEmpty())
        return;
    const Occurrence o = list.due.first();
    const std::optional<Schedule> s = m_book.find(o.schedule);
    if (!s)
        return;
    const QString key = QString::number(o.schedule) + QLatin1Char(' ') + o.day;
    // Nothing is claimed while it waits: the day stays due until it can run.
    if (m_shell.sms().gate().isBusy()) {
        note(key + QStringLiteral(" busy"), scheduletext::kWaitingRun.arg(s->name));
        return;
    }
    if (!m_shell.isConnected()) {
        note(key + QStringLiteral(" device"), scheduletext::kWaitingDevice.arg(s->name));
        return;
    }
    // Claimed before anything starts; a command-line run that took the day
    // first keeps it.
    if (!m_book.claim(o, now))
        return;
    m_active = std::make_unique<Active>();
    m_active->occurrence = o;
    m_active->schedule = *s;
    m_active->queue = schedule::runsOf(s->request);
    m_shell.showStatusNote(scheduletext::kStarted.arg(s->name));
    Q_EMIT changed();
    startNext();
}

void ScheduleWatch::startNext() {
    Active& a = *m_active;
    const SendRequest request = a.queue.takeFirst();
    std::unique_ptr<SendForm> form =
        m_makeForm(request, schedule::filterFor(request, a.occurrence.date));
    SendForm* plain = form.get();
    if (m_attach)
        m_attach(plain);
    a.run = std::make_unique<SendRun>(m_shell, *plain, m_view);
    // The form outlives the engine that reads it.
    connect(a.run.get(), &QObject::destroyed, this, [owned = form.release()] { delete owned; });
    a.recorded = 0;
    // The end is taken up from the event loop: the engine may still be on
    // its way out of the call that ended it.
    a.run->setFinishedHook([this] {
        QMetaObject::invokeMethod(this, &ScheduleWatch::runEnded, Qt::QueuedConnection);
    });
    a.run->start();
    if (a.run && a.run->runId() != 0 && a.recorded != a.run->runId()) {
        a.recorded = a.run->runId();
        m_book.addRun(a.occurrence, a.recorded);
    }
}

void ScheduleWatch::runEnded() {
    if (!m_active)
        return;
    Active& a = *m_active;
    if (a.run) {
        if (a.run->runId() != 0 && a.recorded != a.run->runId())
            m_book.addRun(a.occurrence, a.run->runId());
        a.run.release()->deleteLater();
    }
    if (!a.queue.isEmpty()) {
        startNext();
        return;
    }
    if (m_attach)
        m_attach(nullptr);
    m_active.reset();
    Q_EMIT changed();
    // Another schedule may have fallen due meanwhile.
    QMetaObject::invokeMethod(this, &ScheduleWatch::check, Qt::QueuedConnection);
}
