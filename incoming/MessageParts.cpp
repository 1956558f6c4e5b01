#include "incoming/MessageParts.h"

#include <QStringList>

namespace {
struct Place {
    int reference;
    int total;
    int sequence;
};

// Anything but three numbers with the sequence inside 1..total counts as no
// place: a part is then kept where it arrived rather than guessed at.
bool parsePlace(const QString& info, Place* place) {
    const QStringList fields = info.split(u',');
    if (fields.size() != 3)
        return false;
    bool ok[3] = {};
    *place = {fields[0].trimmed().toInt(&ok[0]), fields[1].trimmed().toInt(&ok[1]),
              fields[2].trimmed().toInt(&ok[2])};
    return ok[0] && ok[1] && ok[2] && place->reference >= 0 && place->total >= 1 &&
           place->sequence >= 1 && place->sequence <= place->total;
}
} // namespace

void MessageParts::add(const QString& concatenatedInfo, const QString& text) {
    Place place{};
    if (!parsePlace(concatenatedInfo, &place)) {
        m_segments.append({-1, 0, {{0, text}}});
        return;
    }
    // The latest message of that reference still missing this sequence.
    for (qsizetype i = m_segments.size() - 1; i >= 0; --i) {
        Segment& s = m_segments[i];
        if (s.reference == place.reference && s.total == place.total) {
            if (s.parts.contains(place.sequence))
                break;
            s.parts.insert(place.sequence, text);
            return;
        }
    }
    m_segments.append({place.reference, place.total, {{place.sequence, text}}});
}

QString MessageParts::text() const {
    QString out;
    for (const Segment& s : m_segments) {
        for (const QString& t : s.parts)
            out += t;
    }
    return out;
}
