#include "lenssimconsole.h"

#include "demolenses.h"
#include "tools/lenssim/lenssimulator.h"

#ifdef LENS_SIM_UDISK
#include "tools/udisklens/udisklensvolume.h"
#endif

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

#include <iostream>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr int kPacketBytes = 56;
// Long enough for the program's reader thread to see the lens gone.
constexpr int kSwapPauseMs = 600;
constexpr qint64 kVolumeBytes = 16 * 1024 * 1024;

std::mutex g_stdinMutex;
LensSimConsole *g_stdinConsole = nullptr; // where stdin lines go; null once it is gone

// The thread stays blocked in its read when the program ends; that is
// harmless.
void readCommands()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::lock_guard<std::mutex> lock(g_stdinMutex);
        if (!g_stdinConsole)
            return;
        QMetaObject::invokeMethod(g_stdinConsole, "execute", Qt::QueuedConnection,
            Q_ARG(QString, QString::fromLocal8Bit(line.c_str())));
    }
    std::lock_guard<std::mutex> lock(g_stdinMutex);
    if (g_stdinConsole) {
        QMetaObject::invokeMethod(
            g_stdinConsole,
            [] { QTextStream(stdout) << "End of input: no more commands; the lens keeps running.\n"; },
            Qt::QueuedConnection);
    }
}

QString sha256(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

} // namespace

LensSimConsole::LensSimConsole(LensSimulator *lens, QTextStream *out, QObject *parent)
    : QObject(parent)
    , m_lens(lens)
    , m_out(out)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &LensSimConsole::poll);
    m_last = snapshot();
}

LensSimConsole::~LensSimConsole()
{
    {
        std::lock_guard<std::mutex> lock(g_stdinMutex);
        if (g_stdinConsole == this)
            g_stdinConsole = nullptr;
    }
#ifdef LENS_SIM_UDISK
    delete m_volume;
#endif
}

void LensSimConsole::setModelsFolder(const QString &folder)
{
    m_modelsFolder = folder;
    m_served.clear();
}

void LensSimConsole::setIdentity(
    const QString &name, const QString &code, const QString &serialNumber, const QString &version)
{
    m_lens->setModelName(name);
    m_lens->setModelCode(code);
    m_lens->setSerialNumber(serialNumber);
    m_lens->setFirmwareVersion(version);
    const Served s = served(code);
    m_lens->setVersionAfterUpdate(s.known ? s.version : QString());
}

void LensSimConsole::startWatching(int intervalMs)
{
    m_last = snapshot();
    m_timer->start(intervalMs);
}

QString LensSimConsole::helpText()
{
    return QStringLiteral(
        "Commands:\n"
        "  plug                  plug the lens in (also leaves U-disk mode)\n"
        "  unplug                pull the lens out\n"
        "  fail                  the next update ends in failure (status 6)\n"
        "  version V1.0.3        swap in a lens that runs this version\n"
        "  next V1.1.0           the version the lens runs after a successful update\n"
        "  model 80D72           swap in a lens of another model served by the demo server\n"
        "  model <name> <code>   ... or of any model, e.g. model AF 85mm F4 M43 99S93\n"
        "  serial <text>         swap in a lens with this serial number\n"
        "  restart <ms>          how long the lens stays off the bus when it restarts\n"
        "  pace <ms>             how long the lens takes to answer a packet (2 like a real lens, 0 at once)\n"
        "  udisk                 U-disk mode: the lens shows up as a volume (needs root)\n"
        "  models                the models the demo server offers\n"
        "  status                what the lens is and what it has received\n"
        "  help                  this text\n"
        "  quit                  end lens-sim\n");
}

void LensSimConsole::readStandardInput()
{
    bool reading = false;
    {
        std::lock_guard<std::mutex> lock(g_stdinMutex);
        reading = g_stdinConsole != nullptr;
        g_stdinConsole = this;
    }
    if (!reading)
        std::thread(readCommands).detach();
}

