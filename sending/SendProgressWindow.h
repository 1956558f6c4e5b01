#pragma once

#include "shell/PlainWindow.h"

// Shown for the length of a send run in place of the main window.
class SendProgressWindow : public PlainWindow {
public:
    static inline const QString kCaption = QStringLiteral(u"Sending ...");
    explicit SendProgressWindow(QWidget* parent = nullptr)
        : PlainWindow("Form1", kCaption, {420, 260}, parent) {}
};
