#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

#include <memory>

class LensSimulator;

// A simulated lens on an emulated /dev/hidraw node, for programs that link
// the system hidapi and run unchanged.
//
// The testbed (umockdev, in user space) holds a fake /sys and /dev: the
// USB device 0483:C8C0 with its interface, HID device (report descriptor
// for one 64-byte input and one 64-byte output report, no report ids,
// HID_UNIQ = the lens's USB serial number) and hidraw node. A program
// started with environment() sees that device through libudev and opens,
// writes, polls and reads the node; each call lands here and goes to the
// LensSimulator, whose bus the node follows: when the lens leaves the bus
// (unplug, a fault, a restart after an update) the node goes away, when it
// comes back the node is there again.
//
// What the kernel's hidraw driver does is done here too: a write is report
// id 0 plus the 64-byte frame, and the 0 never reaches the lens; each read
// returns one whole input report (cut to the caller's buffer); after an
// unplug writes fail with ENODEV, reads with EIO and a poll() with POLLHUP.
//
//     LensSimulator lens;
//     HidrawLensTestbed bed(&lens);
//     if (!bed.start(&why)) QSKIP(why);
//     process.setProcessEnvironment(bed.environment(QProcessEnvironment::systemEnvironment()));
//     process.start("lens-updater");       // finds the lens by itself
//     lens.unplug();                        // the node disappears
//
// Create and use it on one thread with a running event loop: the node is
// plugged and unplugged from there.
class HidrawLensTestbed : public QObject
{
    Q_OBJECT

public:
    explicit HidrawLensTestbed(LensSimulator *lens, QObject *parent = nullptr);
    ~HidrawLensTestbed() override;

    // Whether programs can be run against a testbed on this machine; if not,
    // *reason says why.
    static bool isAvailable(QString *reason = nullptr);
    // The umockdev preload library (full path), empty when missing.
    static QString preloadLibrary();

    // Creates the fake /sys and /dev (and the node, if the lens is on the
    // bus). False with *error set when that fails.
    bool start(QString *error = nullptr);
    bool isStarted() const;

    // `base` with the preload and the testbed's root added; `extraPreloads`
    // are preloaded after umockdev's library.
    QProcessEnvironment environment(
        const QProcessEnvironment &base, const QStringList &extraPreloads = {}) const;
    QString rootDir() const;
    QString nodePath() const; // "/dev/hidraw0" as the program sees it

    bool isNodePresent() const;
    int plugCount() const; // times the node appeared
    int writesTaken() const; // write() calls on the node
    int readsServed() const; // read() calls answered with a report
    int ioctlCount() const;

    // Microseconds from the first write of a data packet to the last one
    // of the last update, and how many there were (the host's pace).
    qint64 transferMicroseconds() const;
    int transferPackets() const;

signals:
    void nodeAdded();
    void nodeRemoved();

private:
    struct Node;
    struct Shared;

    void follow();
    bool plugNode(QString *error);
    void unplugNode();

    LensSimulator *m_lens;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<Node> m_node;
    void *m_testbed = nullptr; // UMockdevTestbed
    QString m_root;
    int m_plugs = 0;
    int m_nodeNumber = 0;
};
