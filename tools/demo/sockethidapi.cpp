#include "sockethidapi.h"

#include "lenssimwire.h"
#include "tools/lenssim/hidapistandin.h"

#include <hidapi.h>

#include <QDataStream>
#include <QLocalSocket>
#include <QThreadStorage>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

struct hid_device_
{
    quint64 handle = 0;
    quint64 session = 0;
    std::atomic<bool> nonBlocking { false };
};

namespace {

// An answer that takes longer than this means lens-sim hangs.
constexpr int kReplyTimeoutMs = 10000;

std::mutex g_nameMutex;
QString g_serverName = LensSimWire::defaultServerName();
std::atomic<int> g_openHandles { 0 };

QString currentServerName()
{
    std::lock_guard<std::mutex> lock(g_nameMutex);
    return g_serverName;
}

QDataStream &prepared(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_5_15);
    return stream;
}

// The calling thread's connection to lens-sim, used without an event loop.
class Connection
{
public:
    // Connects (and greets) when not connected. False when nobody answers.
    bool ensure()
    {
        if (isConnected())
            return true;
        reset();
        socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(currentServerName());
        if (!socket->waitForConnected(kReplyTimeoutMs)) {
            reset();
            return false;
        }
        QByteArray request;
        QDataStream out(&request, QIODevice::WriteOnly);
        prepared(out) << quint8(LensSimWire::Hello) << LensSimWire::Version;
        QByteArray reply;
        qint32 version = 0;
        quint64 sessionNumber = 0;
        if (!exchange(request, kReplyTimeoutMs, &reply)) {
            reset();
            return false;
        }
        QDataStream in(&reply, QIODevice::ReadOnly);
        prepared(in) >> version >> sessionNumber;
        if (in.status() != QDataStream::Ok || quint32(version) != LensSimWire::Version) {
            reset();
            return false;
        }
        session = sessionNumber;
        return true;
    }

    // One request, one reply. `waitMs` < 0 waits for the reply for ever
    // (a blocking read); the connection is dropped on any failure.
    bool call(const QByteArray &request, int waitMs, QByteArray *reply)
    {
        if (!ensure())
            return false;
        if (!exchange(request, waitMs, reply)) {
            reset();
            return false;
        }
        return true;
    }

    bool isConnected() const { return socket && socket->state() == QLocalSocket::ConnectedState; }

    void reset()
    {
        if (socket)
            socket->abort();
        socket.reset();
        buffer.clear();
        session = 0;
    }

    quint64 session = 0;

private:
    bool exchange(const QByteArray &request, int waitMs, QByteArray *reply)
    {
        socket->write(LensSimWire::frame(request));
        while (socket->bytesToWrite() > 0) {
            if (!socket->waitForBytesWritten(kReplyTimeoutMs))
                return false;
        }
        // Whatever an event loop of this thread has already taken in.
        buffer += socket->readAll();
        for (;;) {
            bool bad = false;
            if (LensSimWire::takeMessage(buffer, reply, &bad))
                return true;
            if (bad || !socket->waitForReadyRead(waitMs))
                return false;
            buffer += socket->readAll();
        }
    }

    std::unique_ptr<QLocalSocket> socket;
    QByteArray buffer;
};

// Deleted by Qt when its thread ends, while the thread's data still exist
// (a thread_local would be destroyed too late for the socket).
QThreadStorage<Connection *> g_connections;

Connection &connection()
{
    if (!g_connections.hasLocalData())
        g_connections.setLocalData(new Connection);
    return *g_connections.localData();
}

// Calls lens-sim for a handle of the session it belongs to. *result is -1
// when the call could not be made.
template <typename Write, typename Read>
bool deviceCall(hid_device *dev, quint8 op, int waitMs, Write writeArgs, Read readReply, int *result)
{
    *result = -1;
    if (!dev)
        return false;
    Connection &c = connection();
    if (!c.ensure() || c.session != dev->session)
        return false;
    QByteArray request;
    QDataStream out(&request, QIODevice::WriteOnly);
    prepared(out) << op << dev->handle;
    writeArgs(out);
    QByteArray reply;
    if (!c.call(request, waitMs, &reply))
        return false;
    QDataStream in(&reply, QIODevice::ReadOnly);
    qint32 value = -1;
    prepared(in) >> value;
    readReply(in, value);
    if (in.status() != QDataStream::Ok)
        return false;
    *result = value;
    return true;
}

const auto noArgs = [](QDataStream &) {};
const auto noReply = [](QDataStream &, qint32) {};

int copyBytes(const QByteArray &from, unsigned char *to, size_t capacity)
{
    const size_t n = std::min(capacity, size_t(from.size()));
    std::memcpy(to, from.constData(), n);
    return int(n);
}

int getString(hid_device *dev, quint8 which, wchar_t *string, size_t maxlen)
{
    if (!string || maxlen == 0)
        return -1;
    QString text;
    int result = -1;
    deviceCall(
        dev, LensSimWire::GetString, kReplyTimeoutMs, [which](QDataStream &out) { out << which; },
        [&text](QDataStream &in, qint32) { in >> text; }, &result);
    if (result != 0)
        return -1;
    return HidapiStandIn::copyString(text, string, maxlen);
}

} // namespace

