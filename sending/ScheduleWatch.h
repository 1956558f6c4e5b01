#pragma once

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

#include "sending/Schedule.h"
#include "shell/Clock.h"

class CoreContext;
class ProgressView;
class ScheduleBook;
class SendForm;
class SendRun;

// While the program is open: starts each due schedule's run through the
// send engine and the progress window, one at a time and never while
// another run holds the device (it waits for it), and tells the operator of
// the ones missed while the program was closed. A day is claimed in the
// book before its run starts.
class ScheduleWatch : public QObject {
    Q_OBJECT
public:
    // The form a scheduled run reads, made for its request (one group at
    // most) and the date filter of the day it fell due.
    using FormMaker =
        std::function<std::unique_ptr<SendForm>(const SendRequest&, const DateFilterChoice&)>;
    // Given the run's form before it starts and nullptr after it ended, so
    // the progress window logs the run under the right recipients.
    using ViewAttach = std::function<void(SendForm*)>;

    static constexpr int kTickMs = 15000;

    ScheduleWatch(CoreContext& shell, ScheduleBook& book, ProgressView& view, FormMaker makeForm,
                  QObject* parent = nullptr);
    ~ScheduleWatch() override;

    void setViewAttach(ViewAttach attach) { m_attach = std::move(attach); }

    // From now on the times that fall due are run however long they wait;
    // a first check tells the ones missed before.
    void start();
    void stop();
    // One tick: the missed told, the oldest due one started if it may be.
    void check();

    bool isRunning() const { return m_active != nullptr; }
    // The engine of the scheduled run under way, for tests and the shell.
    SendRun* currentRun() const;
    ClockTimer& timer() { return m_timer; }

Q_SIGNALS:
    // A claim was written or a run ended: lists of schedules read afresh.
    void changed();

private:
    struct Active;
    void startNext();
    void runEnded();
    void note(const QString& key, const QString& text);

    CoreContext& m_shell;
    ScheduleBook& m_book;
    ProgressView& m_view;
    FormMaker m_makeForm;
    ViewAttach m_attach;
    ClockTimer m_timer;
    QDateTime m_watchedSince;
    std::unique_ptr<Active> m_active;
    bool m_checking = false;
    QSet<QString> m_told; // waiting notes already shown, by occurrence
};
