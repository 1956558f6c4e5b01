#include "AtCommand.h"

QString AtCommand::signature() const {
    switch (type) {
    case Type::Set:
        return name + QLatin1Char('=');
    case Type::Query:
        return name + QLatin1Char('?');
    case Type::Test:
        return name + QLatin1String("=?");
    case Type::Action:
        break;
    }
    return name;
}

namespace at {

namespace {

bool isExtendedPrefix(QChar c) {
    return c == u'+' || c == u'^' || c == u'$' || c == u'%' || c == u'*' || c == u'#';
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'!' || c == u'-' || c == u'%';
}

// Reads up to an unquoted ';' (or the end). Returns the index after it.
qsizetype readArgs(const QString& s, qsizetype i, QString* out) {
    bool quoted = false;
    const qsizetype start = i;
    for (; i < s.size(); ++i) {
        if (s[i] == u'"')
            quoted = !quoted;
        else if (s[i] == u';' && !quoted)
            break;
    }
    *out = s.mid(start, i - start);
    return i;
}

} // namespace

AtLine parseLine(const QString& rawLine) {
    AtLine result;
    const QString line = rawLine.trimmed();
    if (line.size() < 2 || line.left(2).compare(QLatin1String("AT"), Qt::CaseInsensitive) != 0)
        return result;

    const QString s = line.mid(2);
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == u' ' || c == u';') {
            ++i;
            continue;
        }
        AtCommand command;
        const qsizetype start = i;
        if (isExtendedPrefix(c)) {
            ++i;
            while (i < s.size() && isNameChar(s[i]))
                ++i;
            command.name = s.mid(start, i - start).toUpper();
            if (command.name.size() < 2)
                return {};
            if (s.mid(i, 2) == QLatin1String("=?")) {
                command.type = AtCommand::Type::Test;
                i += 2;
            } else if (i < s.size() && s[i] == u'=') {
                command.type = AtCommand::Type::Set;
                i = readArgs(s, i + 1, &command.args);
            } else if (i < s.size() && s[i] == u'?') {
                command.type = AtCommand::Type::Query;
                ++i;
            }
            // Anything else before the next ';' is a syntax error.
            while (i < s.size() && s[i] == u' ')
                ++i;
            if (i < s.size() && s[i] != u';')
                return {};
        } else if (c.toUpper() == u'D') {
            // Dial takes the rest of the line, ';' (voice call) included.
            command.name = QStringLiteral("D");
            command.args = s.mid(i + 1).trimmed();
            i = s.size();
        } else if (c.toUpper() == u'S' && i + 1 < s.size() && s[i + 1].isDigit()) {
            ++i;
            while (i < s.size() && s[i].isDigit())
                ++i;
            command.name = s.mid(start, i - start).toUpper();
            if (s.mid(i, 2) == QLatin1String("=?")) {
                command.type = AtCommand::Type::Test;
                i += 2;
            } else if (i < s.size() && s[i] == u'=') {
                command.type = AtCommand::Type::Set;
                const qsizetype valueStart = ++i;
                while (i < s.size() && s[i].isDigit())
                    ++i;
                command.args = s.mid(valueStart, i - valueStart);
            } else if (i < s.size() && s[i] == u'?') {
                command.type = AtCommand::Type::Query;
                ++i;
            }
        } else if (c.isLetter() || c == u'&') {
            ++i;
            if (c == u'&') {
                if (i >= s.size() || !s[i].isLetter())
                    return {};
                ++i;
            }
            command.name = s.mid(start, i - start).toUpper();
            const qsizetype digits = i;
            while (i < s.size() && s[i].isDigit())
                ++i;
            command.args = s.mid(digits, i - digits);
            if (i < s.size() && s[i] == u'?') {
                command.type = AtCommand::Type::Query;
                ++i;
            }
        } else {
            return {};
        }
        command.text = s.mid(start, i - start);
        result.commands.push_back(command);
    }
    result.valid = true;
    return result;
}

QStringList splitArgs(const QString& args) {
    QStringList items;
    QString current;
    bool quoted = false;
    for (const QChar c : args) {
        if (c == u'"')
            quoted = !quoted;
        if (c == u',' && !quoted) {
            items << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    items << current.trimmed();
    return items;
}

bool isQuoted(const QString& item) {
    return item.size() >= 2 && item.startsWith(u'"') && item.endsWith(u'"');
}

QString unquote(const QString& item) {
    return isQuoted(item) ? item.mid(1, item.size() - 2) : item;
}

} // namespace at
