#include "sending/RequestForm.h"

#include "shell/Clock.h"
#include "store/ContactExport.h"
#include "store/Database.h"
#include "store/PersianCalendar.h"
#include "store/PhoneNumberCleaner.h"

RequestForm::RequestForm(const SendRequest& request, Database& db, int group)
    : m_request(request), m_db(db), m_text(request.text),
      m_groupName(request.groupNames.value(group)), m_mode(request.mode) {}

QStringList RequestForm::unknownGroups(const QStringList& names) {
    QStringList unknown;
    for (const QString& name : names) {
        contactexport::Group g;
        if (!contactexport::findGroup(name, &g))
            unknown << name;
    }
    return unknown;
}

bool RequestForm::optOutFooter() const {
    return m_request.optOutFooter && m_mode != RecipientMode::OneNumber;
}

QString RequestForm::numberText() const {
    // The form the member tables keep, as the page gives it; a text the
    // rule cannot read goes on as given, for the run's own checks.
    const PhoneNumberCleaner::Result clean = PhoneNumberCleaner().clean(m_request.number);
    return clean.ok() ? clean.number : m_request.number;
}

QString RequestForm::chosenGcode() const {
    if (m_groupName.isEmpty())
        return {};
    contactexport::Group g;
    if (!contactexport::findGroup(m_groupName, &g))
        return {};
    // As the page's picker: the chosen group is the group list's current row.
    QueryCursor& list = m_db.ADOQuery1;
    if (!list.isActive())
        list.open();
    list.locate(QStringLiteral("gname"), m_groupName);
    return g.gcode;
}

DateFilterChoice RequestForm::dateFilter() const {
    if (m_fixedFilter)
        return *m_fixedFilter;
    DateFilterChoice choice;
    // The page offers the filter only to group runs.
    const bool groups = m_mode == RecipientMode::OneGroup || m_mode == RecipientMode::AllGroups;
    if (!groups || m_request.dateFilter == SendRequest::DateFilter::None)
        return choice;
    const PersianDate today = persian::fromGregorian(Clock::instance().now().date());
    choice.ticked = true;
    choice.birth = m_request.dateFilter == SendRequest::DateFilter::Birthdays;
    choice.month = today.monthText();
    choice.day = today.dayText();
    return choice;
}