void LensSimConsole::say(const QString &text)
{
    *m_out << text << '\n';
    m_out->flush();
}

LensSimConsole::Snapshot LensSimConsole::snapshot() const
{
    Snapshot s;
    s.plugged = m_lens->isPlugged();
    s.onBus = m_lens->isOnBus();
    s.open = m_lens->isOpen();
    s.connects = m_lens->connectCommands();
    s.infoRequests = m_lens->lensInfoRequests();
    s.updatesStarted = m_lens->updatesStarted();
    s.updatesFinished = m_lens->updatesFinished();
    s.packets = m_lens->packetsReceived();
    s.restarts = m_lens->restartCount();
    return s;
}

LensSimConsole::Served LensSimConsole::served(const QString &code)
{
    auto it = m_served.constFind(code);
    if (it != m_served.constEnd())
        return *it;
    Served s;
    if (!m_modelsFolder.isEmpty() && !code.isEmpty()) {
        const QString dir = m_modelsFolder + QLatin1Char('/') + code;
        QFile replyFile(dir + QStringLiteral("/reply.json"));
        if (replyFile.open(QIODevice::ReadOnly)) {
            const QJsonObject data = QJsonDocument::fromJson(replyFile.readAll())
                                         .object()
                                         .value(QStringLiteral("data"))
                                         .toObject();
            s.known = true;
            s.name = data.value(QStringLiteral("model")).toString();
            s.version = data.value(QStringLiteral("version")).toString();
            QFile image(dir + QLatin1Char('/') + data.value(QStringLiteral("dat")).toString());
            if (image.open(QIODevice::ReadOnly))
                s.image = image.readAll();
        }
    }
    m_served.insert(code, s);
    return s;
}

void LensSimConsole::connectionsChanged(int count)
{
    if (count > 0 && m_connections == 0)
        say(QStringLiteral("A program is connected to the simulator."));
    else if (count == 0 && m_connections > 0)
        say(QStringLiteral("The program went away."));
    m_connections = count;
}

void LensSimConsole::poll()
{
    const Snapshot now = snapshot();
    const Snapshot was = m_last;
    m_last = now;

    if (now.restarts > was.restarts) {
        m_restarting = true;
        say(QStringLiteral("Restarting: the lens leaves the bus for %1 ms.").arg(m_lens->restartTime()));
    }
    if (m_restarting && now.onBus) {
        m_restarting = false;
        say(QStringLiteral("Back on the bus, now running %1.").arg(m_lens->firmwareVersion()));
    }
    if (now.open && !was.open)
        say(QStringLiteral("The program opened the lens."));
    if (now.connects > was.connects)
        say(QStringLiteral("Connect command received."));
    if (now.infoRequests > was.infoRequests) {
        say(QStringLiteral("Information request: answered as %1 (%2), serial %3, version %4.")
                .arg(m_lens->modelName(), m_lens->modelCode(), m_lens->serialNumber(),
                    m_lens->firmwareVersion()));
    }
    if (now.updatesStarted > was.updatesStarted) {
        m_progressDecade = 0;
        m_expectedSize = served(m_lens->modelCode()).image.size();
        m_updateClock.start();
        say(QStringLiteral("Update started: the program is sending firmware."));
    }
    if (now.packets != was.packets && now.updatesStarted == now.updatesFinished + 1) {
        const qint64 bytes = qint64(now.packets) * kPacketBytes;
        if (m_expectedSize > 0) {
            const int decade = int(qMin<qint64>(100, bytes * 100 / m_expectedSize) / 10);
            while (m_progressDecade < decade) {
                ++m_progressDecade;
                say(QStringLiteral("Receiving firmware: %1 % (%2 packets)")
                        .arg(m_progressDecade * 10)
                        .arg(now.packets));
            }
        } else if (now.packets / 500 != was.packets / 500) {
            say(QStringLiteral("Receiving firmware: %1 packets (%2 bytes)").arg(now.packets).arg(bytes));
        }
    }
    if (now.updatesFinished > was.updatesFinished) {
        const QByteArray image = m_lens->receivedImage();
        if (m_lens->lastStatus() == 5) {
            say(QStringLiteral("Update succeeded (status 5): %1 bytes in %2 packets, sha256 %3, in %4 s.")
                    .arg(image.size())
                    .arg(m_lens->packetsReceived())
                    .arg(sha256(image))
                    .arg(m_updateClock.isValid() ? m_updateClock.elapsed() / 1000.0 : 0.0, 0, 'f', 1));
        } else {
            say(QStringLiteral("Update failed (status %1)%2.")
                    .arg(m_lens->lastStatus())
                    .arg(m_failArmed
                            ? QStringLiteral(", as told by 'fail'")
                            : QStringLiteral(": packets missing or the image is not for this lens")));
        }
        m_failArmed = false;
    }
    // A program that went away has said so already.
    if (was.open && !now.open && now.onBus && !m_replugPending && m_connections > 0)
        say(QStringLiteral("The program closed the lens."));
}

