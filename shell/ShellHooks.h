#pragma once

#include <QList>
#include <QStringList>

#include "shell/Hook.h"

// The send page's recipient modes, in the order of their radio buttons.
enum class RecipientMode { OneNumber, OneGroup, AllGroups, Range };

// The sending fields of the settings page as the operator typed them; the
// send run converts them and refuses a field that is not a number.
struct SendSettingsText {
    QString sendInterval;
    QString sendRetryTimes;
    QString sendTimeout;
    int validityIndex = 0; // the chosen entry of the validity list, from 0
};

// A row of the sent log as its page shows it; the sending subsystem finds
// the journal's run it logged.
struct SentLogEntry {
    QString num;
    QString time;
    QString date;
    QString matn;
};

// The calls the shell makes into subsystems built on it, grouped by the
// subsystem that fills them.

// Connection and settings pages.
struct DeviceHooks {
    Hook<void()> concatenationOption{"cbConcatenatedSMSClick"};
    Hook<void()> autoDeleteOption{"cbDeleteAllReportClick"};
    Hook<void()> page1Entry{"page1Entry"};
    // The device counts as connected exactly while the connect button is
    // disabled; the pages that own the button answer.
    Hook<bool()> connected{"connected", false};
    Hook<SendSettingsText()> sendSettings{"sendSettings"};

    QList<HookBase*> all() {
        return {&concatenationOption, &autoDeleteOption, &page1Entry, &connected, &sendSettings};
    }
};

// Composer, send engine and failed numbers.
struct SendingHooks {
    Hook<void()> flashOption{"cbFlashSMSClick"};
    // The composer's recount of its coding indicator, run by the options
    // whose value changes the part count.
    Hook<void()> recount{"tmSMSTextChange"};
    Hook<void()> page16Entry{"page16Entry"};
    // Read when a delivery report arrives: the mode decides what it does.
    Hook<RecipientMode()> recipientMode{"recipientMode", RecipientMode::OneNumber};
    // Replaces the whole composer text; counted as typing.
    Hook<void(const QString&)> setComposerText{"setComposerText"};
    // Puts a number into the one-number field and changes nothing else.
    Hook<void(const QString&)> setSingleNumber{"setSingleNumber"};
    // At the end of the first show: runs an earlier start left unfinished
    // are told of.
    Hook<void()> startNotice{"startNotice"};
    // The sent log's row opens the report of its run.
    Hook<void(const SentLogEntry&)> openRunReport{"openRunReport"};

    QList<HookBase*> all() {
        return {&flashOption,     &recount,         &page16Entry, &recipientMode,
                &setComposerText, &setSingleNumber, &startNotice, &openRunReport};
    }
};

// Received messages, sent log, delivery reports, SIM charge.
struct IncomingHooks {
    Hook<void()> rejectCallOption{"cbRejectIncomingCallClick"};
    // Closing: saving the delivery list may fail, which keeps the window open.
    Hook<bool()> saveDeliveryReports{"saveDeliveryReports", true};
    Hook<void()> sabre{"sabre"};
    // Closing, while the log is still open.
    Hook<void()> closing{"receivedClosing"};
    Hook<void()> reopenSend{"reopenSend"};
    Hook<void()> reopenReci{"reopenReci"};
    // The SIM charge entry of the tree puts the focus on the number field.
    Hook<void()> chargePageEntry{"chargePageEntry"};
    // Run at the start of every send run: empties the delivery report list.
    Hook<void()> sendStart{"sendStart"};

    QList<HookBase*> all() {
        return {&rejectCallOption, &saveDeliveryReports, &sabre,           &closing,
                &reopenSend,       &reopenReci,          &chargePageEntry, &sendStart};
    }
};

// Program password.
struct UtilityHooks {
    Hook<void()> passwordCheck{"passwordCheck"};

    QList<HookBase*> all() { return {&passwordCheck}; }
};

// About, web and update pages.
struct AboutHooks {
    Hook<void()> navigation{"navigation"};
    Hook<void()> page15Entry{"page15Entry"};
    Hook<void()> showUpdate{"showUpdate"};
    Hook<void()> contactPage{"contactPage"};
    Hook<void()> aboutEffects{"aboutEffects"};

    QList<HookBase*> all() {
        return {&navigation, &page15Entry, &showUpdate, &contactPage, &aboutEffects};
    }
};

struct ShellHooks {
    DeviceHooks device;
    SendingHooks sending;
    IncomingHooks incoming;
    UtilityHooks utilities;
    AboutHooks about;

    QList<HookBase*> all() {
        return device.all() + sending.all() + incoming.all() + utilities.all() + about.all();
    }
    QStringList filledNames() {
        QStringList names;
        for (const HookBase* h : all()) {
            if (h->filled())
                names.append(h->name());
        }
        return names;
    }
};
