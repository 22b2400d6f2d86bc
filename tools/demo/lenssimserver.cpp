#include "lenssimserver.h"

#include "lenssimwire.h"
#include "tools/lenssim/lenssimulator.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRandomGenerator>

#include <set>
#include <thread>

namespace {

// How often a connection blocked in a read looks whether its client is
// still there, and a waiting one whether the server is stopping.
constexpr int kSliceMs = 100;
// Bigger than any report; keeps a confused client from asking for memory.
constexpr quint32 kMaxReport = 4096;

QDataStream &prepared(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_5_15);
    return stream;
}

} // namespace

class LensSimServer::Listener : public QLocalServer
{
public:
    explicit Listener(LensSimServer *owner)
        : QLocalServer(owner)
        , m_owner(owner)
    {
    }

protected:
    void incomingConnection(quintptr descriptor) override { m_owner->startWorker(descriptor); }

private:
    LensSimServer *m_owner;
};

struct LensSimServer::Worker
{
    std::thread thread;
    std::atomic<bool> done { false };
};

LensSimServer::LensSimServer(LensSimulator *lens, QObject *parent)
    : QObject(parent)
    , m_lens(lens)
    , m_listener(new Listener(this))
    , m_session(QRandomGenerator::global()->generate64() | 1)
{
}

LensSimServer::~LensSimServer()
{
    close();
}

bool LensSimServer::listen(const QString &name)
{
    close();
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(1000)) {
        m_error = QStringLiteral("another lens simulator is already serving \"%1\"").arg(name);
        return false;
    }
    QLocalServer::removeServer(name);
    m_stopping = false;
    if (!m_listener->listen(name)) {
        m_error = m_listener->errorString();
        return false;
    }
    m_error.clear();
    return true;
}

void LensSimServer::close()
{
    m_listener->close();
    m_stopping = true;
    reapWorkers(true);
}

bool LensSimServer::isListening() const
{
    return m_listener->isListening();
}

QString LensSimServer::fullServerName() const
{
    return m_listener->fullServerName();
}

QString LensSimServer::errorString() const
{
    return m_error;
}

quint64 LensSimServer::session() const
{
    return m_session;
}

int LensSimServer::connectionCount() const
{
    return m_connections;
}

void LensSimServer::startWorker(quintptr descriptor)
{
    reapWorkers(false);
    auto worker = std::make_unique<Worker>();
    Worker *w = worker.get();
    w->thread = std::thread([this, descriptor, w] {
        serve(descriptor);
        w->done = true;
    });
    std::lock_guard<std::mutex> lock(m_workersMutex);
    m_workers.push_back(std::move(worker));
}

