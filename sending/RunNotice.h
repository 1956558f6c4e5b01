#pragma once

#include <QString>

class SendJournal;

// What the operator is told of the runs in the journal, for windows and the
// start of the program alike.
namespace runnotice {

// "Sent n, refused n, unknown n, not sent yet n" of one run; a row a crash
// left submitting counts as unknown.
QString progressText(const SendJournal& journal, qint64 run);

// At start: how far each run an earlier start left unfinished got, and that
// the next press of send offers to carry it on or close it. Empty when every
// run ended.
QString atStart(const SendJournal& journal);

} // namespace runnotice
