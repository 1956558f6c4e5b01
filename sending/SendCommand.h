#pragma once

#include <QStringList>

class QTextStream;

// The command line's send, for scripts and cron, without a display:
//
//   tavrik send (--group NAME [--group NAME ...] | --all-groups | --number N
//                | --range A B) --text-file F [--birthdays | --contract-dates]
//               [--port PORT] [--report] [--json]
//
// The same engine, journal and device layer as the send page; the modem on
// --port ("COM3, 9600" or a device path) or on the port the connect page
// remembered. Progress on err, a summary on out (JSON with --json). Exit 0
// when every recipient was sent, 1 when some failed, were refused or are
// unknown, 2 on a usage or set-up error, with a Persian and an English
// message on err.
namespace sendcommand {

bool wanted(const QStringList& args);
int run(const QStringList& args, const QString& folder, QTextStream& out, QTextStream& err);

} // namespace sendcommand