void LensSimServer::reapWorkers(bool all)
{
    std::list<std::unique_ptr<Worker>> finished;
    {
        std::lock_guard<std::mutex> lock(m_workersMutex);
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            if (all || (*it)->done) {
                finished.push_back(std::move(*it));
                it = m_workers.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto &worker : finished)
        worker->thread.join();
}

void LensSimServer::serve(quintptr descriptor)
{
    QLocalSocket socket;
    if (!socket.setSocketDescriptor(qintptr(descriptor)))
        return;
    // Counted once it greets: a mere look whether lens-sim runs is no client.
    bool greeted = false;

    std::set<LensSimulator::Handle> handles;
    QByteArray buffer;
    auto connected = [&socket] { return socket.state() == QLocalSocket::ConnectedState; };

    while (!m_stopping && connected()) {
        QByteArray body;
        bool bad = false;
        if (!LensSimWire::takeMessage(buffer, &body, &bad)) {
            if (bad)
                break;
            if (socket.waitForReadyRead(kSliceMs))
                buffer += socket.readAll();
            continue;
        }

        QDataStream in(&body, QIODevice::ReadOnly);
        prepared(in);
        quint8 op = 0;
        in >> op;
        QByteArray replyBody;
        QDataStream out(&replyBody, QIODevice::WriteOnly);
        prepared(out);

        switch (op) {
        case LensSimWire::Hello: {
            quint32 version = 0;
            in >> version;
            out << qint32(LensSimWire::Version) << m_session;
            if (!greeted) {
                greeted = true;
                emit connectionsChanged(++m_connections);
            }
            break;
        }
        case LensSimWire::Open: {
            quint16 vid = 0, pid = 0;
            QString serial;
            in >> vid >> pid >> serial;
            const LensSimulator::Handle handle = m_lens->open(vid, pid, serial);
            if (handle)
                handles.insert(handle);
            out << qint32(handle ? 1 : 0) << quint64(handle);
            break;
        }
        case LensSimWire::Close: {
            quint64 handle = 0;
            in >> handle;
            // Only the connection that opened a handle may close it.
            if (handles.erase(handle))
                m_lens->close(handle);
            out << qint32(0);
            break;
        }
        case LensSimWire::Write: {
            quint64 handle = 0;
            QByteArray data;
            in >> handle >> data;
            out << qint32(m_lens->write(
                handle, reinterpret_cast<const unsigned char *>(data.constData()), size_t(data.size())));
            break;
        }
        case LensSimWire::Read: {
            quint64 handle = 0;
            quint32 length = 0;
            qint32 timeoutMs = 0;
            in >> handle >> length >> timeoutMs;
            QByteArray data(int(qMin(length, kMaxReport)), '\0');
            QElapsedTimer clock;
            clock.start();
            int result = 0;
            // In slices, to notice a client that went away in the meantime.
            for (;;) {
                const qint64 left = timeoutMs < 0 ? kSliceMs : qMax<qint64>(0, timeoutMs - clock.elapsed());
                result = m_lens->read(handle, reinterpret_cast<unsigned char *>(data.data()),
                    size_t(data.size()), int(qMin<qint64>(left, kSliceMs)));
                if (result != 0 || (timeoutMs >= 0 && clock.elapsed() >= timeoutMs))
                    break;
                if (m_stopping) {
                    result = -1;
                    break;
                }
                if (socket.waitForReadyRead(0))
                    buffer += socket.readAll();
                if (!connected())
                    break;
            }
            data.resize(qMax(0, result));
            out << qint32(result) << data;
            break;
        }
        case LensSimWire::SendFeatureReport: {
            quint64 handle = 0;
            QByteArray data;
            in >> handle >> data;
            out << qint32(m_lens->sendFeatureReport(
                handle, reinterpret_cast<const unsigned char *>(data.constData()), size_t(data.size())));
            break;
        }
        case LensSimWire::GetFeatureReport: {
            quint64 handle = 0;
            quint32 length = 0;
            quint8 reportId = 0;
            in >> handle >> length >> reportId;
            QByteArray data(int(qMin(length, kMaxReport)), '\0');
            if (!data.isEmpty())
                data[0] = char(reportId);
            const int result = m_lens->getFeatureReport(
                handle, reinterpret_cast<unsigned char *>(data.data()), size_t(data.size()));
            out << qint32(result) << data;
            break;
        }
        case LensSimWire::GetString: {
            quint64 handle = 0;
            quint8 which = 0;
            in >> handle >> which;
            QString text;
            const bool ok = which <= LensSimulator::UsbSerialNumber
                && m_lens->usbString(handle, LensSimulator::UsbString(which), &text);
            out << qint32(ok ? 0 : -1) << text;
            break;
        }
        case LensSimWire::Probe: {
            quint16 vid = 0, pid = 0;
            in >> vid >> pid;
            out << qint32(m_lens->wouldOpen(vid, pid) ? 1 : 0)
                << m_lens->usbString(LensSimulator::Manufacturer) << m_lens->usbString(LensSimulator::Product)
                << m_lens->usbString(LensSimulator::UsbSerialNumber);
            break;
        }
        default:
            out << qint32(-1);
            break;
        }

        if (in.status() != QDataStream::Ok || !connected())
            break;
        socket.write(LensSimWire::frame(replyBody));
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(1000)) { }
    }

    for (const LensSimulator::Handle handle : handles)
        m_lens->close(handle);
    socket.abort();
    if (greeted)
        emit connectionsChanged(--m_connections);
}
