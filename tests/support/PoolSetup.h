#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

#include "ProgramFixture.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "device/DeviceBackend.h"
#include "device/ModemList.h"
#include "device/ModemPool.h"

// The program over several modem simulators linked as COM3, COM4, ... in
// its data folder, as ./run --modems N starts them.
namespace poolsetup {

// The data folder's modem list: modem 1 is the connect page's, the others
// COM4 on.
inline void writeModemList(const QString& folder, int modems) {
    QSettings ini(folder + ModemList::kFile, QSettings::IniFormat);
    ini.setValue(QStringLiteral("modems/size"), modems);
    for (int i = 2; i <= modems; ++i)
        ini.setValue(QStringLiteral("modems/%1/port").arg(i), QStringLiteral("COM%1").arg(i + 2));
}

// Modem 1 connected on COM3 as typed (the search would take another), the
// pool's others after it; with quick, sending without pause or retries.
// False when one did not answer.
inline bool connectAll(ProgramFixture& f, int modems, bool quick = true) {
    TFormMain& m = f.main();
    m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
    m.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(false);
    m.findChild<QLineEdit*>(QStringLiteral("teParameter"))->setText(QStringLiteral("COM3, 9600"));
    // A simulator whose previous client was killed may lose the port at
    // once on the first open after it; an operator presses connect again.
    QWidget* connect = m.findChild<QWidget*>(QStringLiteral("btnConnect"));
    if (!QTest::qWaitFor(
            [&] {
                QTest::mouseClick(connect, Qt::LeftButton);
                return m.isConnected();
            },
            3000))
        return false;
    if (quick) {
        m.findChild<QLineEdit*>(QStringLiteral("teSendInterval"))->setText(QStringLiteral("0"));
        m.findChild<QLineEdit*>(QStringLiteral("teSendRetryTimes"))->setText(QStringLiteral("0"));
    }
    for (int i = 1; i < modems; ++i) {
        ModemPool& pool = *f.program().pool;
        if (!QTest::qWaitFor([&pool, i] { return pool.connectModem(i); }, 3000))
            return false;
    }
    return true;
}

} // namespace poolsetup
