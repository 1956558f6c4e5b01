#pragma once

#include <QList>
#include <QMap>
#include <QString>

// The parts of the message pending from one sender, in the order they make
// the text. A part that names its place ("reference,total,sequence", as the
// drivers give it) goes to that place inside its own message, however late
// it came; a part without one follows what came before it. Two messages
// that share a reference are told apart by a sequence arriving again.
class MessageParts {
public:
    void clear() { m_segments.clear(); }
    void add(const QString& concatenatedInfo, const QString& text);
    QString text() const;

private:
    struct Segment {
        int reference = -1; // -1: a part without a place
        int total = 0;
        QMap<int, QString> parts; // by sequence; a plain part at 0
    };
    QList<Segment> m_segments;
};
