// GLib first: its headers use the word Qt takes for signals.
#include <umockdev.h>

#include "hidrawlenstestbed.h"

#include "tools/lenssim/lenssimulator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#ifndef LENS_UMOCKDEV_PRELOAD
#define LENS_UMOCKDEV_PRELOAD "libumockdev-preload.so.0"
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReportSize = 64;
constexpr int kFollowMs = 5;
// A restarting lens leaves once the host has read its last report; a host
// that never reads does not keep it on the bus for ever.
constexpr int kDrainLimitMs = 1000;

const char kUsbPath[] = "/devices/pci0000:00/0000:00:14.0/usb1/1-4";
const char kInterfacePath[] = "/devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0";
const char kHidPath[] = "/devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/0003:0483:C8C0.0001";
const char kHidrawPath[]
    = "/devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/0003:0483:C8C0.0001/hidraw/hidraw0";
const char kNode[] = "/dev/hidraw0";

// Vendor page, one 64-byte input and one 64-byte output report, no ids.
const unsigned char kDescriptor[] = {
    0x06, 0x00, 0xFF, // Usage Page (Vendor Defined 0xFF00)
    0x09, 0x01, // Usage (1)
    0xA1, 0x01, // Collection (Application)
    0x09, 0x02, //   Usage (2)
    0x15, 0x00, //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08, //   Report Size (8)
    0x95, 0x40, //   Report Count (64)
    0x81, 0x02, //   Input (Data, Variable, Absolute)
    0x09, 0x03, //   Usage (3)
    0x15, 0x00, //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08, //   Report Size (8)
    0x95, 0x40, //   Report Count (64)
    0x91, 0x02, //   Output (Data, Variable, Absolute)
    0xC0, // End Collection
};

QString hex(const unsigned char *data, size_t size)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(data), int(size)).toHex());
}

} // namespace

// What the umockdev worker thread, the lens's pump thread and the owner's
// thread share.
struct HidrawLensTestbed::Shared
{
    // What a handler was attached for: calls on a node that has since gone
    // fail as on a removed device, even once a new node is there.
    struct Binding
    {
        Shared *shared;
        int generation;
    };

    std::mutex mutex;
    LensSimulator *lens = nullptr;
    bool present = false;
    int generation = 0;
    LensSimulator::Handle handle = 0;
    int masterFd = -1; // a byte per queued report makes the program's poll() wake
    int slaveFd = -1; // ... and one is drained here per report read
    std::deque<QByteArray> reports;
    std::vector<UMockdevIoctlClient *> heldReads;
    std::atomic<bool> lost { false }; // the lens left the bus under the node
    QByteArray product, serial;
    std::atomic<int> writes { 0 };
    std::atomic<int> reads { 0 };
    std::atomic<int> ioctls { 0 };
    Clock::time_point firstPacket, lastPacket;
    int packets = 0;

    // The owner's thread only: the handler attached to the node's path
    // (kept after an unplug, so that a program still holding the old node
    // gets errors rather than losing the preload's connection).
    UMockdevIoctlBase *handler = nullptr;
    Binding *binding = nullptr;

    void detach(UMockdevTestbed *testbed)
    {
        if (!handler)
            return;
        umockdev_testbed_detach_ioctl(testbed, kNode, nullptr);
        g_object_unref(handler);
        delete binding;
        handler = nullptr;
        binding = nullptr;
    }

    // Under the lock.
    void hand(UMockdevIoctlClient *client, const QByteArray &report)
    {
        UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
        const int n = qMin(report.size(), arg->data_len);
        umockdev_ioctl_data_update(
            arg, 0, reinterpret_cast<guint8 *>(const_cast<char *>(report.constData())), n);
        char byte;
        if (slaveFd >= 0 && ::read(slaveFd, &byte, 1) < 0) {
            // The pty only wakes the program's poll(); nothing to do.
        }
        ++reads;
        umockdev_ioctl_client_complete(client, n, 0);
    }

    void failHeldReads()
    {
        for (UMockdevIoctlClient *client : heldReads) {
            umockdev_ioctl_client_complete(client, -1, EIO);
            g_object_unref(client);
        }
        heldReads.clear();
    }

    // A report from the lens, on the pump thread.
    void queue(const QByteArray &report)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!present)
            return;
        if (!heldReads.empty()) {
            UMockdevIoctlClient *client = heldReads.front();
            heldReads.erase(heldReads.begin());
            const char byte = 1;
            if (::write(masterFd, &byte, 1) < 0) {
                // See hand().
            }
            hand(client, report);
            g_object_unref(client);
            return;
        }
        reports.push_back(report);
        const char byte = 1;
        if (::write(masterFd, &byte, 1) < 0) {
            // See hand().
        }
    }

    bool servesLocked(gpointer data) const
    {
        return present && static_cast<Binding *>(data)->generation == generation;
    }

    static gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data);
    static gboolean onRead(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data);
    static gboolean onWrite(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data);
};

