#pragma once

// Shared by the reliability parts: how many trials (a short run under ctest,
// the full one under ./reliability), the seed, the counts line the
// reliability command adds up, a watchdog that turns a hang into a count
// instead of a stuck run, and the integrity check of a database file.

#include <QHash>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QUuid>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace reliability {

// TAVRIK_RELIABILITY=full selects the long run; TAVRIK_RELIABILITY_TRIALS
// overrides the number of trials of every part.
inline bool full() {
    return qEnvironmentVariable("TAVRIK_RELIABILITY") == QLatin1String("full");
}

inline int trials(int shortRun, int fullRun) {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("TAVRIK_RELIABILITY_TRIALS", &ok);
    if (ok && n > 0)
        return n;
    return full() ? fullRun : shortRun;
}

// TAVRIK_RELIABILITY_SEED repeats a run; otherwise a fresh seed, printed.
inline quint32 seed(const char* part) {
    bool ok = false;
    quint32 s = quint32(qEnvironmentVariableIntValue("TAVRIK_RELIABILITY_SEED", &ok));
    if (!ok)
        s = QRandomGenerator::system()->generate();
    std::printf("RELIABILITY-SEED %s %u\n", part, s);
    std::fflush(stdout);
    return s;
}

struct Counts {
    int trials = 0;
    int integrity = 0;  // a database failing its integrity check
    int lost = 0;       // something recorded before the fault missing after it
    int hangs = 0;      // a run that did not end within its time-outs
    int faults = 0;     // any other expectation not met (told, shown, sent)
    int duplicates = 0; // a recipient that received one message twice

    bool clean() const { return integrity + lost + hangs + faults + duplicates == 0; }
};

// One line per part, added up by tools/reliability/run.
inline void report(const char* part, const Counts& c) {
    std::printf("RELIABILITY %s trials=%d integrity=%d lost=%d hangs=%d faults=%d duplicates=%d\n",
                part, c.trials, c.integrity, c.lost, c.hangs, c.faults, c.duplicates);
    std::fflush(stdout);
}

// A trial that outlives its limit is a hang: the counts so far are reported
// with it and the process ends, since a run stuck in the device's wait
// cannot be unwound from outside.
class Watchdog {
public:
    Watchdog(const char* part, const Counts& counts, int seconds)
        : m_part(part), m_counts(counts), m_thread([this, seconds] {
              std::unique_lock lock(m_mutex);
              if (m_cv.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; }))
                  return;
              Counts c = m_counts;
              ++c.trials;
              ++c.hangs;
              report(m_part, c);
              std::fprintf(stderr, "%s: a trial did not end within %d s\n", m_part, seconds);
              std::_Exit(3);
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    const char* m_part;
    const Counts& m_counts;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread;
};

// "ok" for a whole file, else what SQLite found (or why it would not open).
// How many message parts each number reached across these simulators'
// networks (anything with messages(), as the simulator harness has).
template <typename Sims> QHash<QString, int> receivedBy(const Sims& sims) {
    QHash<QString, int> received;
    for (const auto& sim : sims) {
        for (const auto& part : sim->messages())
            ++received[part.value(QStringLiteral("number")).toString()];
    }
    return received;
}

inline QString integrity(const QString& file) {
    const QString name = QUuid::createUuid().toString();
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open()) {
            result = db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("pragma integrity_check")))
                result = q.lastError().text();
            while (q.next())
                result += q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace reliability
