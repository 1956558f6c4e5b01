#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The program password file "ams32.dll": a salted, deliberately slow hash
// of the password (libsodium's Argon2id string, with its own salt and
// costs), CR LF, so a copy of the file does not give the password away. A
// file written before holds the password as typed; it is still accepted,
// and rewritten as a hash once the right password is entered. Four places are looked at, always in
// the same order: three Windows system folders, then the program folder. The Windows folders never
// exist on this platform, so the program folder is where the file lives; the order is kept so that
// a password set on Windows is found the same way.
namespace passwordfile {

inline const QString kFileName = QStringLiteral("ams32.dll");

// The four candidate files, earliest first.
QStringList locations(const QString& programDir);
// Where a new password goes: the first location whose folder exists. A
// failed write there is not retried elsewhere.
QString writeTarget(const QString& programDir);
// The first existing file's text without its surrounding white space; empty
// means no password. Nothing when that file cannot be read: a password is
// set there but cannot be checked.
std::optional<QString> stored(const QString& programDir);
// The first existing file, the one stored() reads; empty when there is none.
QString activePath(const QString& programDir);
// The password's hash, replacing any file there only once it is written
// whole; the file is readable by its owner alone. False when the hash could
// not be made (no memory for it) or the file not written.
bool write(const QString& path, const QString& password);
// Whether stored() text is a hash rather than an old file's password.
bool isHashed(const QString& storedText);
// Whether `entered`, exactly as typed, is the password `storedText` stands for.
bool matches(const QString& storedText, const QString& entered);
// Deletes the file at the earliest location that has one; later ones stay.
void removeFirst(const QString& programDir);

} // namespace passwordfile
