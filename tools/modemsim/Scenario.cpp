#include "Scenario.h"

#include <QSet>

namespace {

bool toInt(const QString& s, int* out) {
    bool ok = false;
    const int v = s.toInt(&ok, 0); // 0x46 for statuses
    if (ok)
        *out = v;
    return ok;
}

// Reads "key value" pairs and single flags after the positional words.
class Options {
public:
    Options(const QStringList& words, int from) : m_words(words), m_at(from) {}

    bool atEnd() const { return m_at >= m_words.size(); }
    QString next() { return m_words.value(m_at++); }
    bool hasValue() const { return m_at < m_words.size(); }

private:
    QStringList m_words;
    int m_at;
};

const QSet<QString> kSettings = {
    QStringLiteral("manufacturer"), QStringLiteral("model"),   QStringLiteral("revision"),
    QStringLiteral("imei"),         QStringLiteral("imsi"),    QStringLiteral("operator"),
    QStringLiteral("smsc"),         QStringLiteral("battery"), QStringLiteral("signal"),
    QStringLiteral("registration"), QStringLiteral("pin"),     QStringLiteral("echo"),
    QStringLiteral("silent"),       QStringLiteral("mr"),      QStringLiteral("storage"),
    QStringLiteral("clock"),        QStringLiteral("escape"),
};

std::optional<ScenarioAction> parseAction(const QStringList& words, QString* error) {
    ScenarioAction a;
    const QString verb = words.value(0).toLower();
    auto fail = [&](const QString& why) {
        *error = why;
        return std::nullopt;
    };
    auto intOption = [&](Options& o, const QString& key, int* out) {
        if (!o.hasValue() || !toInt(o.next(), out)) {
            *error = QStringLiteral("'%1' needs a number").arg(key);
            return false;
        }
        return true;
    };

    if (kSettings.contains(verb)) {
        a.kind = ScenarioAction::Kind::Setting;
        a.key = verb;
        a.values = words.mid(1);
        const bool numeric = verb == u"battery" || verb == u"signal" || verb == u"registration" ||
                             verb == u"mr" || verb == u"storage";
        if (a.values.isEmpty() && verb != u"silent")
            return fail(QStringLiteral("'%1' needs a value").arg(verb));
        if (numeric && verb != u"storage" && !toInt(a.values[0], &a.value))
            return fail(QStringLiteral("'%1' needs a number").arg(verb));
        if (verb == u"storage" && (a.values.size() != 2 || !toInt(a.values[1], &a.value)))
            return fail(QStringLiteral("use: storage SM|ME CAPACITY"));
        if (verb == u"signal" && a.values.size() > 1 && !toInt(a.values[1], &a.code))
            return fail(QStringLiteral("signal RSSI [BER]"));
        if (verb == u"signal" && a.values.size() == 1)
            a.code = 99;
        if (verb == u"escape" && a.values[0] != u"ok" && a.values[0] != u"none")
            return fail(QStringLiteral("use: escape ok|none"));
        return a;
    }
    Options o(words, 1);
    if (verb == u"latency") {
        a.kind = ScenarioAction::Kind::Latency;
        if (words.size() != 3 || !toInt(words[2], &a.value) || a.value < 0)
            return fail(QStringLiteral("use: latency PREFIX|* MS"));
        a.key = words[1].toUpper();
        return a;
    }
    if (verb == u"cms-error" || verb == u"no-answer") {
        const bool refuse = verb == u"cms-error";
        a.kind = refuse ? ScenarioAction::Kind::CmsError : ScenarioAction::Kind::NoAnswer;
        if (words.value(1) == u"off") {
            a.off = true;
            return a;
        }
        if (refuse && !toInt(words.value(1), &a.code))
            return fail(QStringLiteral("use: cms-error CODE [number N] [send N] [from-send N]"));
        if (refuse)
            o.next();
        while (!o.atEnd()) {
            const QString key = o.next();
            if (key == u"number" && o.hasValue())
                a.number = o.next();
            else if (key == u"send") {
                if (!intOption(o, key, &a.send))
                    return std::nullopt;
            } else if (key == u"from-send") {
                if (!intOption(o, key, &a.fromSend))
                    return std::nullopt;
            } else
                return fail(QStringLiteral("%1: unknown option '%2'").arg(verb, key));
        }
        return a;
    }
    if (verb == u"report") {
        a.kind = ScenarioAction::Kind::Report;
        if (words.value(1) == u"off") {
            a.off = true;
            return a;
        }
        if (!toInt(words.value(1), &a.code))
            return fail(QStringLiteral("use: report STATUS [delay MS] [number N] [all]"));
        o.next();
        while (!o.atEnd()) {
            const QString key = o.next();
            if (key == u"delay") {
                if (!intOption(o, key, &a.delay))
                    return std::nullopt;
            } else if (key == u"number" && o.hasValue())
                a.number = o.next();
            else if (key == u"all")
                a.all = true;
            else
                return fail(QStringLiteral("report: unknown option '%1'").arg(key));
        }
        return a;
    }
    if (verb == u"ussd") {
        a.kind = ScenarioAction::Kind::Ussd;
        if (words.size() < 3)
            return fail(QStringLiteral("use: ussd CODE|* TEXT|none|unsupported|error"));
        a.key = words[1];
        a.text = words[2];
        if (a.text == u"none")
            a.ussdAnswer = ScenarioAction::UssdAnswer::None;
        else if (a.text == u"unsupported")
            a.ussdAnswer = ScenarioAction::UssdAnswer::Unsupported;
        else if (a.text == u"error")
            a.ussdAnswer = ScenarioAction::UssdAnswer::Error;
        o.next();
        o.next();
        while (!o.atEnd()) {
            const QString key = o.next();
            if (key == u"ucs2")
                a.ucs2 = true;
            else if (key == u"gsm")
                a.gsm = true;
            else if (key == u"delay") {
                if (!intOption(o, key, &a.delay))
                    return std::nullopt;
            } else
                return fail(QStringLiteral("ussd: unknown option '%1'").arg(key));
        }
        return a;
    }
    if (verb == u"store" || verb == u"incoming") {
        a.kind = verb == u"store" ? ScenarioAction::Kind::Store : ScenarioAction::Kind::Incoming;
        while (!o.atEnd()) {
            const QString key = o.next();
            if ((key == u"from" || key == u"to") && o.hasValue()) {
                a.number = o.next();
                if (key == u"to" && a.status.isEmpty())
                    a.status = QStringLiteral("sent");
            } else if (key == u"text" && o.hasValue())
                a.text = o.next();
            else if (key == u"smsc" && o.hasValue())
                a.key = o.next();
            else if (key == u"class") {
                if (!intOption(o, key, &a.messageClass))
                    return std::nullopt;
            } else if (key == u"gap") {
                if (!intOption(o, key, &a.gap))
                    return std::nullopt;
            } else if (key == u"ref") {
                if (!intOption(o, key, &a.reference))
                    return std::nullopt;
            } else if (key == u"reverse")
                a.reverse = true;
            else if (key == u"read" || key == u"unread" || key == u"sent" || key == u"unsent")
                a.status = key;
            else
                return fail(QStringLiteral("%1: unknown option '%2'").arg(verb, key));
        }
        if (a.number.isEmpty())
            return fail(QStringLiteral("%1 needs 'from NUMBER'").arg(verb));
        if (a.status.isEmpty())
            a.status = QStringLiteral("unread");
        return a;
    }
    if (verb == u"call") {
        a.kind = ScenarioAction::Kind::Call;
        while (!o.atEnd()) {
            const QString key = o.next();
            if (key == u"from" && o.hasValue())
                a.number = o.next();
            else if (key == u"every") {
                if (!intOption(o, key, &a.every))
                    return std::nullopt;
            } else if (key == u"rings") {
                if (!intOption(o, key, &a.rings))
                    return std::nullopt;
            } else
                return fail(QStringLiteral("call: unknown option '%1'").arg(key));
        }
        return a;
    }
    if (verb == u"unplug") {
        a.kind = ScenarioAction::Kind::Unplug;
        while (!o.atEnd()) {
            const QString key = o.next();
            if (key == u"replug") {
                if (!intOption(o, key, &a.value))
                    return std::nullopt;
            } else
                return fail(QStringLiteral("unplug: unknown option '%1'").arg(key));
        }
        return a;
    }
    if (verb == u"noise") {
        a.kind = ScenarioAction::Kind::Noise;
        if (words.value(1) == u"off") {
            a.off = true;
            return a;
        }
        if (words.size() != 2 || !toInt(words[1], &a.value) || a.value <= 0)
            return fail(QStringLiteral("use: noise MS | noise off"));
        return a;
    }
    if (verb == u"busy") {
        a.kind = ScenarioAction::Kind::Busy;
        if (words.size() != 2 || !toInt(words[1], &a.value) || a.value < 0)
            return fail(QStringLiteral("use: busy MS"));
        return a;
    }
    if (verb == u"urc") {
        a.kind = ScenarioAction::Kind::Urc;
        if (words.size() != 2)
            return fail(QStringLiteral("use: urc \"TEXT\""));
        a.text = words[1];
        return a;
    }
    return fail(QStringLiteral("unknown action '%1'").arg(words.value(0)));
}

} // namespace

