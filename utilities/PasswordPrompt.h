#pragma once

#include "shell/PlainWindow.h"

// Asks for the program password at start-up; it has no caption.
class PasswordPrompt : public PlainWindow {
public:
    explicit PasswordPrompt(QWidget* parent = nullptr)
        : PlainWindow("Form6", QString(), {320, 140}, parent) {}
};
