#pragma once

#include "shell/PlainWindow.h"

// The update window, shown modally from the navigation tree.
class UpdateWindow : public PlainWindow {
public:
    static inline const QString kCaption = QStringLiteral("UPDATE");
    explicit UpdateWindow(QWidget* parent = nullptr)
        : PlainWindow("Form5", kCaption, {372, 243}, parent) {}
};
