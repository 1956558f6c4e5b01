#pragma once

#include <QList>
#include <QStringList>

#include "shell/Hook.h"

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

    QList<HookBase*> all() {
        return {&concatenationOption, &autoDeleteOption, &page1Entry, &connected};
    }
};

// Composer, send engine and failed numbers.
struct SendingHooks {
    Hook<void()> flashOption{"cbFlashSMSClick"};
    // The composer's recount of its coding indicator, run by the options
    // whose value changes the part count.
    Hook<void()> recount{"tmSMSTextChange"};
    Hook<void()> page16Entry{"page16Entry"};

    QList<HookBase*> all() { return {&flashOption, &recount, &page16Entry}; }
};

// Received messages, sent log, delivery reports, SIM charge.
struct IncomingHooks {
    Hook<void()> rejectCallOption{"cbRejectIncomingCallClick"};
    // Closing: saving the delivery list may fail, which keeps the window open.
    Hook<bool()> saveDeliveryReports{"saveDeliveryReports", true};
    Hook<void()> sabre{"sabre"};
    Hook<void()> reopenSend{"reopenSend"};
    Hook<void()> reopenReci{"reopenReci"};
    // The SIM charge entry of the tree puts the focus on the number field.
    Hook<void()> chargePageEntry{"chargePageEntry"};

    QList<HookBase*> all() {
        return {&rejectCallOption, &saveDeliveryReports, &sabre,
                &reopenSend,       &reopenReci,          &chargePageEntry};
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
