#pragma once

#include <QStringList>

#include "ScriptedPhone.h"

// The automatic search's fixed order of candidates, and what a scripted
// phone was asked to connect to, for the tests of the search.
inline const QStringList kFirstTwo = {QStringLiteral("COM1, 9600"), QStringLiteral("COM1, 115200")};

inline QStringList loopPorts(int from, int to) {
    QStringList out;
    for (int n = from; n >= to; --n)
        out << QStringLiteral("COM%1, 9600").arg(n);
    return out;
}

// Every candidate up to and including COMn of the port loop.
inline QStringList candidatesUpTo(int lastPort) {
    return kFirstTwo + loopPorts(25, lastPort);
}

inline QStringList parametersTried(const ScriptedPhone& phone) {
    QStringList out;
    for (const auto& c : phone.callsOf(QStringLiteral("Connect")))
        out << c.args.value(0).toString();
    return out;
}
