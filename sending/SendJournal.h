#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <functional>
#include <optional>

// What became of one recipient of a run. The order of a submit is
// pending -> submitting -> sent | refused | failed | unknown; a status report
// later moves sent to delivered or undelivered.
enum class RecipientState {
    Pending,
    Submitting, // committed before the body is written to the port
    Sent,       // the network took it; the part references are kept
    Refused,    // the network said no (+CMS ERROR and the like)
    Failed,     // it never reached the network (port error, no prompt)
    Unknown,    // the body went out and no answer came
    Delivered,
    Undelivered,
};
inline constexpr int kRecipientStates = 8;

QString stateName(RecipientState state);
std::optional<RecipientState> stateFromName(const QString& name);

// One recipient as the run will send to it. The text is the personalised
// text as it goes out, so a run carried on later sends exactly this, whatever
// the composer holds by then.
struct PlannedRecipient {
    QString gcode;     // the member's group; empty for one number and a range
    QString groupName; // the progress window's title line while it is sent
    qint64 member = 0; // the member row's rowid; 0 when there is none
    QVariant name;     // null when the member has none; for the failed list
    QVariant family;
    QString number;
    QString text;
};

struct JournalRecipient : PlannedRecipient {
    qint64 run = 0;
    int position = 0; // from 0, in the order of the run
    RecipientState state = RecipientState::Pending;
    QString link;
    QList<int> references; // of every part, in order
    QString note;          // the words of a refusal, when the link gave them
};

struct StateCounts {
    std::array<qint64, kRecipientStates> n{};
    qint64 of(RecipientState s) const { return n[static_cast<size_t>(s)]; }
    qint64& of(RecipientState s) { return n[static_cast<size_t>(s)]; }
    qint64 total() const;
};

// A run as planned: what it needs to be carried on after a restart.
struct RunRecord {
    qint64 id = 0;
    int mode = 0;     // RecipientMode
    QString target;   // the sent log's num column
    QString composed; // the composer text as typed
    QString settings; // the run's options, as the engine wrote them
    QString date;     // run date and time, as the summary file shows them
    QString time;
    bool ended = false;
};

// The send journal: one row per recipient of every run, in its own database
// file in the data folder, so a run outlives a crash of the program or the
// machine. Write-ahead logged; every change is committed when its call
// returns, and a submitting row is made durable before the call returns, so
// no body can leave the program unrecorded.
class SendJournal {
public:
    static inline const QString kFile = QStringLiteral("journal.db");

    explicit SendJournal(const QString& connection = QStringLiteral("journal"));
    ~SendJournal();
    SendJournal(const SendJournal&) = delete;
    SendJournal& operator=(const SendJournal&) = delete;

    // Opens (or creates) the file in the folder. Recipients a crash left
    // submitting become unknown here: whether their body left is not known.
    bool open(const QString& folder, QString* error = nullptr);
    void close();
    bool isOpen() const;
    QString lastError() const { return m_error; }

    // The run's row and one row per recipient, in one transaction; 0 when
    // nothing was written. next gives the recipients in order, false after
    // the last (or, with *abandon set, to give the plan up).
    using Planner = std::function<bool(PlannedRecipient* next, bool* abandon)>;
    qint64 planRun(const RunRecord& run, const Planner& next);
    qint64 planRun(const RunRecord& run, const QList<PlannedRecipient>& recipients);
    // One more recipient at the end of a run (a range whose end was moved).
    bool appendRecipient(qint64 run, int position, const PlannedRecipient& recipient);

    bool markSubmitting(qint64 run, int position);
    bool recordOutcome(qint64 run, int position, RecipientState state, const QString& link = {},
                       const QList<int>& references = {}, const QString& note = {});
    // A status report: the most recent submit with this link, reference and
    // number takes it. True when a part was matched.
    bool recordReport(const QString& link, int reference, const QString& number, bool delivered);
    // The highest reference the link's submits reached the network with; 0
    // when none did. A link numbering its own submits goes on above it.
    int lastReference(const QString& link) const;

    // The run is over: its send row is written.
    bool endRun(qint64 run);
    // Closed without carrying on: pending recipients are recorded failed,
    // and one still submitting unknown.
    bool closeRun(qint64 run);
    // The operator's choice to send again to those whose outcome is unknown.
    bool requeueUnknown(qint64 run);

    std::optional<RunRecord> run(qint64 id) const;
    QList<RunRecord> unfinishedRuns() const;
    // The latest run planned, ended or not; 0 when the journal holds none.
    qint64 lastRunId() const;
    StateCounts counts(qint64 run) const;
    // Rows of a run from a position on, in order, at most limit of them;
    // of one state only when given.
    QList<JournalRecipient> recipients(qint64 run, int fromPosition = 0, int limit = -1,
                                       std::optional<RecipientState> only = {}) const;
    std::optional<JournalRecipient> recipient(qint64 run, int position) const;
    // The run's recipients as runs of one group each, in order.
    struct Group {
        QString gcode;
        QString groupName;
        int first = 0; // position of its first recipient
        int rows = 0;
    };
    QList<Group> groups(qint64 run) const;
    // The columns of a run's export, and one recipient's cells, for the CSV
    // here and the report's .xlsx.
    static QStringList exportColumns();
    static QStringList exportFields(const JournalRecipient& r);
    bool exportCsv(qint64 run, const QString& path, QString* error = nullptr) const;

    // Members the run passed over as on the opt-out list (0 for a journal
    // made before they were kept).
    bool setOptedOut(qint64 run, qint64 members);
    qint64 optedOut(qint64 run) const;
    // Bodies that went out through the link between two clock times (ms
    // since the epoch), in every run: what a SIM's daily limit counts.
    qint64 outOn(const QString& link, qint64 fromMs, qint64 toMs) const;
    // The same for the Tehran calendar day the time falls in.
    qint64 outOnDayOf(const QString& link, const QDateTime& time) const;
    // The positions of a run's rows in order, of one state only when given;
    // read from an index alone.
    QList<int> positions(qint64 run, std::optional<RecipientState> only = {}) const;

    bool integrityOk() const;

private:
    // The report's aggregates read the journal's own tables.
    friend class RunReport;
    bool addMissingColumns();
    bool exec(const QString& statement, const QVariantList& values = {});
    bool fail(const QString& error) const;

    QString m_connection;
    mutable QString m_error;
};
