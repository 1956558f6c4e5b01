#pragma once

#include <QObject>
#include <QString>

#include <gammu.h>

#include <functional>
#include <memory>
#include <variant>
#include <vector>

#include "device/SmsTypes.h"

// The one thread on which every libgammu call of the program runs: libgammu
// keeps process-wide state (its locale, debug settings and tables), and a
// state machine must not be used from two threads at once.
//
// Jobs run in order. What the phone reports on its own (a message, a status
// report, a USSD answer, a call) reaches libgammu's callbacks inside some
// call on this thread, or while the idle thread reads the connected phone;
// it is collected there, its follow-ups done (reading a message the phone
// only announced, deleting, rejecting a call), and handed to the receiver's
// thread as a queued call, never inside a job.
//
// A job that overruns its caller's time-out is aborted through libgammu's
// abort flag, which stays set, so the state machine is replaced once that
// job has returned, and the phone connected again on the fresh one as it was
// last connected. Until then the worker is not idle. The old port is closed
// without the worker's lock held: a DKU-5 or rfcomm port can take some 40 s
// to let go, and the window takes that lock.
class GammuWorker {
public:
    struct Call {
        QString number;
        int status = 0;
    };
    using Event = std::variant<IncomingSms, DeliveryReport, QString, Call>;

    // The worker side of the phone: touched on the worker thread only.
    struct Device {
        GSM_StateMachine* sm = nullptr;
        bool connected = false;
        // Settings of the event follow-ups, copied at every job.
        bool rejectCalls = false;
        bool deleteNewSms = false;
        bool deleteReports = false;
        // The answer to the last GSM_SendSMS: -1 none yet, 0 sent, else an error.
        int sendStatus = -1;
        int sendReference = 0;
        // Parts handed over without an answer in time: the next answers may
        // be theirs, coming late, and are not taken for the part in flight.
        int lateAnswers = 0;
        // Connects the phone again as last connected, on a fresh state machine.
        std::function<bool(Device&)> reconnect;
        std::vector<Event> events;
        std::vector<GSM_SMSMessage> announced; // stored messages to read
        std::vector<int> callsToReject;
    };
    using Job = std::function<void(Device&)>;

    // Events and job ends are delivered to receiver's thread; receiver must
    // outlive the worker's destructor.
    using EventSink = std::function<void(const Event&)>;
    GammuWorker(QObject* receiver, EventSink sink);
    // Stops the thread: waits for a running job at most kExitWaitMs, then
    // leaves it behind (it ends with the process) rather than hang the exit.
    ~GammuWorker();
    GammuWorker(const GammuWorker&) = delete;
    GammuWorker& operator=(const GammuWorker&) = delete;

    // Queues job; done then runs on the receiver's thread.
    void post(Job job, std::function<void()> done);
    // No job queued or running.
    bool idle() const;
    // The phone as the last finished job left it.
    bool connected() const;
    // Aborts the running job (see above); its follow-ups are not aborted.
    void abort();
    // Settings of the event follow-ups, taken by the next job.
    void setFollowUps(bool rejectCalls, bool deleteNewSms, bool deleteReports);

    // Sets libgammu's callbacks on a freshly initialised state machine.
    static void installCallbacks(Device& device);

    // libgammu's FBus start heeds an abort only after some 2 s, and closing
    // the port it gave up on takes 2 s more.
    static constexpr int kExitWaitMs = 5000;
    static constexpr int kPollMs = 250;

private:
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);
    static void renew(Shared& shared, Device& device);
    std::shared_ptr<Shared> m_shared;
};
