#pragma once

#include <QStringList>

class QTextStream;

// The command line's contact import and export, for nightly syncs from
// another program, without a display:
//
//   tavrik import --group NAME [--new] [--map name=2,family=3,number=1,...]
//                 [--encoding auto|utf-8|utf-16le|utf-16be|windows-1256]
//                 [--delimiter ,|;|tab] [--header|--no-header]
//                 [--duplicates skip|keep|merge] [--json] FILE
//   tavrik export (--group NAME | --all-groups) FILE
//
// Same readers, rules and report as the window; the report goes to out.
// Exit 0 when every row went in (or the export was written), 1 when rows
// were refused, 2 on a usage error, an unreadable file or a database that
// cannot be written.
namespace contactscommand {

// Whether the arguments (without the program name) ask for a command.
bool wanted(const QStringList& args);
// Runs it on the databases in folder.
int run(const QStringList& args, const QString& folder, QTextStream& out, QTextStream& err);

} // namespace contactscommand
