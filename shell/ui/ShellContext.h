#pragma once

#include <QString>

#include "shell/CoreContext.h"
#include "shell/ui/DialogService.h"

class PleaseWaitWindow;
class QWidget;
class SearchWindow;
class StatusStrip;

// What a subsystem's windows may reach of the shell. They are handed this,
// never the main window, so the window's widgets stay its own.
class ShellContext : public CoreContext {
public:
    DialogService& dialogs() const { return DialogService::instance(); }

    virtual QWidget* page(Page page) const = 0;
    virtual Page currentPage() const = 0;

    // Gauges, lamps, activity marker and new-message notice.
    virtual StatusStrip& statusStrip() = 0;
    // The navigation tree, disabled while the device is being connected.
    virtual void setNavigationEnabled(bool enabled) = 0;
    virtual bool isNavigationEnabled() const = 0;
    // Shown without blocking by the port search; its cancel button signals.
    virtual SearchWindow& searchWindow() = 0;
    // Shown over the main window without blocking around slow device work.
    virtual void showPleaseWait() = 0;
    virtual void closePleaseWait() = 0;

    // The main window, as parent and anchor of other windows.
    virtual QWidget* mainWindow() = 0;
    // Asks the main window to close, as the operator's close would.
    virtual void closeMainWindow() = 0;
};