std::optional<QStringList> Scenario::tokenize(const QString& line, QString* error) {
    QStringList words;
    qsizetype i = 0;
    while (i < line.size()) {
        const QChar c = line[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'#')
            break;
        QString word;
        if (c == u'"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const QChar d = line[i++];
                if (d == u'"') {
                    closed = true;
                    break;
                }
                if (d != u'\\' || i >= line.size()) {
                    word += d;
                    continue;
                }
                const QChar e = line[i++];
                if (e == u'n')
                    word += u'\n';
                else if (e == u'r')
                    word += u'\r';
                else if (e == u't')
                    word += u'\t';
                else if (e == u'x' && i + 1 < line.size()) {
                    bool ok = false;
                    const int v = line.mid(i, 2).toInt(&ok, 16);
                    if (!ok) {
                        *error = QStringLiteral("bad \\x escape");
                        return std::nullopt;
                    }
                    word += QChar(v);
                    i += 2;
                } else
                    word += e;
            }
            if (!closed) {
                *error = QStringLiteral("unterminated quote");
                return std::nullopt;
            }
        } else {
            while (i < line.size() && !line[i].isSpace())
                word += line[i++];
        }
        words << word;
    }
    return words;
}

std::optional<Scenario> Scenario::parse(const QString& text, const QString& source,
                                        QString* error) {
    Scenario scenario;
    const QStringList lines = text.split(u'\n');
    for (int n = 0; n < lines.size(); ++n) {
        auto fail = [&](const QString& why) {
            *error = QStringLiteral("%1:%2: %3").arg(source).arg(n + 1).arg(why);
            return std::nullopt;
        };
        QString why;
        const auto tokens = tokenize(lines[n], &why);
        if (!tokens)
            return fail(why);
        QStringList words = *tokens;
        if (words.isEmpty())
            continue;

        ScenarioStep step;
        step.line = n + 1;
        const QString first = words[0].toLower();
        int used = 0;
        auto number = [&](int* out) {
            bool ok = false;
            *out = words.value(1).toInt(&ok);
            return ok && *out >= 0;
        };
        if (first == u"at" || first == u"every" || first == u"on-send" || first == u"after-send") {
            if (!number(&step.value))
                return fail(QStringLiteral("'%1' needs a number").arg(first));
            step.trigger = first == u"at"        ? ScenarioStep::Trigger::At
                           : first == u"every"   ? ScenarioStep::Trigger::Every
                           : first == u"on-send" ? ScenarioStep::Trigger::OnSend
                                                 : ScenarioStep::Trigger::AfterSend;
            if (step.trigger == ScenarioStep::Trigger::Every && step.value <= 0)
                return fail(QStringLiteral("'every' needs a positive interval"));
            used = 2;
        } else if (first == u"on") {
            if (words.size() < 2)
                return fail(QStringLiteral("'on' needs a command prefix"));
            step.trigger = ScenarioStep::Trigger::OnCommand;
            step.command = words[1].toUpper();
            used = 2;
        }
        if (used > 0 && words.value(used).toLower() == u"wait") {
            bool ok = false;
            step.wait = words.value(used + 1).toInt(&ok);
            if (!ok || step.wait < 0)
                return fail(QStringLiteral("'wait' needs a number of ms"));
            used += 2;
        }
        words = words.mid(used);
        if (words.isEmpty())
            return fail(QStringLiteral("trigger without an action"));
        const auto action = parseAction(words, &why);
        if (!action)
            return fail(why);
        step.action = *action;
        scenario.steps.push_back(step);
    }
    return scenario;
}

QString Scenario::defaultScript() {
    // A friendly modem: quick answers, every message accepted and reported
    // delivered, the balance code answered in Persian (UCS2 on the wire).
    return QStringLiteral("manufacturer \"Tavrik Wireless\"\n"
                          "model \"TW-900 GSM Modem\"\n"
                          "revision \"TW900_V1.04.2\"\n"
                          "imei 356938035643809\n"
                          "imsi 432111234567890\n"
                          "operator \"IR-MCI\" 43211\n"
                          "smsc +989120000500\n"
                          "battery 87\n"
                          "signal 23 0\n"
                          "registration 1\n"
                          "latency * 0\n"
                          "latency AT+CMGS 150\n"
                          "report 0 delay 1500\n"
                          "ussd *140# \"") +
           QString::fromUtf8("اعتبار شما ۱۲۵۰۰۰ ریال است") +
           QStringLiteral("\"\n"
                          "ussd *141# \"") +
           QString::fromUtf8("شماره شما ۰۹۱۲۱۲۳۴۵۶۷ است") +
           QStringLiteral("\"\n"
                          "ussd * unsupported\n");
}