gboolean HidrawLensTestbed::Shared::onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data)
{
    Shared *s = static_cast<Binding *>(data)->shared;
    ++s->ioctls;
    std::lock_guard<std::mutex> lock(s->mutex);
    if (!s->servesLocked(data)) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    GError *error = nullptr;
    auto resolve = [&](gsize size) -> UMockdevIoctlData * {
        UMockdevIoctlData *target = umockdev_ioctl_data_resolve(arg, 0, size, &error);
        if (!target && error) {
            g_error_free(error);
            error = nullptr;
        }
        return target;
    };
    auto answerString = [&](const QByteArray &text) {
        const gsize size = _IOC_SIZE(request);
        UMockdevIoctlData *target = resolve(size);
        if (!target) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        QByteArray bytes = text.left(int(size) - 1);
        bytes.append('\0');
        umockdev_ioctl_data_update(target, 0, reinterpret_cast<guint8 *>(bytes.data()), bytes.size());
        umockdev_ioctl_data_unref(target);
        umockdev_ioctl_client_complete(client, bytes.size(), 0);
    };

    if (request == HIDIOCGRDESCSIZE) {
        if (UMockdevIoctlData *target = resolve(sizeof(int))) {
            int size = int(sizeof(kDescriptor));
            umockdev_ioctl_data_update(target, 0, reinterpret_cast<guint8 *>(&size), sizeof(size));
            umockdev_ioctl_data_unref(target);
            umockdev_ioctl_client_complete(client, 0, 0);
        } else {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
        }
    } else if (request == HIDIOCGRDESC) {
        if (UMockdevIoctlData *target = resolve(sizeof(hidraw_report_descriptor))) {
            hidraw_report_descriptor descriptor {};
            std::memcpy(&descriptor, target->data, sizeof(descriptor.size));
            if (descriptor.size > sizeof(kDescriptor))
                descriptor.size = sizeof(kDescriptor);
            std::memcpy(descriptor.value, kDescriptor, descriptor.size);
            umockdev_ioctl_data_update(
                target, 0, reinterpret_cast<guint8 *>(&descriptor), sizeof(descriptor));
            umockdev_ioctl_data_unref(target);
            umockdev_ioctl_client_complete(client, 0, 0);
        } else {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
        }
    } else if (request == HIDIOCGRAWINFO) {
        if (UMockdevIoctlData *target = resolve(sizeof(hidraw_devinfo))) {
            hidraw_devinfo info {};
            info.bustype = BUS_USB;
            info.vendor = __s16(s->lens->vendorId());
            info.product = __s16(s->lens->productId());
            umockdev_ioctl_data_update(target, 0, reinterpret_cast<guint8 *>(&info), sizeof(info));
            umockdev_ioctl_data_unref(target);
            umockdev_ioctl_client_complete(client, 0, 0);
        } else {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
        }
    } else if (_IOC_TYPE(request) == 'H' && _IOC_DIR(request) == _IOC_READ
        && (_IOC_NR(request) == 0x04 || _IOC_NR(request) == 0x05 || _IOC_NR(request) == 0x08)) {
        if (_IOC_NR(request) == 0x04)
            answerString(s->product);
        else if (_IOC_NR(request) == 0x05)
            answerString("usb-0000:00:14.0-4/input0");
        else
            answerString(s->serial);
    } else {
        // Feature reports and the rest: the lens has none.
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
    }
    return TRUE;
}

gboolean HidrawLensTestbed::Shared::onWrite(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data)
{
    Shared *s = static_cast<Binding *>(data)->shared;
    ++s->writes;
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    const QByteArray written(reinterpret_cast<const char *>(arg->data), arg->data_len);
    LensSimulator::Handle handle;
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        if (!s->servesLocked(data)) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        handle = s->handle;
    }
    if (written.size() < 2) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return TRUE;
    }
    // Unnumbered reports: the kernel drops a leading 0 and sends the rest.
    // Any other first byte would go out as part of the report.
    QByteArray report = written;
    if (uchar(report.at(0)) != 0)
        report.prepend('\0');
    report.truncate(1 + kReportSize);

    if (report.size() > 4 && uchar(report.at(1)) == 0x24) {
        const uchar command = uchar(report.at(4));
        std::lock_guard<std::mutex> lock(s->mutex);
        if (command == 0x80) {
            s->packets = 0;
        } else if (command == 0x81) {
            s->lastPacket = Clock::now();
            if (s->packets++ == 0)
                s->firstPacket = s->lastPacket;
        }
    }
    const int result = s->lens->write(
        handle, reinterpret_cast<const unsigned char *>(report.constData()), size_t(report.size()));
    if (result < 0)
        umockdev_ioctl_client_complete(client, -1, ENODEV);
    else
        umockdev_ioctl_client_complete(client, written.size(), 0);
    return TRUE;
}

