#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariant>

#include <optional>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "device/DeviceGate.h"
#include "device/ModemList.h"
#include "device/SmsTypes.h"
#include "sending/SendJournal.h"
#include "shell/Clock.h"

class KylixSMS;
class Link;
class ProgressView;
class SendForm;
class CoreContext;

// One press of the send button, as a state machine on the user-interface
// thread. The press plans the run: the recipients of the chosen mode are
// resolved, personalised and written to the send journal, one row each, in
// one transaction; then each is handed to the link and the run goes on when
// the link reports the outcome. Nothing waits in a nested event loop: the
// progress window's buttons are served between the outcomes.
//
// Never twice: a recipient whose body went out (sent, or an outcome nobody
// knows) is never handed over again by the run; the second attempt follows
// only a refusal or a failure. Every state is in the journal before the
// next step, and a submitting row is committed before the body leaves.
//
// Over several links (a pool of modems, a gateway) each link with room
// takes the next recipient, the one with the fewest bodies out today first;
// a link at its daily limit, or down, takes nothing, and outside the sending
// hours none does. A second attempt goes to another link when one is free.
// Recipients of one group are all answered before the next group starts,
// so the window's title and counts stay the group's.
class SendRun : public QObject {
    Q_OBJECT
public:
    // One link of a run and what the run needs of it.
    struct RunLink {
        Link* link = nullptr;
        QString label;           // for the progress window; the link's name when empty
        int dailyLimit = 0;      // bodies a Tehran calendar day; 0 = none
        KylixSMS* sms = nullptr; // a modem's control: settings pushed, gate held
    };

    // With no link given the run sends through the modems of the shell's
    // modem source (and its gateway), or the SMS control's modem alone.
    SendRun(CoreContext& shell, SendForm& form, ProgressView& view, Link* link = nullptr);
    // These links for every press, not owned.
    SendRun(CoreContext& shell, SendForm& form, ProgressView& view, QList<RunLink> links);
    ~SendRun() override;

    // The window of the day runs send in; without it the modem source's.
    void setSendingHours(const SendingHours& hours) { m_hoursGiven = hours; }
    // Bodies each link of the run under way has had out, by link name.
    QList<QPair<QString, qint64>> linkCounts() const;

    // The send button.
    void start();
    bool isRunning() const { return m_running; }
    // Members of the last run passed over as on the opt-out list.
    int optedOut() const { return m_optedOut; }

    // Empties the failed-numbers page's two boxes; run when an old list is
    // cleared and when a resend run completes.
    void setClearingHook(std::function<void()> hook) { m_clearing = std::move(hook); }
    // Runs when a run has ended, however it ended (tests and the shell wait
    // on it; a run never ends inside start() unless it was refused).
    void setFinishedHook(std::function<void()> hook) { m_finishedHook = std::move(hook); }

    // The message for one member: the first "**" becomes the name and the
    // family; a text that would come out empty goes as typed.
    static QString repo(const QString& text, const QVariant& name, const QVariant& family);
    // A bulk message with the opt-out footer under it, as it reaches the
    // phone and as the composer counts it.
    static QString withFooter(const QString& text);

    // A run an earlier start left unfinished (killed, crashed, machine off)
    // is carried on: its pending recipients only, in order, with its own
    // texts and settings; false when there is nothing to carry on or the
    // press is refused. Or it is closed: the pending ones are recorded as
    // failed, as a stop records them, and the run is logged.
    bool resume(qint64 runId);
    void closeUnfinished(qint64 runId);
    // The operator's choice: those whose outcome is unknown become pending
    // and the run is carried on.
    bool resendUnknown(qint64 runId);
    // "Sent n, refused n, unknown n, not sent yet n", for the operator.
    QString progressText(qint64 runId) const;

    SendJournal& journal() { return m_journal; }
    // The journal's id of the run under way or last run; 0 before any.
    qint64 runId() const { return m_runId; }

Q_SIGNALS:
    void finished();

private:
    enum class Mode { OneNumber, Group, AllGroups, Range };
    enum class Wait { None, First, Second };

    // Planning; false when the press ended with a message before anything
    // was sent.
    void reset();
    bool checksPass();
    bool plan();
    bool planOneNumber();
    bool planGroups();
    bool planRange();
    bool openMembers(const QString& gcode, int* rows);
    bool writePlan(const QList<QPair<QString, QString>>& groups);

