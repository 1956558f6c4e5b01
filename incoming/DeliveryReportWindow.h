#pragma once

#include "shell/PlainWindow.h"

// The list of delivery reports received since the last send run.
class DeliveryReportWindow : public PlainWindow {
public:
    static inline const QString kCaption = QStringLiteral(u"گزارش تحویل پیام");
    explicit DeliveryReportWindow(QWidget* parent = nullptr)
        : PlainWindow("Form8", kCaption, {480, 360}, parent) {}
};