void LensSimConsole::swapLens(const QString &what)
{
    const bool wasPlugged = m_lens->isPlugged();
    if (wasPlugged) {
        m_lens->unplug();
        m_replugPending = true;
        QTimer::singleShot(kSwapPauseMs, this, [this] {
            m_replugPending = false;
            m_lens->plug();
            say(QStringLiteral("Plugged in again."));
        });
    }
    say(QStringLiteral("Swapped the lens%1: now %2 (%3), serial %4, version %5; after an update %6.")
            .arg(wasPlugged ? QStringLiteral(" (unplugged for a moment)") : QString(), m_lens->modelName(),
                m_lens->modelCode(), m_lens->serialNumber(), m_lens->firmwareVersion(),
                m_lens->versionAfterUpdate().isEmpty() ? QStringLiteral("unchanged")
                                                       : m_lens->versionAfterUpdate())
        + what);
}

void LensSimConsole::execute(const QString &line)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return;
    const QString command = words.first().toLower();
    const QString rest = words.mid(1).join(QLatin1Char(' '));

    if (command == QLatin1String("help") || command == QLatin1String("?")) {
        *m_out << helpText();
        m_out->flush();
    } else if (command == QLatin1String("quit") || command == QLatin1String("exit")) {
        say(QStringLiteral("Bye."));
        emit quitRequested();
    } else if (command == QLatin1String("plug")) {
        if (m_volume) {
            stopUdiskMode(true);
        } else if (m_lens->isPlugged()) {
            say(QStringLiteral("The lens is plugged in already."));
        } else {
            m_lens->plug();
            say(QStringLiteral("Plugged in."));
        }
    } else if (command == QLatin1String("unplug")) {
        if (m_volume)
            stopUdiskMode(false);
        m_lens->unplug();
        say(QStringLiteral("Unplugged."));
    } else if (command == QLatin1String("fail")) {
        m_lens->failNextUpdate();
        m_failArmed = true;
        say(QStringLiteral("The next update will fail (status 6)."));
    } else if (command == QLatin1String("version") && words.size() == 2) {
        m_lens->setFirmwareVersion(words.at(1));
        swapLens(QString());
    } else if (command == QLatin1String("next") && words.size() == 2) {
        m_lens->setVersionAfterUpdate(words.at(1));
        say(QStringLiteral("After a successful update the lens runs %1.").arg(words.at(1)));
    } else if (command == QLatin1String("serial") && words.size() == 2) {
        m_lens->setSerialNumber(words.at(1));
        swapLens(QString());
    } else if (command == QLatin1String("model") && words.size() >= 2) {
        const QString code = words.last();
        Served s = served(code);
        const QString name
            = words.size() > 2 ? words.mid(1, words.size() - 2).join(QLatin1Char(' ')) : s.name;
        if (name.isEmpty()) {
            say(QStringLiteral("The demo server has no model %1; name it: model <name> <code>.").arg(code));
            return;
        }
        const DemoLens *demo = nullptr;
        for (const DemoLens &lens : kDemoLenses) {
            if (code == QLatin1String(lens.code))
                demo = &lens;
        }
        m_lens->setModelName(name);
        m_lens->setModelCode(code);
        // A demo lens comes as the table has it; any other with made-up values.
        m_lens->setSerialNumber(
            demo ? QString::fromLatin1(demo->serialNumber) : code + QStringLiteral("D0000001"));
        if (demo)
            m_lens->setFirmwareVersion(QString::fromLatin1(demo->lensVersion));
        m_lens->setVersionAfterUpdate(s.known ? s.version : QString());
        swapLens(s.known
                ? QString()
                : QStringLiteral("\nThe demo server has no firmware for %1: the program will find none.")
                      .arg(code));
    } else if (command == QLatin1String("restart") && words.size() == 2 && words.at(1).toInt() >= 0) {
        m_lens->setRestartTime(words.at(1).toInt());
        say(QStringLiteral("A restart takes the lens off the bus for %1 ms.").arg(m_lens->restartTime()));
    } else if (command == QLatin1String("pace") && words.size() == 2) {
        bool ok = false;
        const double ms = words.at(1).toDouble(&ok);
        if (!ok || ms < 0 || ms > 1000) {
            say(QStringLiteral("pace takes milliseconds from 0 to 1000, e.g. pace 2."));
            return;
        }
        m_lens->setLatency(int(ms * 1000 + 0.5));
        say(QStringLiteral("The lens answers each report after %1 ms.").arg(m_lens->latency() / 1000.0));
    } else if (command == QLatin1String("udisk")) {
        if (rest == QLatin1String("off"))
            stopUdiskMode(true);
        else
            startUdiskMode();
    } else if (command == QLatin1String("models")) {
        printModels();
    } else if (command == QLatin1String("status")) {
        printStatus();
    } else {
        say(QStringLiteral("Unknown command \"%1\"; type help.").arg(line.trimmed()));
    }
}

