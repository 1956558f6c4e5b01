#pragma once

#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include "app/TFormMain.h"
#include "device/DeviceBackend.h"

namespace reliability {

// A child's program on the simulator at COM3: connected by its own button,
// sending without pause or retries, so a run ends as fast as the modem
// allows. False when the modem did not answer.
inline bool connectToSimulator(TFormMain& m) {
    m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
    QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnConnect")), Qt::LeftButton);
    if (!m.isConnected())
        return false;
    m.findChild<QLineEdit*>(QStringLiteral("teSendInterval"))->setText(QStringLiteral("0"));
    m.findChild<QLineEdit*>(QStringLiteral("teSendRetryTimes"))->setText(QStringLiteral("0"));
    return true;
}

} // namespace reliability
