#pragma once

#include <QString>
#include <QTextStream>

#include <functional>

#include "sending/SendForm.h"
#include "sending/SendRequest.h"

// `tavrik run-due`: every schedule due now is run once, without windows,
// and the command returns; for a systemd timer or cron calling it every
// minute. There is no program watching then, so a time is run only while it
// is less than the grace time late, and told as missed after that.
namespace schedules {

// One run of a request for the day the filter names: the exit code of a
// headless send (0 every recipient sent, 1 some failed or unknown, 2 it
// never started), telling each journal run id as soon as the run has it.
using Performer = std::function<int(const SendRequest& request, const DateFilterChoice& filter,
                                    const std::function<void(qint64 runId)>& runStarted,
                                    QTextStream& out, QTextStream& err)>;

// 0 when every due schedule ran and sent to all (or nothing was due), 1 when
// a run had failures or unknown recipients or a schedule was missed, 2 when
// the schedules file could not be used or a run could not start.
int runDue(const QString& dataDir, QTextStream& out, QTextStream& err);
int runDueWith(const QString& dataDir, const Performer& perform, QTextStream& out,
               QTextStream& err);

} // namespace schedules
