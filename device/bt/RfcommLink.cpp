#include "device/bt/RfcommLink.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <bluetooth/bluetooth.h>
#include <bluetooth/hci.h>
#include <bluetooth/hci_lib.h>
#include <bluetooth/rfcomm.h>
#include <bluetooth/sdp.h>
#include <bluetooth/sdp_lib.h>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unistd.h>

#include "device/bt/SerialService.h"
#include "device/bt/SocketStream.h"

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

void setError(QString* out, const QString& text) {
    if (out)
        *out = text;
}

bool toBdaddr(const QString& address, bdaddr_t* out) {
    return str2ba(address.toLatin1().constData(), out) == 0;
}

// The discovery's result, shared with its thread: a thread that outlives
// the wait (a phone that takes its time) still has somewhere to write.
struct Lookup {
    std::mutex mutex;
    bool done = false;
    int error = 0;
    QList<SerialService> services;
};

void discover(const QString& address, Lookup& lookup) {
    bdaddr_t target{};
    bdaddr_t any{}; // BDADDR_ANY, which is no constant expression in C++
    toBdaddr(address, &target);
    int error = 0;
    QList<SerialService> services;
    sdp_session_t* session = sdp_connect(&any, &target, SDP_RETRY_IF_BUSY);
    if (!session) {
        error = errno ? errno : EHOSTUNREACH;
    } else {
        uuid_t rfcomm;
        sdp_uuid16_create(&rfcomm, RFCOMM_UUID);
        sdp_list_t* search = sdp_list_append(nullptr, &rfcomm);
        uint32_t range = 0x0000FFFF;
        sdp_list_t* attributes = sdp_list_append(nullptr, &range);
        sdp_list_t* records = nullptr;
        if (sdp_service_search_attr_req(session, search, SDP_ATTR_REQ_RANGE, attributes,
                                        &records) == 0)
            services = SerialService::fromRecords(records);
        else
            error = errno ? errno : EIO;
        sdp_list_free(records, [](void* r) { sdp_record_free(static_cast<sdp_record_t*>(r)); });
        sdp_list_free(search, nullptr);
        sdp_list_free(attributes, nullptr);
        sdp_close(session);
    }
    const std::lock_guard lock(lookup.mutex);
    lookup.done = true;
    lookup.error = error;
    lookup.services = services;
}

} // namespace

bool RfcommLink::hasAdapter() {
    return hci_get_route(nullptr) >= 0;
}

int RfcommLink::lookUpChannel(const QString& address, int timeoutMs, QString* error) {
    auto lookup = std::make_shared<Lookup>();
    QThread* thread = QThread::create([address, lookup] { discover(address, *lookup); });
    // Never waited for past the time-out: it deletes itself once done.
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    thread->start();
    // A quit meant for another loop nested inside this one may be swallowed;
    // go round until the lookup or its time has ended.
    for (;;) {
        {
            const std::lock_guard lock(lookup->mutex);
            if (lookup->done)
                break;
        }
        if (!timer.isActive()) {
            setError(error, QStringLiteral("no answer to service discovery"));
            return 0;
        }
        loop.exec();
    }
    const std::lock_guard lock(lookup->mutex);
    if (lookup->error != 0) {
        setError(error, QStringLiteral("service discovery: ") + systemError(lookup->error));
        return 0;
    }
    const int channel = SerialService::chooseChannel(lookup->services);
    if (channel <= 0)
        setError(error, QStringLiteral("no serial port or dial-up service"));
    return channel;
}

bool RfcommLink::connectSocket(int fd, const sockaddr* addr, socklen_t length, int timeoutMs,
                               QString* error) {
    if (::connect(fd, addr, length) == 0)
        return true;
    if (errno != EINPROGRESS) {
        setError(error, systemError(errno));
        return false;
    }
    QSocketNotifier writable(fd, QSocketNotifier::Write);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool ready = false;
    QObject::connect(&writable, &QSocketNotifier::activated, &loop, [&] {
        ready = true;
        writable.setEnabled(false);
        loop.quit();
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    while (!ready && timer.isActive())
        loop.exec();
    if (!ready) {
        setError(error, QStringLiteral("no connection within %1 ms").arg(timeoutMs));
        return false;
    }
    int result = 0;
    socklen_t size = sizeof result;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &size) != 0)
        result = errno;
    if (result != 0) {
        setError(error, systemError(result));
        return false;
    }
    return true;
}

std::unique_ptr<QIODevice> RfcommLink::open(const BluetoothAddress& address, QString* error,
                                            int* channel) {
    if (channel)
        *channel = address.channel;
    sockaddr_rc target{};
    target.rc_family = AF_BLUETOOTH;
    if (!toBdaddr(address.address, &target.rc_bdaddr)) {
        setError(error, QStringLiteral("not a Bluetooth address"));
        return nullptr;
    }
    // Both the discovery and the connect would page the phone in vain.
    if (!hasAdapter()) {
        setError(error, QStringLiteral("no Bluetooth adapter"));
        return nullptr;
    }
    int rc = address.channel;
    if (rc <= 0) {
        rc = lookUpChannel(address.address, kLookupTimeoutMs, error);
        if (channel)
            *channel = rc;
        if (rc <= 0)
            return nullptr;
    }
    target.rc_channel = uint8_t(rc);
    const int fd =
        ::socket(AF_BLUETOOTH, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, BTPROTO_RFCOMM);
    if (fd < 0) {
        setError(error, systemError(errno));
        return nullptr;
    }
    if (!connectSocket(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target,
                       kConnectTimeoutMs, error)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<SocketStream>(fd);
}