void LensSimConsole::printModels()
{
    if (m_modelsFolder.isEmpty()) {
        say(QStringLiteral("No models folder given (--models)."));
        return;
    }
    const QStringList codes = QDir(m_modelsFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &code : codes) {
        const Served s = served(code);
        if (s.known) {
            say(QStringLiteral("  %1  %2, firmware %3 (%4 bytes)")
                    .arg(code, s.name, s.version)
                    .arg(s.image.size()));
        }
    }
}

void LensSimConsole::printStatus()
{
    QString bus;
    if (m_volume)
        bus = QStringLiteral("U-disk mode");
    else if (!m_lens->isPlugged())
        bus = QStringLiteral("unplugged");
    else if (m_lens->isRestarting())
        bus = QStringLiteral("restarting");
    else
        bus = QStringLiteral("plugged in");
    say(QStringLiteral("lens: %1 (%2), serial %3, version %4")
            .arg(
                m_lens->modelName(), m_lens->modelCode(), m_lens->serialNumber(), m_lens->firmwareVersion()));
    say(QStringLiteral("after an update: %1")
            .arg(m_lens->versionAfterUpdate().isEmpty() ? QStringLiteral("unchanged")
                                                        : m_lens->versionAfterUpdate()));
    say(QStringLiteral("bus: %1; %2")
            .arg(bus,
                m_lens->isOpen() ? QStringLiteral("the program has it open")
                                 : QStringLiteral("no program has it open")));
    say(QStringLiteral("updates: %1 started, %2 finished, last status %3")
            .arg(m_lens->updatesStarted())
            .arg(m_lens->updatesFinished())
            .arg(m_lens->lastStatus() < 0 ? QStringLiteral("none") : QString::number(m_lens->lastStatus())));
    const QByteArray image = m_lens->receivedImage();
    say(QStringLiteral("image: %1 bytes in %2 packets, sha256 %3")
            .arg(image.size())
            .arg(m_lens->packetsReceived())
            .arg(sha256(image)));
    const Served s = served(m_lens->modelCode());
    if (!s.image.isEmpty()) {
        say(QStringLiteral("served image: %1 bytes, sha256 %2, %3")
                .arg(s.image.size())
                .arg(sha256(s.image),
                    m_lens->holdsImage(s.image) ? QStringLiteral("held exactly")
                                                : QStringLiteral("not held")));
    } else {
        say(QStringLiteral("served image: none for %1").arg(m_lens->modelCode()));
    }
    if (!m_udiskImage.isEmpty()) {
        say(QStringLiteral("U-disk image: %1 bytes, sha256 %2")
                .arg(m_udiskImage.size())
                .arg(sha256(m_udiskImage)));
    }
    say(QStringLiteral("pace: %1 ms per report").arg(m_lens->latency() / 1000.0));
    say(QStringLiteral("fail next update: %1")
            .arg(m_failArmed ? QStringLiteral("yes") : QStringLiteral("no")));
}

