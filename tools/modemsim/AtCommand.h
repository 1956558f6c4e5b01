#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// One command of an AT command line. A line such as
// `ATE0+CMGF=0;+CNMI?` holds three: E (action, args "0"), +CMGF (set, "0")
// and +CNMI (query).
struct AtCommand {
    enum class Type { Action, Set, Query, Test };
    QString name; // upper case: "E", "&F", "S0", "D", "+CMGS", "^SYSINFO"
    Type type = Type::Action;
    QString args; // digits of a basic command, the text after '=', the dial string
    QString text; // as written, for messages

    // The name with its form, the way scripts and latency rules match it:
    // "+CMGS=", "+CPIN?", "+CSCS=?", "E".
    QString signature() const;
};

struct AtLine {
    bool valid = false; // starts with AT and parsed
    std::vector<AtCommand> commands;
};

namespace at {

// Parses one line (without its CR). Returns valid=false for text that does
// not start with AT and for syntax a modem answers with ERROR.
AtLine parseLine(const QString& line);

// Splits the arguments of an extended command at commas outside quotes;
// quoted items keep their quotes (use unquote).
QStringList splitArgs(const QString& args);
QString unquote(const QString& item);
bool isQuoted(const QString& item);

} // namespace at
