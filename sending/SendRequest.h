#pragma once

#include <QString>
#include <QStringList>

#include "shell/ShellHooks.h"

// A run described without the send page: what a schedule keeps and what the
// command line was given. It chooses recipients as the send page does.
struct SendRequest {
    enum class DateFilter { None, Birthdays, ContractDates };

    RecipientMode mode = RecipientMode::OneGroup;
    QStringList groupNames; // OneGroup: the groups by name, each a run of its own
    QString number;         // OneNumber
    QString rangeFirst;     // Range
    QString rangeLast;
    QString text; // the composer text; "**" is the member's name
    DateFilter dateFilter = DateFilter::None;
    bool requestReport = false;
    bool errorControl = true;
    int errorTolerance = 8;
    bool optOutFooter = false;
};
