#pragma once

#include <QList>

#include <bluetooth/bluetooth.h>
#include <bluetooth/sdp.h>

// What a phone's service discovery says about one RFCOMM service: the
// service classes it names (16-bit UUIDs) and the channel it listens on.
struct SerialService {
    QList<quint16> classes;
    int channel = 0;

    // Service classes an AT modem answers on, in order of preference.
    static constexpr quint16 kSerialPort = 0x1101;
    static constexpr quint16 kDialupNetworking = 0x1103;

    // The services among a discovery answer (a list of sdp_record_t) that
    // run over RFCOMM; the list stays the caller's.
    static QList<SerialService> fromRecords(const sdp_list_t* records);

    // The channel of the first Serial Port service, else of the first
    // Dial-up Networking one; 0 when neither is offered (a headset, an
    // object push service).
    static int chooseChannel(const QList<SerialService>& services);
};
