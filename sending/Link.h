#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "device/SmsTypes.h"

// What can take submits for a run: a modem today, one submit at a time; a
// gateway later, with a window of many. The engine hands a recipient to a
// link with room and reacts when the link reports the outcome; a pool of
// links is a list of these, each asked in turn.
class Link : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Link() override = default;

    // Names the link in the journal, so a status report that comes later,
    // even after a restart, finds the submit it belongs to.
    virtual QString name() const = 0;
    // How many submits it takes at once, and how many it holds now.
    virtual int window() const = 0;
    virtual int inFlight() const = 0;
    bool hasRoom() const { return inFlight() < window(); }
    // False while the link cannot take work (a modem unplugged, a gateway
    // not answering); a run hands it nothing then and asks again later.
    virtual bool isUp() const { return true; }

    // Hands one message over. False when the link could not take it:
    // nothing went out and no outcome follows. Otherwise outcome() with
    // the same ticket follows, from the event loop, never inside this call.
    virtual bool submit(quint64 ticket, const QString& number, const QString& text) = 0;

Q_SIGNALS:
    // Before the outcome of a refused submit, when the link has words for it.
    void refused(quint64 ticket, const QString& text);
    void outcome(quint64 ticket, SubmitOutcome outcome, const QList<int>& references);
};