void SocketHidapi::setServerName(const QString &name)
{
    std::lock_guard<std::mutex> lock(g_nameMutex);
    g_serverName = name;
}

QString SocketHidapi::serverName()
{
    return currentServerName();
}

bool SocketHidapi::serverReachable()
{
    QLocalSocket probe;
    probe.connectToServer(currentServerName());
    return probe.waitForConnected(1000);
}

void SocketHidapi::disconnectThisThread()
{
    connection().reset();
}

int SocketHidapi::openHandles()
{
    return g_openHandles;
}

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    connection().reset();
    return 0;
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(
    unsigned short vendor_id, unsigned short product_id)
{
    QByteArray request;
    QDataStream out(&request, QIODevice::WriteOnly);
    prepared(out) << quint8(LensSimWire::Probe) << quint16(vendor_id) << quint16(product_id);
    QByteArray reply;
    if (!connection().call(request, kReplyTimeoutMs, &reply))
        return nullptr;
    QDataStream in(&reply, QIODevice::ReadOnly);
    qint32 found = 0;
    QString manufacturer, product, serial;
    prepared(in) >> found >> manufacturer >> product >> serial;
    if (in.status() != QDataStream::Ok || found != 1)
        return nullptr;
    return HidapiStandIn::deviceInfo("lens-sim:lens", vendor_id ? vendor_id : 0x0483,
        product_id ? product_id : 0xC8C0, serial, manufacturer, product);
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    HidapiStandIn::freeEnumeration(devs);
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open(
    unsigned short vendor_id, unsigned short product_id, const wchar_t *serial_number)
{
    Connection &c = connection();
    if (!c.ensure())
        return nullptr;
    QByteArray request;
    QDataStream out(&request, QIODevice::WriteOnly);
    prepared(out) << quint8(LensSimWire::Open) << quint16(vendor_id) << quint16(product_id)
                  << (serial_number ? QString::fromWCharArray(serial_number) : QString());
    QByteArray reply;
    if (!c.call(request, kReplyTimeoutMs, &reply))
        return nullptr;
    QDataStream in(&reply, QIODevice::ReadOnly);
    qint32 found = 0;
    quint64 handle = 0;
    prepared(in) >> found >> handle;
    if (in.status() != QDataStream::Ok || found != 1 || handle == 0)
        return nullptr;
    auto *dev = new hid_device_;
    dev->handle = handle;
    dev->session = c.session;
    ++g_openHandles;
    return dev;
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    if (!dev)
        return;
    int result = 0;
    deviceCall(dev, LensSimWire::Close, kReplyTimeoutMs, noArgs, noReply, &result);
    --g_openHandles;
    delete dev;
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    if (!data)
        return -1;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(length));
    int result = -1;
    deviceCall(
        dev, LensSimWire::Write, kReplyTimeoutMs, [&bytes](QDataStream &out) { out << bytes; }, noReply,
        &result);
    return result;
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(
    hid_device *dev, unsigned char *data, size_t length, int milliseconds)
{
    if (!data)
        return -1;
    QByteArray bytes;
    int result = -1;
    const int waitMs = milliseconds < 0 ? -1 : milliseconds + kReplyTimeoutMs;
    deviceCall(
        dev, LensSimWire::Read, waitMs,
        [length, milliseconds](QDataStream &out) { out << quint32(length) << qint32(milliseconds); },
        [&bytes](QDataStream &in, qint32) { in >> bytes; }, &result);
    if (result > 0)
        result = copyBytes(bytes, data, length);
    return result;
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    if (!dev)
        return -1;
    return hid_read_timeout(dev, data, length, dev->nonBlocking ? 0 : -1);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device *dev, int nonblock)
{
    if (!dev)
        return -1;
    dev->nonBlocking = nonblock != 0;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_send_feature_report(
    hid_device *dev, const unsigned char *data, size_t length)
{
    if (!data)
        return -1;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(length));
    int result = -1;
    deviceCall(
        dev, LensSimWire::SendFeatureReport, kReplyTimeoutMs, [&bytes](QDataStream &out) { out << bytes; },
        noReply, &result);
    return result;
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device *dev, unsigned char *data, size_t length)
{
    if (!data)
        return -1;
    QByteArray bytes;
    int result = -1;
    deviceCall(
        dev, LensSimWire::GetFeatureReport, kReplyTimeoutMs,
        [length, data](QDataStream &out) { out << quint32(length) << quint8(length ? data[0] : 0); },
        [&bytes](QDataStream &in, qint32) { in >> bytes; }, &result);
    if (result > 0)
        copyBytes(bytes, data, length);
    return result;
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return getString(dev, 0, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return getString(dev, 1, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return getString(dev, 2, string, maxlen);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    if (!dev && !connection().isConnected())
        return L"Not connected to the lens simulator";
    return L"Success";
}

} // extern "C"
