#include "device/bt/SerialService.h"

#include <bluetooth/sdp_lib.h>

QList<SerialService> SerialService::fromRecords(const sdp_list_t* records) {
    QList<SerialService> out;
    for (const sdp_list_t* r = records; r; r = r->next) {
        const auto* record = static_cast<const sdp_record_t*>(r->data);
        if (!record)
            continue;
        SerialService service;
        sdp_list_t* protocols = nullptr;
        if (sdp_get_access_protos(record, &protocols) == 0) {
            service.channel = sdp_get_proto_port(protocols, RFCOMM_UUID);
            for (sdp_list_t* p = protocols; p; p = p->next)
                sdp_list_free(static_cast<sdp_list_t*>(p->data), nullptr);
            sdp_list_free(protocols, nullptr);
        }
        if (service.channel <= 0)
            continue; // not an RFCOMM service (or the phone left its channel out)
        sdp_list_t* classes = nullptr;
        if (sdp_get_service_classes(record, &classes) == 0) {
            for (sdp_list_t* c = classes; c; c = c->next) {
                if (!c->data)
                    continue;
                // Some phones give the class in its 128-bit form of the
                // Bluetooth base; it is the same 16-bit class.
                uuid_t uuid = *static_cast<const uuid_t*>(c->data);
                if (uuid.type == SDP_UUID128)
                    sdp_uuid128_to_uuid(&uuid);
                if (uuid.type == SDP_UUID16)
                    service.classes.append(uuid.value.uuid16);
                else if (uuid.type == SDP_UUID32 && uuid.value.uuid32 <= 0xFFFF)
                    service.classes.append(quint16(uuid.value.uuid32));
            }
            sdp_list_free(classes, free);
        }
        out.append(service);
    }
    return out;
}

int SerialService::chooseChannel(const QList<SerialService>& services) {
    for (const quint16 wanted : {kSerialPort, kDialupNetworking})
        for (const SerialService& s : services)
            if (s.classes.contains(wanted))
                return s.channel;
    return 0;
}