gboolean HidrawLensTestbed::Shared::onRead(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data)
{
    Shared *s = static_cast<Binding *>(data)->shared;
    std::lock_guard<std::mutex> lock(s->mutex);
    if (!s->servesLocked(data)) {
        umockdev_ioctl_client_complete(client, -1, EIO);
        return TRUE;
    }
    if (!s->reports.empty()) {
        const QByteArray report = s->reports.front();
        s->reports.pop_front();
        s->hand(client, report);
        return TRUE;
    }
    // Blocks, as a read of the real node does, until a report comes.
    s->heldReads.push_back(static_cast<UMockdevIoctlClient *>(g_object_ref(client)));
    return TRUE;
}

struct HidrawLensTestbed::Node
{
    std::thread pump;
    std::atomic<bool> stop { false };
    QString slavePath;
    Clock::time_point lostAt;
    bool lostSeen = false;
};

HidrawLensTestbed::HidrawLensTestbed(LensSimulator *lens, QObject *parent)
    : QObject(parent)
    , m_lens(lens)
    , m_shared(std::make_shared<Shared>())
{
    m_shared->lens = lens;
}

HidrawLensTestbed::~HidrawLensTestbed()
{
    unplugNode();
    if (m_testbed)
        m_shared->detach(static_cast<UMockdevTestbed *>(m_testbed));
    if (m_testbed)
        g_object_unref(static_cast<UMockdevTestbed *>(m_testbed));
}

QString HidrawLensTestbed::preloadLibrary()
{
    const QString path = QStringLiteral(LENS_UMOCKDEV_PRELOAD);
    return QFileInfo(path).isAbsolute() && QFileInfo::exists(path) ? path : QString();
}

bool HidrawLensTestbed::isAvailable(QString *reason)
{
    auto why = [reason](const QString &text) {
        if (reason)
            *reason = text;
        return false;
    };
    if (preloadLibrary().isEmpty())
        return why(QStringLiteral(
            "the umockdev preload library is missing (install umockdev; scripts/setup.sh does)"));
    if (qEnvironmentVariableIsSet("UMOCKDEV_DIR") && qgetenv("LD_PRELOAD").contains("umockdev"))
        return why(QStringLiteral("already running inside a umockdev testbed"));
    return true;
}

bool HidrawLensTestbed::start(QString *error)
{
    if (m_testbed)
        return true;
    QString reason;
    if (!isAvailable(&reason)) {
        if (error)
            *error = reason;
        return false;
    }
    UMockdevTestbed *testbed = umockdev_testbed_new();
    if (!testbed) {
        if (error)
            *error = QStringLiteral("umockdev could not make a testbed");
        return false;
    }
    m_testbed = testbed;
    gchar *root = umockdev_testbed_get_root_dir(testbed);
    m_root = QString::fromLocal8Bit(root);
    g_free(root);
    QDir(m_root).mkpath(QStringLiteral("dev/.ptymap"));

    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &HidrawLensTestbed::follow);
    timer->start(kFollowMs);
    if (m_lens->isOnBus() && !plugNode(error))
        return false;
    return true;
}

bool HidrawLensTestbed::isStarted() const
{
    return m_testbed != nullptr;
}

QProcessEnvironment HidrawLensTestbed::environment(
    const QProcessEnvironment &base, const QStringList &extraPreloads) const
{
    QProcessEnvironment env = base;
    QStringList preloads { preloadLibrary() };
    preloads += extraPreloads;
    const QString existing = base.value(QStringLiteral("LD_PRELOAD"));
    if (!existing.isEmpty())
        preloads << existing;
    env.insert(QStringLiteral("LD_PRELOAD"), preloads.join(QLatin1Char(':')));
    env.insert(QStringLiteral("UMOCKDEV_DIR"), m_root);
    return env;
}

QString HidrawLensTestbed::rootDir() const
{
    return m_root;
}

QString HidrawLensTestbed::nodePath() const
{
    return QString::fromLatin1(kNode);
}

