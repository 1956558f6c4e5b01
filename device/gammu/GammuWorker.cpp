#include "device/gammu/GammuWorker.h"

#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "device/gammu/GammuText.h"

struct GammuWorker::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finished;
    std::deque<std::pair<Job, std::function<void()>>> jobs;
    bool running = false;
    bool inJob = false; // the job itself runs, not its follow-ups
    bool connected = false;
    bool stop = false;
    bool abortRequested = false;
    bool ended = false;
    bool rejectCalls = false;
    bool deleteNewSms = false;
    bool deleteReports = false;
    // Cleared under the mutex before the receiver goes, so nothing is
    // queued to it afterwards.
    QObject* receiver = nullptr;
    EventSink sink;
    GSM_StateMachine* sm = nullptr; // replaced under the mutex

    void deliver(std::function<void()> f) {
        std::lock_guard lock(mutex);
        if (receiver)
            QMetaObject::invokeMethod(receiver, std::move(f), Qt::QueuedConnection);
    }
};

namespace {

void onSms(GSM_StateMachine*, GSM_SMSMessage* sms, void* data) {
    auto& d = *static_cast<GammuWorker::Device*>(data);
    // Some phones only say where they stored it; libgammu's calls must not
    // be made from inside a callback, so it is read afterwards.
    const bool announcedOnly = sms->Text[0] == 0 && sms->Text[1] == 0 && sms->Number[0] == 0 &&
                               sms->Number[1] == 0 && sms->Location > 0;
    if (announcedOnly) {
        d.announced.push_back(*sms);
        return;
    }
    if (sms->PDU == SMS_Status_Report)
        d.events.emplace_back(gammutext::toReport(*sms));
    else
        d.events.emplace_back(gammutext::toIncoming(*sms));
    if (sms->Location > 0 && (sms->PDU == SMS_Status_Report ? d.deleteReports : d.deleteNewSms))
        d.announced.push_back(*sms); // read again only to be deleted; see followUps
}

void onUssd(GSM_StateMachine*, GSM_USSDMessage* ussd, void* data) {
    auto& d = *static_cast<GammuWorker::Device*>(data);
    const QString text = gammutext::fromGammu(ussd->Text);
    if (!text.isEmpty())
        d.events.emplace_back(text);
}

void onCall(GSM_StateMachine*, GSM_Call* call, void* data) {
    auto& d = *static_cast<GammuWorker::Device*>(data);
    if (call->Status != GSM_CALL_IncomingCall)
        return;
    GammuWorker::Call c;
    c.number = gammutext::fromGammu(call->PhoneNumber);
    // Status: 1 the call was rejected, 0 it was left ringing.
    c.status = d.rejectCalls ? 1 : 0;
    if (d.rejectCalls)
        d.callsToReject.push_back(call->CallIDAvailable ? call->CallID : 0);
    d.events.emplace_back(c);
}

void onSendStatus(GSM_StateMachine*, int status, int reference, void* data) {
    auto& d = *static_cast<GammuWorker::Device*>(data);
    // The network answers parts in order: a late answer to an earlier
    // unanswered part comes before the one in flight. Taking one of those
    // for the part in flight could fail it and send it twice; the part in
    // flight whose answer is skipped counts as sent, as unanswered ones do.
    if (d.lateAnswers > 0) {
        --d.lateAnswers;
        return;
    }
    d.sendStatus = status;
    d.sendReference = reference;
}

// What the callbacks left to do, outside them.
void followUps(GammuWorker::Device& d) {
    for (int id : std::exchange(d.callsToReject, {}))
        GSM_CancelCall(d.sm, id, id == 0 ? TRUE : FALSE);
    for (GSM_SMSMessage& stored : std::exchange(d.announced, {})) {
        const bool known = stored.Number[0] != 0 || stored.Number[1] != 0;
        if (!known) {
            auto multi = std::make_unique<GSM_MultiSMSMessage>();
            *multi = {};
            multi->Number = 1;
            multi->SMS[0].Folder = stored.Folder;
            multi->SMS[0].Location = stored.Location;
            multi->SMS[0].Memory = stored.Memory;
            if (GSM_GetSMS(d.sm, multi.get()) != ERR_NONE || multi->Number < 1)
                continue;
            stored = multi->SMS[0];
            if (stored.PDU == SMS_Status_Report)
                d.events.emplace_back(gammutext::toReport(stored));
            else
                d.events.emplace_back(gammutext::toIncoming(stored));
        }
        if (stored.PDU == SMS_Status_Report ? d.deleteReports : d.deleteNewSms)
            GSM_DeleteSMS(d.sm, &stored);
    }
}

} // namespace

void GammuWorker::installCallbacks(Device& device) {
    GSM_SetIncomingSMSCallback(device.sm, onSms, &device);
    GSM_SetIncomingUSSDCallback(device.sm, onUssd, &device);
    GSM_SetIncomingCallCallback(device.sm, onCall, &device);
    GSM_SetSendSMSStatusCallback(device.sm, onSendStatus, &device);
}

GammuWorker::GammuWorker(QObject* receiver, EventSink sink) : m_shared(std::make_shared<Shared>()) {
    m_shared->receiver = receiver;
    m_shared->sink = std::move(sink);
    std::thread(run, m_shared).detach();
}

