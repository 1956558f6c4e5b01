#pragma once

#include "shell/PlainWindow.h"

// Picks the birth or contract month and day a send run is limited to.
class DateFilterWindow : public PlainWindow {
public:
    static inline const QString kCaption = QStringLiteral(u"اعمال فیلتر تاریخ");
    explicit DateFilterWindow(QWidget* parent = nullptr)
        : PlainWindow("Form7", kCaption, {360, 240}, parent) {}
};
