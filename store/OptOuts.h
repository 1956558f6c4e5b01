#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include "store/StoreResult.h"

class ContactReader;

// Numbers that never receive a bulk message, kept in the contacts database
// (table optout), each in the clean form of PhoneNumberCleaner so that
// "+98912..." and "0912..." are one entry. A received reply that is an
// opt-out word puts its sender on the list; "12" takes it off again.
namespace optouts {

// The form a number is listed and looked up in.
QString key(const QString& number);

StoreResult ensureTable();
StoreResult add(const QString& number);
StoreResult remove(const QString& number);
bool isOptedOut(const QString& number);
// The whole list, for a run to test each member against at no cost.
QSet<QString> load();
// The list in the order numbers were added.
QStringList all();

// Every number a reader's rows hold in the column (or, with -1, in any
// cell that reads as a number) is listed; returns how many were added.
// One transaction: a file that breaks off adds nothing.
StoreResult importFrom(ContactReader& reader, int column, int* added);
// The list as UTF-8 CSV with a byte-order mark, one number a line.
bool exportTo(const QString& path, QString* error = nullptr);

enum class Reply { Other, OptOut, OptIn };
// The words that opt out: "11", "لغو", "لغو 11", "لغو۱۱", "stop".
QStringList defaultWords();
QStringList defaultOptInWords();
// The opt-out words the operator keeps (in the contacts database of the
// data folder); the defaults until a list is saved. A list saved empty
// stays empty: no reply opts out then.
QStringList words();
// Blank entries are dropped; one transaction.
StoreResult setWords(const QStringList& list);
// The reply's whole text, trimmed, digits folded, blanks and case ignored,
// against the words.
Reply classify(const QString& text, const QStringList& optOutWords = defaultWords(),
               const QStringList& optInWords = defaultOptInWords());
// Acts on a received message: an opt-out reply (by words()) lists the
// sender, an opt-in reply unlists it. Returns what the reply was.
Reply takeReply(const QString& sender, const QString& text);

} // namespace optouts
