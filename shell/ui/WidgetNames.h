#pragma once

#include <QObject>
#include <QString>

// Every widget other code or a test looks up carries the name the program
// gives it; this keeps the naming next to the construction.
template <typename T> T* named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}
