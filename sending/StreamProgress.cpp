#include "sending/StreamProgress.h"

#include <QTextStream>

void StreamProgress::showProgress() {
    if (m_out)
        *m_out << m_title << QStringLiteral(": ") << m_contacts << Qt::endl;
}

void StreamProgress::setRunCounts(const QString& text) {
    // The counts line carries what is left and the time it will take; the
    // sent count of the group under way goes before it.
    if (m_out)
        *m_out << m_sent << QLatin1Char('/') << m_contacts << QStringLiteral("  ") << text
               << Qt::endl;
}