void LensSimConsole::startUdiskMode()
{
#ifdef LENS_SIM_UDISK
    if (m_volume) {
        say(QStringLiteral("Already in U-disk mode, at %1.").arg(m_volume->rootPath()));
        return;
    }
    QString reason;
    if (!UdiskLensVolume::canMount(&reason)) {
        say(QStringLiteral("U-disk mode is not possible here: %1.").arg(reason));
        return;
    }
    auto *volume = new UdiskLensVolume(this);
    if (!volume->mount(kVolumeBytes)
        || !volume->writeDeviceInformation(m_lens->modelName(), m_lens->firmwareVersion())) {
        say(QStringLiteral("U-disk mode failed: %1.").arg(volume->errorString()));
        delete volume;
        return;
    }
    m_lens->unplug();
    m_volume = volume;
    const QString after = m_lens->versionAfterUpdate();
    volume->setTakeDelay(500);
    volume->setComeBack(after.isEmpty() ? m_lens->firmwareVersion() : after, 1500);
    connect(volume, &UdiskLensVolume::firmwareReceived, this, [this](const QByteArray &image, bool accepted) {
        m_udiskImage = image;
        say(QStringLiteral("U-disk: Fw.dat arrived, %1 bytes, sha256 %2; %3.")
                .arg(image.size())
                .arg(sha256(image), accepted ? QStringLiteral("installing it") : QStringLiteral("rejected")));
    });
    connect(volume, &UdiskLensVolume::deviceInformationRemoved, this,
        [this] { say(QStringLiteral("U-disk: the lens removed its information file and restarts.")); });
    connect(volume, &UdiskLensVolume::cameBack, this, [this](const QString &version) {
        m_lens->setFirmwareVersion(version);
        say(QStringLiteral("U-disk: back, now running %1.").arg(version));
    });
    volume->startLens();
    say(QStringLiteral("U-disk mode: the lens left USB HID and shows a volume at %1 holding "
                       "DeviceInformation.txt (%2, %3). 'plug' goes back to HID.")
            .arg(volume->rootPath(), m_lens->modelName(), m_lens->firmwareVersion()));
#else
    say(QStringLiteral("U-disk mode is not built into this lens-sim."));
#endif
}

void LensSimConsole::stopUdiskMode(bool plugHid)
{
#ifdef LENS_SIM_UDISK
    if (!m_volume) {
        say(QStringLiteral("Not in U-disk mode."));
        return;
    }
    delete m_volume;
    m_volume = nullptr;
    say(QStringLiteral("U-disk volume removed."));
#endif
    if (plugHid) {
        m_lens->plug();
        say(QStringLiteral("Plugged in over USB HID."));
    }
}
