#pragma once

#include <QString>

#include "device/at/PortResolver.h"

// The one place where the connect page's choices become libgammu's device
// and connection names, for protocols 2 "Nokia FBus" and 3 "Nokia MBus".
//
// The connection parameter is "NAME[, SPEED][, CABLE]". NAME is resolved as
// for the AT driver (a virtual port "ports/COMn", else the mode's device
// family, else a device path as given); SPEED is accepted and ignored, since
// libgammu sets the line speed each protocol needs. Without CABLE the mode
// chooses the cable:
//
//   mode                         FBus                         MBus
//   1 Physical/Virtual COM Port  "fbus"  serial FBus cable    "mbus"
//   2 Infrared                   none (no IrDA in libgammu)   none
//   3 Bluetooth, COMn            "fbusblue" on /dev/rfcomm    none
//   3 Bluetooth, address         "bluefbus", device "ADDR" or
//                                "ADDR/CHANNEL" (libgammu's own
//                                RFCOMM socket; no channel: SDP)
//   4 USB, /dev/ttyACM*          "dku2"  DKU-2 (Phonet)       "mbus"
//   4 USB, /dev/ttyUSB*          "dku5"  DKU-5, CA-42         "mbus"
//
// CABLE names one of libgammu's FBus cables explicitly, for a cable the mode
// cannot tell apart: "fbus", "dlr3" (DLR-3, DLR-3P), "dku5" (DKU-5, CA-42 and
// other USB-serial FBus cables), "dku2" (DKU-2, CA-53), "pl2303" (FBus cables
// with that chip), "fbusblue", "phonetblue", "dku2at" (AT commands over a
// DKU-2, for phones that answer AT on it). "dummy" is libgammu's dummy
// phone, whose NAME is a folder holding its state (connection "none", model
// "dummy"): a phone with no hardware, for trying the program and for tests.
namespace gammulink {

struct Target {
    bool valid = false;
    QString connection;     // libgammu's connection name
    QString device;         // device file, Bluetooth address or dummy folder
    QString model;          // empty: libgammu asks the phone
    bool bluetooth = false; // device is an address: needs an adapter
    bool mustExist = false; // device is a file that must exist to be tried
    QString error;
};

// protocol: 2 FBus, 3 MBus; mode: 1 COM port, 2 infrared, 3 Bluetooth, 4 USB.
// Pure: existence is asked of the resolver's predicate.
Target resolve(const QString& parameter, int mode, int protocol, const PortResolver& ports);

} // namespace gammulink
