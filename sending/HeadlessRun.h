#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

#include "sending/SendForm.h"
#include "sending/SendJournal.h"
#include "sending/SendRequest.h"

class CoreContext;
class ProgressView;
class QTextStream;

// A SendRequest carried out without windows, through the same engine,
// journal and device layer as the send page's button: for the command line
// and for scheduled runs. The caller's thread runs an event loop until the
// last run has ended.
namespace headlessrun {

// The exit codes of the command line.
enum Code : int {
    kAllSent = 0,    // every recipient was taken by the network
    kNotAllSent = 1, // some were refused, failed, are unknown or were never reached
    kSetupError = 2, // nothing was sent: no modem, a group unknown, the run refused
};

struct Outcome {
    int code = kSetupError;
    QString error;        // with kSetupError: why, in Persian and in English
    QList<qint64> runs;   // the journal's runs, one per group named
    StateCounts counts;   // every recipient of those runs, by state
    qint64 optedOut = 0;  // members passed over as on the opt-out list
    bool stopped = false; // a run stopped before its end (errors, the modem lost)
    QString note;         // the status note the last run left

    // Taken by the network: sent, delivered and undelivered.
    qint64 sent() const;
    QJsonObject json() const;
    QString text() const;
};

struct Options {
    QString port; // "COM3, 9600" or a device path; empty: the port the connect page remembered
    QTextStream* progress = nullptr; // progress lines; none: quiet
    // The day a date filter names; none: today by the clock, as the page.
    std::optional<DateFilterChoice> filter;
    // Told each journal run id once the run has planned its recipients and
    // before its first outcome, so a caller can record the run is under way.
    std::function<void(qint64 runId)> runStarted;
};

// Carries the request out on a context whose modem is connected already;
// a schedules runner may perform several on one connection. One run per
// group of a one-group request, one after the other; a run that stops ends
// the request there.
Outcome perform(const SendRequest& request, CoreContext& context, ProgressView& view,
                const Options& options = {});

// The whole of it: the databases of the data folder, the modem on the
// options' port, progress lines, and the modem let go at the end.
Outcome perform(const SendRequest& request, const QString& dataDir, const Options& options);

// The same for the schedules runner, as its performer is called: the exit
// code, and the summary on out (setup errors on err).
int performScheduled(const QString& dataDir, const SendRequest& request,
                     const DateFilterChoice& filter,
                     const std::function<void(qint64 runId)>& runStarted, QTextStream& out,
                     QTextStream& err);

} // namespace headlessrun
