#pragma once

#include "shell/MessageService.h"

// The real boxes, right to left, parented to the active window.
class WidgetMessageService : public MessageService {
public:
    void showMessage(const QString& text) override;
    bool ask(const QString& text) override;
    void showError(const QString& text) override;
    MessageButton messageDlgTitle(const QString& caption, const QString& text,
                                  MessageButtons buttons) override;

    // Makes the boxes the program's default service; run once the
    // application object exists.
    static void installAsDefault();
};