GammuWorker::~GammuWorker() {
    std::unique_lock lock(m_shared->mutex);
    m_shared->receiver = nullptr;
    m_shared->stop = true;
    m_shared->jobs.clear();
    if (m_shared->running && m_shared->sm) {
        m_shared->abortRequested = true;
        GSM_AbortOperation(m_shared->sm);
    }
    m_shared->wake.notify_all();
    // A thread stuck in a call that ignores the abort is left behind, still
    // inside libgammu while the process ends: no static destructor of the
    // program is used by a job, and the process exits without waiting.
    m_shared->finished.wait_for(lock, std::chrono::milliseconds(kExitWaitMs),
                                [this] { return m_shared->ended; });
}

void GammuWorker::post(Job job, std::function<void()> done) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->jobs.emplace_back(std::move(job), std::move(done));
    m_shared->wake.notify_all();
}

bool GammuWorker::idle() const {
    std::lock_guard lock(m_shared->mutex);
    return !m_shared->running && m_shared->jobs.empty();
}

bool GammuWorker::connected() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->connected;
}

void GammuWorker::abort() {
    std::lock_guard lock(m_shared->mutex);
    // Follow-ups read what the phone announced: aborting them would lose
    // it and tear down a connection whose job went well.
    if (!m_shared->inJob || m_shared->abortRequested)
        return;
    m_shared->abortRequested = true;
    // Documented as safe from another thread; the state machine is not
    // replaced while the mutex is held.
    GSM_AbortOperation(m_shared->sm);
}

void GammuWorker::setFollowUps(bool rejectCalls, bool deleteNewSms, bool deleteReports) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->rejectCalls = rejectCalls;
    m_shared->deleteNewSms = deleteNewSms;
    m_shared->deleteReports = deleteReports;
}

void GammuWorker::renew(Shared& shared, Device& device) {
    GSM_StateMachine* old = device.sm;
    GSM_StateMachine* fresh = GSM_AllocStateMachine();
    {
        // abortRequested stays set meanwhile, so nothing aborts the fresh one
        // but the destructor.
        std::lock_guard lock(shared.mutex);
        shared.sm = fresh;
    }
    if (GSM_IsConnected(old))
        GSM_TerminateConnection(old);
    GSM_FreeStateMachine(old);
    Device next;
    next.sm = fresh;
    next.rejectCalls = device.rejectCalls;
    next.deleteNewSms = device.deleteNewSms;
    next.deleteReports = device.deleteReports;
    next.reconnect = std::move(device.reconnect);
    // Messages announced during the aborted job are read on the new link.
    std::vector<GSM_SMSMessage> announced = std::move(device.announced);
    device = std::move(next);
    bool stopping = false;
    {
        std::lock_guard lock(shared.mutex);
        stopping = shared.stop;
    }
    if (!stopping && device.reconnect && device.reconnect(device)) {
        device.announced = std::move(announced);
        followUps(device);
    }
}

void GammuWorker::run(std::shared_ptr<Shared> shared) {
    Device device;
    // Allocated here: every libgammu call on this thread.
    device.sm = GSM_AllocStateMachine();
    {
        std::lock_guard lock(shared->mutex);
        shared->sm = device.sm;
    }
    auto handOver = [&] {
        for (Event& e : std::exchange(device.events, {}))
            shared->deliver([sink = shared->sink, e = std::move(e)] { sink(e); });
    };
    for (;;) {
        std::unique_lock lock(shared->mutex);
        const auto ready = [&] { return shared->stop || !shared->jobs.empty(); };
        if (device.connected)
            shared->wake.wait_for(lock, std::chrono::milliseconds(kPollMs), ready);
        else
            shared->wake.wait(lock, ready);
        if (shared->stop)
            break;
        device.rejectCalls = shared->rejectCalls;
        device.deleteNewSms = shared->deleteNewSms;
        device.deleteReports = shared->deleteReports;
        if (shared->jobs.empty()) {
            lock.unlock();
            // Idle and connected: what the phone says on its own comes in
            // only while libgammu reads it.
            GSM_ReadDevice(device.sm, FALSE);
            followUps(device);
            handOver();
            lock.lock();
            shared->connected = device.connected;
            continue;
        }
        auto [job, done] = std::move(shared->jobs.front());
        shared->jobs.pop_front();
        shared->running = true;
        shared->inJob = true;
        lock.unlock();

        job(device);

        lock.lock();
        shared->inJob = false;
        const bool aborted = shared->abortRequested;
        lock.unlock();
        // On an aborted state machine every call fails at once: follow-ups
        // wait for the fresh one.
        if (aborted)
            renew(*shared, device);
        else if (device.connected)
            followUps(device);
        handOver();

        lock.lock();
        shared->abortRequested = false;
        shared->running = false;
        shared->connected = device.connected;
        lock.unlock();
        shared->deliver(std::move(done));
    }
    // Stopped: the receiver is gone.
    if (GSM_IsConnected(device.sm))
        GSM_TerminateConnection(device.sm);
    {
        std::lock_guard lock(shared->mutex);
        shared->sm = nullptr;
    }
    GSM_FreeStateMachine(device.sm);
    std::lock_guard lock(shared->mutex);
    shared->ended = true;
    shared->finished.notify_all();
}