bool HidrawLensTestbed::isNodePresent() const
{
    return m_node != nullptr;
}

int HidrawLensTestbed::plugCount() const
{
    return m_plugs;
}

int HidrawLensTestbed::writesTaken() const
{
    return m_shared->writes;
}

int HidrawLensTestbed::readsServed() const
{
    return m_shared->reads;
}

int HidrawLensTestbed::ioctlCount() const
{
    return m_shared->ioctls;
}

qint64 HidrawLensTestbed::transferMicroseconds() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->packets < 2)
        return 0;
    return std::chrono::duration_cast<std::chrono::microseconds>(m_shared->lastPacket - m_shared->firstPacket)
        .count();
}

int HidrawLensTestbed::transferPackets() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->packets;
}

// The node follows the lens's bus.
void HidrawLensTestbed::follow()
{
    if (!m_node) {
        if (m_lens->isOnBus())
            plugNode(nullptr);
        return;
    }
    if (!m_shared->lost)
        return;
    // Pulled out: gone at once. Restarting: once the host has read what the
    // lens said last (its status), as a real lens leaves after answering.
    if (m_lens->isPlugged()) {
        if (!m_node->lostSeen) {
            m_node->lostSeen = true;
            m_node->lostAt = Clock::now();
        }
        bool drained;
        {
            std::lock_guard<std::mutex> lock(m_shared->mutex);
            drained = m_shared->reports.empty();
        }
        if (!drained && Clock::now() - m_node->lostAt < std::chrono::milliseconds(kDrainLimitMs))
            return;
    }
    unplugNode();
}

