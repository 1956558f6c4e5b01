#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "sending/SendForm.h"
#include "sending/SendRequest.h"

class Database;

// The send page as a schedule or the command line fills it: a SendRequest
// read by the send run as if the operator had typed and chosen it. One form
// stands for one press, so a request naming several groups makes one form
// per group, each a run of its own.
class RequestForm : public SendForm {
public:
    // group: which of the request's group names this press sends to.
    RequestForm(const SendRequest& request, Database& db, int group = 0);

    // The group names the store does not know, in the request's order;
    // a run on one of them would stop at the group check.
    static QStringList unknownGroups(const QStringList& names);

    QString composerText() const override { return m_text; }
    void setComposerText(const QString& text) override { m_text = text; }
    bool requestReport() const override { return m_request.requestReport; }
    bool errorControl() const override { return m_request.errorControl; }
    int errorTolerance() const override { return m_request.errorTolerance; }
    bool optOutFooter() const override;
    RecipientMode recipientMode() const override { return m_mode; }
    void selectMode(RecipientMode mode) override { m_mode = mode; }
    QString numberText() const override;
    QString groupText() const override { return m_groupName; }
    QString chosenGcode() const override;
    void openGroupPicker() override {}
    QString rangeFirstText() const override { return m_request.rangeFirst; }
    QString rangeLastText() const override { return m_request.rangeLast; }
    // Today's month and day of the Persian calendar, by the clock at the
    // moment the run asks: the day the run starts on, not the day the
    // request was made.
    DateFilterChoice dateFilter() const override;
    // A run that fell due on another day (a schedule carried past midnight)
    // filters by that day: the choice given stands for the clock's.
    void setDateFilter(const DateFilterChoice& choice) { m_fixedFilter = choice; }
    void setSendHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

    // The send button's press, for whoever drives the form.
    void press() const {
        if (m_handler)
            m_handler();
    }

private:
    SendRequest m_request;
    Database& m_db;
    QString m_text;
    QString m_groupName;
    RecipientMode m_mode;
    std::function<void()> m_handler;
    std::optional<DateFilterChoice> m_fixedFilter;
};
