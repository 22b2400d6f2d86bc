#pragma once

#include "protocol/lensrecord.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTimer>

class HidDeviceProcess;
class UdiskDevice;
class UpdateProcess;

// Finds the attached lenses the way the window does, for a program without
// a window: the HID link (reader thread, connect command, information
// request 300 ms later) and, for U-disk mode, one detection per mounted
// volume so that every lens volume is seen with its own root. Keeps
// looking for as long as it lives, so it also sees a lens restart.
class LensFinder : public QObject
{
    Q_OBJECT

public:
    static constexpr unsigned short VendorId = 0x0483;
    static constexpr unsigned short ProductId = 0xC8C0;
    static constexpr int InfoDelayMs = 300;

    explicit LensFinder(QObject *parent = nullptr);
    ~LensFinder() override;

    // Only volumes whose root lies below this folder are looked at.
    void setVolumeFilter(const QString &folder) { m_volumeFilter = folder; }
    void start();

    // The lenses known now: the HID lens first (once it has reported), then
    // the U-disk lenses in the order of their volumes.
    QList<LensRecord> lenses() const;
    // Every source has answered at least once: the HID link is not between
    // connecting and its information report, and every volume has had a
    // detection pass.
    bool settled() const;
    // HID lenses on the bus; only one of them is talked to.
    int hidLensCount() const;

    bool hidConnected() const { return m_hidConnected; }
    UpdateProcess *protocol() const { return m_protocol; }
    // The detection of one volume; null when the root is not watched.
    UdiskDevice *udiskDevice(const QString &root) const { return m_volumes.value(root).device; }
    // Asks the HID lens for its information again.
    void requestLensInfo();

signals:
    void changed();
    void hidConnectionChanged(bool connected);
    void hidLensRemoved();
    void hidLensReported(const LensRecord &lens);
    void udiskLensChanged(const QString &root, bool present);

private:
    struct Volume
    {
        UdiskDevice *device = nullptr;
        bool seen = false;
        LensRecord lens;
    };

    void watchNewVolumes();
    void onUdiskPass(const QString &root, bool present);

    HidDeviceProcess *m_hid;
    UpdateProcess *m_protocol;
    bool m_hidConnected = false;
    bool m_awaitingInfo = false;
    LensRecord m_hidLens;
    QTimer m_infoTimer;
    QTimer m_volumeTimer;
    QString m_volumeFilter;
    QStringList m_roots;
    QMap<QString, Volume> m_volumes;
};
