#pragma once

#include <QString>

// The small text files the program keeps beside itself and the operator's
// message files. Written as UTF-8 without a byte-order mark, lines ended by
// CR LF. Read with a UTF-8 or UTF-16 byte-order mark honoured; without one,
// valid UTF-8 is taken as such and anything else as Windows-1256, the code
// page older files were written in.
namespace textfile {

// False when the file cannot be read (missing, unreadable), with the
// system's reason in `error` when given.
bool read(const QString& path, QString* text, QString* error = nullptr);
// Every line end of the text becomes CR LF. Written to a temporary name and
// renamed, so a failure never leaves half a file.
bool write(const QString& path, const QString& text, QString* error = nullptr);

// A text area's lines: each ends with CR LF, the last one too; no lines,
// an empty file.
bool writeLines(const QString& path, const QString& text, QString* error = nullptr);
// A file's lines as a text area takes them: the end of the last line starts
// no empty line of its own.
bool readLines(const QString& path, QString* text, QString* error = nullptr);

QString decode(const QByteArray& bytes);
// Windows-1256 bytes, each byte one character: a stream may be cut anywhere.
QString fromCp1256(const QByteArray& bytes);
QByteArray encode(const QString& text);

} // namespace textfile
