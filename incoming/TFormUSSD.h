#pragma once

#include "shell/PlainWindow.h"

// The window that shows the operator's USSD answers.
class TFormUSSD : public PlainWindow {
public:
    static inline const QString kCaption = QStringLiteral(u"Answer ...");
    explicit TFormUSSD(QWidget* parent = nullptr)
        : PlainWindow("FormUSSD", kCaption, {400, 220}, parent) {}
};