bool HidrawLensTestbed::plugNode(QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    auto *testbed = static_cast<UMockdevTestbed *>(m_testbed);
    const LensSimulator::Handle handle = m_lens->open(m_lens->vendorId(), m_lens->productId(), QString());
    if (!handle)
        return fail(QStringLiteral("the lens is not on the bus"));

    int master = -1, slave = -1;
    char slaveName[128] = {};
    if (::openpty(&master, &slave, slaveName, nullptr, nullptr) != 0) {
        m_lens->close(handle);
        return fail(QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    // A program started later must not inherit the ends: the master would
    // then never close, and an unplug would never reach its poll().
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    termios raw {};
    if (::tcgetattr(slave, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
    }
    ::fcntl(slave, F_SETFL, ::fcntl(slave, F_GETFL) | O_NONBLOCK);
    struct stat st
    {
    };
    ::fstat(slave, &st);
    const QString devNumbers = QStringLiteral("%1:%2").arg(major(st.st_rdev)).arg(minor(st.st_rdev));

    auto node = std::make_unique<Node>();
    node->slavePath = QString::fromLocal8Bit(slaveName);

    // The handler goes first: the program may open the node as soon as it
    // is there.
    m_shared->detach(testbed);
    int generation;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        generation = ++m_shared->generation;
    }
    m_shared->binding = new Shared::Binding { m_shared.get(), generation };
    m_shared->handler = umockdev_ioctl_base_new();
    g_signal_connect(m_shared->handler, "handle-ioctl", G_CALLBACK(&Shared::onIoctl), m_shared->binding);
    g_signal_connect(m_shared->handler, "handle-read", G_CALLBACK(&Shared::onRead), m_shared->binding);
    g_signal_connect(m_shared->handler, "handle-write", G_CALLBACK(&Shared::onWrite), m_shared->binding);
    GError *gerror = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed, kNode, m_shared->handler, &gerror)) {
        const QString text = QString::fromUtf8(gerror ? gerror->message : "attach_ioctl failed");
        if (gerror)
            g_error_free(gerror);
        g_object_unref(m_shared->handler);
        delete m_shared->binding;
        m_shared->handler = nullptr;
        m_shared->binding = nullptr;
        ::close(master);
        ::close(slave);
        m_lens->close(handle);
        return fail(text);
    }

    const QString vendor = QStringLiteral("%1").arg(m_lens->vendorId(), 4, 16, QLatin1Char('0'));
    const QString product = QStringLiteral("%1").arg(m_lens->productId(), 4, 16, QLatin1Char('0'));
    const QString serial = m_lens->usbString(LensSimulator::UsbSerialNumber);
    const QString productName = m_lens->usbString(LensSimulator::Product);
    const QString manufacturer = m_lens->usbString(LensSimulator::Manufacturer);
    const QString hidId = QStringLiteral("0003:0000%1:0000%2").arg(vendor.toUpper(), product.toUpper());
    const QString tree = QStringLiteral(
        "P: %1\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
        "A: idVendor=%5\nA: idProduct=%6\nA: bcdDevice=0100\nA: manufacturer=%7\nA: product=%8\nA: "
        "serial=%9\n"
        "A: busnum=1\nA: devnum=4\nA: speed=12\n\n"
        "P: %2\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=usbhid\n"
        "A: bInterfaceNumber=00\nA: bInterfaceClass=03\n\n"
        "P: %3\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\nE: HID_ID=%10\nE: HID_NAME=%7 %8\n"
        "E: HID_PHYS=usb-0000:00:14.0-4/input0\nE: HID_UNIQ=%9\nE: MODALIAS=hid:b0003g0001v0000%11p0000%12\n"
        "H: report_descriptor=%13\n\n"
        "P: %4\nE: SUBSYSTEM=hidraw\nE: DEVNAME=%14\nE: MAJOR=%15\nE: MINOR=%16\nA: dev=%17\nL: "
        "device=../../\n")
                             .arg(QLatin1String(kUsbPath), QLatin1String(kInterfacePath),
                                 QLatin1String(kHidPath), QLatin1String(kHidrawPath), vendor, product,
                                 manufacturer, productName, serial)
                             .arg(hidId, vendor.toUpper(), product.toUpper(),
                                 hex(kDescriptor, sizeof(kDescriptor)), QLatin1String(kNode),
                                 QString::number(major(st.st_rdev)), QString::number(minor(st.st_rdev)),
                                 devNumbers);
    if (!umockdev_testbed_add_from_string(testbed, tree.toUtf8().constData(), &gerror)) {
        const QString text = QString::fromUtf8(gerror ? gerror->message : "add_from_string failed");
        if (gerror)
            g_error_free(gerror);
        m_shared->detach(testbed);
        ::close(master);
        ::close(slave);
        m_lens->close(handle);
        return fail(text);
    }

    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->present = true;
        m_shared->handle = handle;
        m_shared->masterFd = master;
        m_shared->slaveFd = slave;
        m_shared->reports.clear();
        m_shared->lost = false;
        m_shared->product = (manufacturer + QLatin1Char(' ') + productName).toUtf8();
        m_shared->serial = serial.toUtf8();
    }
    // The node itself: the pty, which isatty() must not take for a terminal.
    const QString ptyMap = m_root + QStringLiteral("/dev/.ptymap/")
        + QString(node->slavePath).replace(QLatin1Char('/'), QLatin1Char('_'));
    QFile::remove(ptyMap);
    QFile::link(devNumbers, ptyMap);
    QFile::remove(m_root + QLatin1String(kNode));
    QFile::link(node->slavePath, m_root + QLatin1String(kNode));

    // The lens's reports, as they come.
    std::shared_ptr<Shared> shared = m_shared;
    Node *raw_node = node.get();
    node->pump = std::thread([shared, raw_node, handle]() {
        unsigned char buffer[kReportSize];
        while (!raw_node->stop) {
            const int n = shared->lens->read(handle, buffer, sizeof(buffer), 50);
            if (n > 0) {
                shared->queue(QByteArray(reinterpret_cast<const char *>(buffer), n));
            } else if (n < 0) {
                shared->lost = true;
                return;
            }
        }
    });
    m_node = std::move(node);
    ++m_plugs;
    emit nodeAdded();
    return true;
}

void HidrawLensTestbed::unplugNode()
{
    if (!m_node)
        return;
    auto *testbed = static_cast<UMockdevTestbed *>(m_testbed);
    LensSimulator::Handle handle;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->present = false; // from now on: ENODEV, EIO
        handle = m_shared->handle;
        m_shared->handle = 0;
        m_shared->reports.clear();
    }
    QFile::remove(m_root + QLatin1String(kNode));
    // Leaf first: removing a parent leaves its children's links behind.
    for (const char *path : { kHidrawPath, kHidPath, kInterfacePath, kUsbPath })
        umockdev_testbed_remove_device(testbed, (QByteArray("/sys") + path).constData());
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->failHeldReads();
        // A program blocked in poll() gets POLLHUP.
        ::close(m_shared->masterFd);
        ::close(m_shared->slaveFd);
        m_shared->masterFd = -1;
        m_shared->slaveFd = -1;
    }
    m_node->stop = true;
    m_lens->close(handle);
    if (m_node->pump.joinable())
        m_node->pump.join();
    QFile::remove(m_root + QStringLiteral("/dev/.ptymap/")
        + QString(m_node->slavePath).replace(QLatin1Char('/'), QLatin1Char('_')));
    m_node.reset();
    emit nodeRemoved();
}
