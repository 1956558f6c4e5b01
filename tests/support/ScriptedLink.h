#pragma once

#include <QList>
#include <QMetaObject>
#include <QStringList>

#include <functional>

#include "sending/Link.h"

// A link the test drives: it holds each submit until answered, or answers
// from the event loop by a script. It can be unplugged with its submits out.
class ScriptedLink : public Link {
public:
    struct Held {
        quint64 ticket = 0;
        QString number;
    };

    explicit ScriptedLink(QString name, int window = 1)
        : m_name(std::move(name)), m_window(window) {}

    QString name() const override { return m_name; }
    int window() const override { return m_window; }
    int inFlight() const override { return int(held.size()); }
    bool isUp() const override { return up; }
    bool submit(quint64 ticket, const QString& number, const QString& text) override {
        if (!hasRoom() || !up)
            return false;
        sent << number;
        texts << text;
        held.append({ticket, number});
        if (script) {
            const SubmitOutcome o = script(number);
            QMetaObject::invokeMethod(
                this, [this, ticket, o] { answerTicket(ticket, o); }, Qt::QueuedConnection);
        }
        return true;
    }

    // The oldest submit held gets its outcome.
    void answer(SubmitOutcome o = SubmitOutcome::Sent) {
        if (!held.isEmpty())
            answerTicket(held.first().ticket, o);
    }
    // Unplugged: what was held comes back unknown if its body was out,
    // else failed, and the link takes nothing until it is up again.
    void unplug(bool bodyOut) {
        up = false;
        while (!held.isEmpty())
            answer(bodyOut ? SubmitOutcome::Unknown : SubmitOutcome::Failed);
    }

    std::function<SubmitOutcome(const QString& number)> script;
    bool up = true;
    QString refusal; // the words a refusal comes with
    QStringList sent; // every body handed over, in order
    QStringList texts;
    QList<Held> held;

private:
    void answerTicket(quint64 ticket, SubmitOutcome o) {
        for (qsizetype i = 0; i < held.size(); ++i) {
            if (held[i].ticket == ticket) {
                held.removeAt(i);
                if (o == SubmitOutcome::Refused && !refusal.isEmpty())
                    Q_EMIT refused(ticket, refusal);
                Q_EMIT outcome(ticket, o,
                               o == SubmitOutcome::Sent ? QList<int>{int(ticket)} : QList<int>{});
                return;
            }
        }
    }

    QString m_name;
    int m_window;
};
