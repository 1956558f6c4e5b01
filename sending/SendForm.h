#pragma once

#include <QString>

#include <functional>

#include "shell/ShellHooks.h"

// The month-day choice of the date filter as the run reads it at its start.
struct DateFilterChoice {
    bool ticked = false;
    bool birth = true; // birth date, otherwise contract date
    QString month;     // two digits
    QString day;       // two digits
};

// The send page as the send run and the failed-number page see it: what
// the operator composed and chose, read when the run needs it, and the few
// things a run or a resend puts back on the page.
class SendForm {
public:
    virtual ~SendForm() = default;

    virtual QString composerText() const = 0;
    // Replaces the composer text; the coding indicator is recounted.
    virtual void setComposerText(const QString& text) = 0;

    virtual bool requestReport() const = 0;
    virtual bool errorControl() const = 0;
    virtual int errorTolerance() const = 0;
    // The opt-out footer goes under every bulk message (never one number's).
    virtual bool optOutFooter() const { return false; }

    virtual RecipientMode recipientMode() const = 0;
    // Selects a mode with every effect of clicking its radio button.
    virtual void selectMode(RecipientMode mode) = 0;
    virtual QString numberText() const = 0;
    // The group picker's text, and the chosen group's gcode; asking for the
    // gcode makes the chosen group the group list's current row. Empty when
    // no group is chosen.
    virtual QString groupText() const = 0;
    virtual QString chosenGcode() const = 0;
    virtual void openGroupPicker() = 0;
    // Read afresh at every step of a range run: the operator may change the
    // last number while it runs.
    virtual QString rangeFirstText() const = 0;
    virtual QString rangeLastText() const = 0;

    virtual DateFilterChoice dateFilter() const = 0;

    // The send button's press.
    virtual void setSendHandler(std::function<void()> handler) = 0;
};