    // Carrying out.
    struct Slot {
        Link* link = nullptr;
        QString label;
        int limit = 0;
        KylixSMS* sms = nullptr;
        qint64 today = 0; // bodies out today through it, from the journal on
        qint64 inRun = 0; // those of this press
    };
    enum class Ending { None, Finish, Stop, StopWithoutCopy };
    bool gatherLinks();
    void watchReports(KylixSMS& sms, const QString& name);
    void countToday();
    bool legacyModem() const;
    bool mayTake(int slot) const;
    // The link for new work, the fewest out today first; avoid is taken
    // only when no other may, and with orAvoided.
    int pickSlot(int avoid, bool orAvoided = true) const;
    int retrySlot(int failed) const;
    bool inHours() const;
    int nextPosition(bool* done);
    void pump();
    bool handOut();
    void submitOn(int slot, int position, Wait attempt);
    void onOutcome(quint64 ticket, SubmitOutcome outcome, const QList<int>& references);
    void conclude();
    void showPause();
    void showLinks();
    void enterGroup(int index);
    const JournalRecipient& recipientAt(int position);
    bool stopTest() const;

    // Ends.
    void stop();
    void stopWithoutCopy();
    // The end every stop shares: the operator told, the window closed, the
    // run closed in the journal; offerRetry asks about the failed list.
    void closeStopped(bool offerRetry);
    void finishNormally();
    void endOfRun();
    void abort(const QString& message);
    void ended();

    void showCounts();
    // The settings page's values to modem 1 and to the modem about to submit.
    void pushSettings(KylixSMS* modem);
    void countSent();
    void accepted(int position);
    void recordFailure(int position);
    void writeSummary();
    void writeFailedText();
    void copyRemaining();
    bool clearFailedList();
    void showProgress(const QString& title, qint64 contacts, int gaugeMaximum);
    void askRetry();
    QString file(const QString& name) const;
    qint64 rangeValue(const QString& text) const;
    PlannedRecipient rangeRecipient(qint64 k) const;

    CoreContext& m_shell;
    SendForm& m_form;
    ProgressView& m_view;
    SendJournal m_journal;
    std::unique_ptr<Link> m_ownLink;                // the SMS control's modem
    std::vector<std::unique_ptr<Link>> m_poolLinks; // made at each press
    QList<RunLink> m_given;
    bool m_fromShell = false; // links from the shell's modems at each press
    std::vector<Slot> m_slots;
    std::optional<SendingHours> m_hoursGiven;
    SendingHours m_hours;
    qint64 m_dayEndMs = 0; // the end of the Tehran day the slots' counts are of
    QSet<const KylixSMS*> m_reportWatches;
    std::vector<DeviceGate::Hold> m_poolHolds;
    ClockTimer m_wake; // asks again while links are down or the run waits
    std::function<void()> m_clearing;
    std::function<void()> m_finishedHook;
    bool m_running = false;
    DeviceGate::Hold m_hold;

    // Run state, reset at every press.
    Mode m_mode = Mode::Group;
    bool m_resumed = false;
    bool m_resend = false;
    bool m_summaryWritten = false;
    bool m_textWritten = false;
    bool m_shown = false;
    bool m_requestReport = false;
    bool m_errorControl = true;
    bool m_footer = false; // the opt-out footer under each bulk message
    int m_errorTolerance = 8;
    qint64 m_failures = 0;
    QString m_runDate;
    QString m_runTime;
    QString m_composed; // the composer text as typed
    QString m_groupText;
    qint64 m_runId = 0;
    QList<SendJournal::Group> m_groups;
    int m_group = -1;   // index into m_groups
    int m_next = 0;     // the next position to hand out
    int m_total = 0;    // recipients planned
    int m_optedOut = 0; // members passed over as on the opt-out list
    qint64 m_rangeNext = 0;
    QList<JournalRecipient> m_buffer; // recipients about the ones under way
    struct Submit {
        int position = 0;
        Wait attempt = Wait::First;
        int slot = 0;
    };
    std::map<quint64, Submit> m_inFlight; // by ticket
    QHash<quint64, QString> m_refusals;   // a refusal's words until its outcome
    std::deque<Submit> m_retries;         // first attempts failed; slot = the one that failed
    QList<int> m_kept;                    // not accepted and not in the list: a stop copies them
    Ending m_ending = Ending::None;
    bool m_paused = false;
    quint64 m_ticket = 0;
    QList<qint64> m_acceptedResendRows; // failed-number rows that got through
    qint64 m_sentContacts = 0;
    qint64 m_failedContacts = 0;
    qint64 m_unknownContacts = 0;
    qint64 m_delivered = 0; // status reports of the run so far
    qint64 m_undelivered = 0;
    qint64 m_doneContacts = 0;
    qint64 m_toSend = 0; // recipients this press hands over
    QDateTime m_firstSubmit;
    bool m_failedNotKept = false;
};
