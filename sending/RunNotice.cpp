#include "sending/RunNotice.h"

#include "sending/SendJournal.h"
#include "sending/SendRunTexts.h"

namespace runnotice {

QString progressText(const SendJournal& journal, qint64 run) {
    const StateCounts c = journal.counts(run);
    return sendtext::unfinishedRun(c.of(RecipientState::Sent) + c.of(RecipientState::Delivered) +
                                       c.of(RecipientState::Undelivered),
                                   c.of(RecipientState::Refused) + c.of(RecipientState::Failed),
                                   c.of(RecipientState::Unknown) + c.of(RecipientState::Submitting),
                                   c.of(RecipientState::Pending));
}

QString atStart(const SendJournal& journal) {
    if (!journal.isOpen())
        return {};
    QString told;
    for (const RunRecord& run : journal.unfinishedRuns())
        told += progressText(journal, run.id) + QStringLiteral("\r\r");
    if (told.isEmpty())
        return {};
    // The choice itself waits for a connected device: carrying on needs one.
    return told + sendtext::kUnfinishedAtStart;
}

} // namespace runnotice
