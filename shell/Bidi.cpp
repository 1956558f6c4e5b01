#include "shell/Bidi.h"

#include <QChar>
#include <QList>

namespace bidi {
namespace {
bool isCore(char32_t c) {
    switch (QChar::direction(c)) {
    case QChar::DirL:
    case QChar::DirEN:
    case QChar::DirAN:
        return true;
    default:
        return false;
    }
}

bool isRtl(char32_t c) {
    const QChar::Direction d = QChar::direction(c);
    return d == QChar::DirR || d == QChar::DirAL;
}

// A blank or separator may stand inside a run; a right-to-left letter, a
// line or segment break, or a mark of ours ends it.
bool mayJoin(char32_t c) {
    if (isRtl(c) || c == kLri || c == kPdi)
        return false;
    const QChar::Direction d = QChar::direction(c);
    return d != QChar::DirB && d != QChar::DirS;
}

bool isLeadMark(char32_t c) {
    return c == U'+' || c == U'*' || c == U'#';
}

bool isTrailMark(char32_t c) {
    return c == U'*' || c == U'#';
}
} // namespace

QString isolateLtrRuns(const QString& text) {
    const QList<uint> cps = withoutMarks(text).toUcs4();
    const qsizetype n = cps.size();
    QString out;
    out.reserve(text.size() + 8);
    auto append = [&out](char32_t c) { out.append(QString::fromUcs4(&c, 1)); };
    qsizetype i = 0;
    while (i < n) {
        // Where a run would start: a core character, or code marks that
        // touch one.
        qsizetype start = i;
        while (start < n && isLeadMark(cps[start]))
            ++start;
        if (start >= n || !isCore(cps[start])) {
            append(cps[i]);
            ++i;
            continue;
        }
        // The run's last core character: joiners are taken only when another
        // core character follows them.
        qsizetype last = start;
        for (qsizetype j = start + 1; j < n && mayJoin(cps[j]); ++j) {
            if (isCore(cps[j]))
                last = j;
        }
        qsizetype end = last + 1;
        while (end < n && isTrailMark(cps[end]))
            ++end;
        out.append(QChar(kLri));
        for (qsizetype j = i; j < end; ++j)
            append(cps[j]);
        out.append(QChar(kPdi));
        i = end;
    }
    return out;
}

QString leftToRightLine(const QString& text) {
    return QChar(kLri) + isolateLtrRuns(text) + QChar(kPdi);
}

QString setApart(const QString& text) {
    const QString isolated = isolateLtrRuns(text);
    QString out;
    out.reserve(isolated.size() + 4);
    for (qsizetype i = 0; i < isolated.size(); ++i) {
        const QChar c = isolated[i];
        if (c == QChar(kLri) && i > 0 && isRtl(isolated[i - 1].unicode()))
            out.append(QLatin1Char(' '));
        out.append(c);
        if (c == QChar(kPdi) && i + 1 < isolated.size() && isRtl(isolated[i + 1].unicode()))
            out.append(QLatin1Char(' '));
    }
    return out;
}

QString caption(const QString& text) {
    return text.trimmed().startsWith(QLatin1Char(':')) ? leftToRightLine(text)
                                                       : isolateLtrRuns(text);
}

QString withoutMarks(const QString& text) {
    QString out = text;
    out.remove(QChar(kLri));
    out.remove(QChar(kPdi));
    return out;
}
} // namespace bidi
