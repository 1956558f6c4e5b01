#pragma once

#include <QSizePolicy>
#include <QWidget>

// A box that comes and goes keeps its room in the layout, so the controls
// around it stay where the operator aims (a click meant for a field below it
// must not land on what moved up into its place).
inline void keepPlaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}
