#include "commandrunner.h"

#include "catalogue/lenscatalogue.h"
#include "clilog.h"
#include "exitcode.h"
#include "interruptwatcher.h"
#include "lensfinder.h"
#include "net/devicefirmwareprocess.h"
#include "protocol/updateprocess.h"
#include "protocol/versionhelper.h"
#include "terminal.h"
#include "udisk/udiskdevice.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>

#include <algorithm>

namespace {

// A HID lens and a lens volume may show up a moment apart; listing stops no
// earlier than this, so the slower of the two is not missed.
constexpr int kMinimumFindMs = 700;

// The window's own texts, with the window's translations.
QString windowText(const char *text)
{
    return QCoreApplication::translate("Widget", text);
}

QString networkErrorName(QNetworkReply::NetworkError error)
{
    const char *name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
    return name ? QString::fromLatin1(name) : QString::number(int(error));
}

// Errors below the HTTP layer (connection, host, TLS, time-out, proxy):
// the server was not reached at all.
bool isUnreachable(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError && int(error) < int(QNetworkReply::ContentAccessDenied);
}

} // namespace

CommandRunner::CommandRunner(const CliOptions &options, Terminal *terminal, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_terminal(terminal)
{
    m_waitTimer.setSingleShot(true);
    connect(&m_waitTimer, &QTimer::timeout, this, &CommandRunner::lensesFound);
    m_stallTimer.setSingleShot(true);
    connect(&m_stallTimer, &QTimer::timeout, this, &CommandRunner::onStalled);
    m_restartTimer.setSingleShot(true);
    connect(&m_restartTimer, &QTimer::timeout, this, [this] {
        if (m_phase != Phase::Restarting)
            return;
        if (!m_lastReportedVersion.isEmpty()) {
            m_terminal->printError(
                tr("镜头更新后报告的版本为 %1，而不是 %2。").arg(m_lastReportedVersion, m_offeredVersion));
        } else {
            m_terminal->printError(tr("镜头在 %1 秒内没有重新连接。固件已写入，但新版本未经确认。")
                                       .arg(m_options.restartTimeoutMs / 1000));
        }
        finish(ExitCode::Failure);
    });
}

CommandRunner::~CommandRunner() = default;

void CommandRunner::start()
{
    m_sinceStart.start();
    m_interrupts = new InterruptWatcher(this);
    connect(m_interrupts, &InterruptWatcher::interrupted, this, &CommandRunner::onInterrupted);

    m_finder = new LensFinder(this);
    connect(m_finder, &LensFinder::changed, this, &CommandRunner::onFinderChanged);
    connect(m_finder, &LensFinder::hidLensRemoved, this, &CommandRunner::onHidRemoved);
    connect(m_finder, &LensFinder::hidLensReported, this, &CommandRunner::onHidReported);
    connect(m_finder->protocol(), &UpdateProcess::updateProcess, this, &CommandRunner::onTransferProgress);
    connect(m_finder->protocol(), &UpdateProcess::updateStatus, this,
        [this](uint8_t status) { onUpdateStatus(status); });
    m_finder->setVolumeFilter(m_options.volumesUnder);
    m_finder->start();
    m_waitTimer.start(qMax(m_options.waitMs, kMinimumFindMs));
    QTimer::singleShot(kMinimumFindMs, this, &CommandRunner::onFinderChanged);
}

void CommandRunner::onFinderChanged()
{
    if (m_phase != Phase::Finding)
        return;
    if (m_sinceStart.elapsed() < kMinimumFindMs || !m_finder->settled() || m_finder->lenses().isEmpty())
        return;
    lensesFound();
}

void CommandRunner::lensesFound()
{
    if (m_phase != Phase::Finding)
        return;
    m_waitTimer.stop();
    const QList<LensRecord> lenses = m_finder->lenses();
    if (lenses.isEmpty() && m_finder->hidLensCount() == 0) {
        if (m_options.json && m_options.command != CliOptions::Command::Update) {
            QJsonObject root;
            root.insert(QStringLiteral("lenses"), QJsonArray());
            m_terminal->print(
                QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)).trimmed());
        }
        m_terminal->printError(tr("未找到镜头。请通过 USB 连接镜头（HID 模式或 U 盘模式）。"));
        finish(ExitCode::NoLens);
        return;
    }
    if (lenses.isEmpty()) {
        m_terminal->printError(tr("找到了 HID 镜头，但它没有报告自己的信息。"));
        finish(ExitCode::Failure);
        return;
    }
    switch (m_options.command) {
    case CliOptions::Command::List:
        runList();
        break;
    case CliOptions::Command::Check:
        runCheck();
        break;
    case CliOptions::Command::Update:
        runUpdate();
        break;
    }
}

QString CommandRunner::linkName(const LensRecord &lens)
{
    return lens.link == LensRecord::Link::Hid ? QStringLiteral("hid") : QStringLiteral("udisk");
}

QString CommandRunner::describe(const LensRecord &lens) const
{
    QStringList lines;
    lines << (lens.link == LensRecord::Link::Hid ? tr("镜头（HID）") : tr("镜头（U 盘模式）"));
    lines << QStringLiteral("  ") + windowText("产品型号 ： ") + lens.modelName;
    lines << QStringLiteral("  ") + tr("型号代码 ： ") + lens.modelCode;
    if (lens.link == LensRecord::Link::Hid)
        lines << QStringLiteral("  ") + windowText("序列号  ： ") + lens.serialNumber;
    lines << QStringLiteral("  ") + windowText("当前版本 ： ") + lens.version;
    if (lens.link == LensRecord::Link::Udisk)
        lines << QStringLiteral("  ") + tr("卷 ： ") + lens.volumeRoot;
    return lines.join(QLatin1Char('\n'));
}

QJsonObject CommandRunner::lensJson(const LensRecord &lens) const
{
    QJsonObject object;
    object.insert(QStringLiteral("link"), linkName(lens));
    object.insert(QStringLiteral("modelName"), lens.modelName);
    object.insert(QStringLiteral("modelCode"), lens.modelCode);
    object.insert(QStringLiteral("serialNumber"), lens.serialNumber);
    object.insert(QStringLiteral("version"), lens.version);
    object.insert(QStringLiteral("volume"),
        lens.link == LensRecord::Link::Udisk ? QJsonValue(lens.volumeRoot) : QJsonValue(QJsonValue::Null));
    return object;
}

void CommandRunner::runList()
{
    const QList<LensRecord> lenses = m_finder->lenses();
    const int hidCount = m_finder->hidLensCount();
    if (m_options.json) {
        QJsonArray array;
        for (const LensRecord &lens : lenses)
            array.append(lensJson(lens));
        QJsonObject root;
        root.insert(QStringLiteral("lenses"), array);
        root.insert(QStringLiteral("hidLensesAttached"), hidCount);
        m_terminal->print(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)).trimmed());
    } else {
        QStringList blocks;
        for (const LensRecord &lens : lenses)
            blocks << describe(lens);
        m_terminal->print(blocks.join(QStringLiteral("\n\n")));
    }
    if (hidCount > 1)
        m_terminal->printError(tr("有 %1 个 HID 镜头连接着；一次只能读取其中一个。").arg(hidCount));
    finish(ExitCode::Success);
}

DeviceFirmwareProcess *CommandRunner::firmwareClient()
{
    if (m_client)
        return m_client;
    DeviceFirmwareProcess::Endpoints endpoints = DeviceFirmwareProcess::builtInEndpoints();
    if (!m_options.serverOrigin.isEmpty())
        endpoints.origin = m_options.serverOrigin;
    // Only the query itself tells whether the server can be reached.
    endpoints.probeIntervalMs = 0;
    m_client = new DeviceFirmwareProcess(endpoints, this);
    connect(m_client, &DeviceFirmwareProcess::queryFailed, this,
        [this](QNetworkReply::NetworkError error) { m_networkError = error; });
    connect(m_client, &DeviceFirmwareProcess::hasDeviceMessage, this, &CommandRunner::onQueryAnswered);
    connect(m_client, &DeviceFirmwareProcess::getServerMessage, this,
        [this](DeviceFirmwareProcess::GetServerMsg message) {
            switch (message) {
            case DeviceFirmwareProcess::ReplyParseError:
            case DeviceFirmwareProcess::ReplyRejected:
                onQueryFailed();
                break;
            case DeviceFirmwareProcess::FirmwareReceived:
                if (m_phase == Phase::Downloading)
                    onFirmwareReady(m_client->firmwareData());
                break;
            case DeviceFirmwareProcess::FirmwareEmpty:
                if (m_phase == Phase::Downloading) {
                    m_terminal->printError(tr("固件下载失败。"));
                    finish(ExitCode::Failure);
                }
                break;
            default:
                break;
            }
        });
    connect(
        m_client, &DeviceFirmwareProcess::fileDownloadProcess, this, [this](qint64 received, qint64 total) {
            if (m_phase != Phase::Downloading || total <= 0)
                return;
            m_meter.setTotal(total);
            m_terminal->progress(m_meter, 100.0 * double(received) / double(total));
        });
    return m_client;
}

void CommandRunner::startQuery(const LensRecord &lens)
{
    m_current = lens;
    m_offer = Offer();
    m_networkError = QNetworkReply::NoError;
    // A lens in U-disk mode has no serial number; the server takes its model
    // code followed by seven zeros.
    const QString serial
        = lens.link == LensRecord::Link::Hid ? lens.serialNumber : lens.modelCode + QStringLiteral("0000000");
    qCDebug(lcCli) << "asking the server for" << lens.modelCode << serial << lens.version;
    firmwareClient()->requestLatestFirmware(lens.modelCode, serial, lens.version);
}

void CommandRunner::onQueryAnswered()
{
    if (m_phase != Phase::Querying && m_phase != Phase::Downloading)
        return;
    m_offer.answered = true;
    m_offer.model = m_client->model();
    m_offer.nickname = m_client->nickname();
    m_offer.version = m_client->latestVersion();
    m_offer.releaseNotes = m_client->releaseNotes().trimmed();
    if (m_phase == Phase::Querying) {
        queryNext();
        return;
    }
    m_offeredVersion = m_offer.version;
    m_terminal->print(windowText("最新版本 ： ") + m_offer.version);
    if (!m_offer.releaseNotes.isEmpty())
        m_terminal->print(m_offer.releaseNotes);
    m_meter = ProgressMeter();
    m_terminal->startProgress(tr("正在下载固件"));
}

void CommandRunner::onQueryFailed()
{
    if (m_phase != Phase::Querying && m_phase != Phase::Downloading)
        return;
    m_offer.unreachable = isUnreachable(m_networkError);
    if (m_offer.unreachable) {
        m_offer.error = tr("无法连接固件服务器（%1）。").arg(networkErrorName(m_networkError));
    } else {
        m_offer.error = tr("固件服务器没有型号 %1 的固件。").arg(m_current.modelCode);
    }
    if (m_phase == Phase::Querying) {
        queryNext();
        return;
    }
    m_terminal->printError(m_offer.error);
    finish(m_offer.unreachable ? ExitCode::ServerUnreachable : ExitCode::Failure);
}

QString CommandRunner::comparisonText(const QString &latest, const QString &installed) const
{
    switch (VersionHelper().compareVersion(latest, installed)) {
    case 0:
        return QStringLiteral("same");
    case 1:
        return QStringLiteral("different");
    case -1:
        return QStringLiteral("testBuildOfInstalled");
    default:
        return QStringLiteral("notComparable");
    }
}

void CommandRunner::runCheck()
{
    m_phase = Phase::Querying;
    m_queue = m_finder->lenses();
    queryNext();
}

void CommandRunner::queryNext()
{
    // Store the answer of the lens just asked about.
    if (m_current.isPresent()) {
        QJsonObject object = lensJson(m_current);
        if (m_offer.answered) {
            object.insert(QStringLiteral("latestVersion"), m_offer.version);
            object.insert(QStringLiteral("releaseNotes"), m_offer.releaseNotes);
            object.insert(QStringLiteral("comparison"), comparisonText(m_offer.version, m_current.version));
            object.insert(QStringLiteral("error"), QJsonValue(QJsonValue::Null));
        } else {
            object.insert(QStringLiteral("latestVersion"), QJsonValue(QJsonValue::Null));
            object.insert(QStringLiteral("error"), m_offer.error);
            if (m_offer.unreachable)
                m_networkFailed = true;
            else
                m_checkExit = ExitCode::Failure;
        }
        m_checkResults.append(object);
        if (!m_options.json) {
            QStringList lines;
            lines << describe(m_current);
            if (m_offer.answered) {
                lines << QStringLiteral("  ") + windowText("最新版本 ： ") + m_offer.version;
                const int compared = VersionHelper().compareVersion(m_offer.version, m_current.version);
                lines << QStringLiteral("  ")
                        + (compared == 0         ? tr("镜头已是最新固件。")
                                : compared == -1 ? tr("服务器提供的是镜头当前版本的测试版。")
                                                 : tr("有可用的更新。"));
                if (!m_offer.releaseNotes.isEmpty()) {
                    lines << QStringLiteral("  ") + tr("更新说明：");
                    const QStringList notes = m_offer.releaseNotes.split(QLatin1Char('\n'));
                    for (const QString &note : notes)
                        lines << QStringLiteral("    ") + note;
                }
            } else {
                lines << QStringLiteral("  ") + m_offer.error;
            }
            m_terminal->print(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        }
        m_current = LensRecord();
    }

    while (!m_queue.isEmpty()) {
        const LensRecord lens = m_queue.takeFirst();
        if (lens.modelCode.isEmpty()) {
            // The catalogue does not know this lens; the window does not
            // offer it either.
            m_current = lens;
            m_offer = Offer();
            m_offer.error = tr("型号 %1 不在镜头目录中。").arg(lens.modelName);
            queryNext();
            return;
        }
        startQuery(lens);
        return;
    }

    if (m_options.json) {
        QJsonObject root;
        root.insert(QStringLiteral("lenses"), m_checkResults);
        m_terminal->print(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)).trimmed());
    }
    finish(m_networkFailed ? ExitCode::ServerUnreachable : m_checkExit);
}

void CommandRunner::runUpdate()
{
    const QList<LensRecord> lenses = m_finder->lenses();
    const int hidCount = m_finder->hidLensCount();
    const int udiskCount = int(std::count_if(lenses.cbegin(), lenses.cend(),
        [](const LensRecord &lens) { return lens.link == LensRecord::Link::Udisk; }));
    if (qMax(hidCount, lenses.size() - udiskCount) + udiskCount > 1) {
        QStringList blocks;
        for (const LensRecord &lens : lenses)
            blocks << describe(lens);
        m_terminal->printError(blocks.join(QStringLiteral("\n\n")));
        m_terminal->printError(tr("连接着不止一个镜头。一次只更新一个镜头：请只保留要更新的那个。"));
        finish(ExitCode::Refused);
        return;
    }
    m_target = lenses.first();
    m_terminal->print(describe(m_target));

    if (!m_options.firmwareFile.isEmpty()) {
        QFile file(m_options.firmwareFile);
        if (!file.open(QIODevice::ReadOnly)) {
            m_terminal->printError(tr("无法读取 %1：%2").arg(m_options.firmwareFile, file.errorString()));
            finish(ExitCode::Failure);
            return;
        }
        // A local image is taken for what its header says; the server is
        // not asked, so this works without a network.
        m_offeredVersion = m_options.firmwareVersion;
        m_offer = Offer();
        m_offer.answered = true;
        m_offer.version = m_offeredVersion.toLower();
        if (LensCatalogue::shortHeaderNicknames().contains(m_target.modelCode))
            m_offer.nickname = m_target.modelCode;
        const QByteArray image = file.readAll();
        m_offer.model = DeviceFirmwareProcess::imageModelName(image, m_offer.nickname);
        m_phase = Phase::Downloading;
        onFirmwareReady(image);
        return;
    }

    if (m_target.modelCode.isEmpty()) {
        m_terminal->printError(tr("型号 %1 不在镜头目录中。").arg(m_target.modelName));
        finish(ExitCode::Refused);
        return;
    }
    m_phase = Phase::Downloading;
    startQuery(m_target);
}

void CommandRunner::onFirmwareReady(const QByteArray &image)
{
    m_terminal->endProgress();
    m_image = image;
    decideAndStart();
}

void CommandRunner::decideAndStart()
{
    const QString imageModel = DeviceFirmwareProcess::imageModelName(m_image, m_offer.nickname);
    const UpdateDecision decision
        = UpdateDecision::decide(m_target, m_offer.model, m_offer.version, imageModel);
    switch (decision.verdict) {
    case UpdateDecision::Refuse:
        m_terminal->printError(QStringLiteral("error -1: ") + decision.reason);
        finish(ExitCode::Refused);
        return;
    case UpdateDecision::AskRewrite:
        if (!m_terminal->ask(
                windowText("当前连接设备版本与软件版本一致，是否重新写入？"), m_options.assumeYes)) {
            m_terminal->print(tr("未更新。"));
            finish(ExitCode::Refused);
            return;
        }
        break;
    case UpdateDecision::AskDowngrade:
        if (!m_terminal->ask(windowText("当前连接设备版本(") + m_target.version
                    + windowText(")较新，是否降为 ") + m_offer.version + windowText("？"),
                m_options.assumeYes)) {
            m_terminal->print(tr("未更新。"));
            finish(ExitCode::Refused);
            return;
        }
        break;
    case UpdateDecision::Proceed:
        break;
    }
    if (m_target.link == LensRecord::Link::Hid)
        startHidTransfer();
    else
        startUdiskWrite();
}

void CommandRunner::startHidTransfer()
{
    if (!m_finder->hidConnected()) {
        m_terminal->printError(windowText("设备断开！"));
        finish(ExitCode::Failure);
        return;
    }
    m_phase = Phase::Transferring;
    m_percent = 0.0;
    m_meter = ProgressMeter(m_image.size());
    m_terminal->startProgress(tr("正在更新"));
    m_stallTimer.start(m_options.stallTimeoutMs);
    m_finder->protocol()->startFirmwareUpdate(m_image);
}

void CommandRunner::onTransferProgress(float percent)
{
    if (m_phase != Phase::Transferring)
        return;
    m_percent = double(percent);
    m_stallTimer.start(m_options.stallTimeoutMs);
    m_terminal->progress(m_meter, m_percent);
    if (percent >= 100.0f)
        m_terminal->print(tr("所有数据已发送，镜头正在写入固件……"));
}

void CommandRunner::onUpdateStatus(quint8 status)
{
    if (m_phase != Phase::Transferring)
        return;
    if (status == UpdateProcess::STATUS_FAILURE) {
        m_stallTimer.stop();
        m_terminal->printError(windowText("更新失败！"));
        m_terminal->printError(tr("镜头拒绝了固件，仍保留版本 %1。").arg(m_target.version));
        finish(ExitCode::Failure);
        return;
    }
    if (status != UpdateProcess::STATUS_SUCCESS)
        return;
    m_stallTimer.stop();
    m_phase = Phase::Restarting;
    m_reconnected = false;
    m_terminal->print(windowText("更新成功！正在重启中..."));
    m_finder->requestLensInfo();
    m_restartTimer.start(m_options.restartTimeoutMs);
}

void CommandRunner::onHidRemoved()
{
    if (m_phase == Phase::Restarting) {
        // The lens restarts with its new firmware; this is expected once.
        m_reconnected = true;
        return;
    }
    if (m_phase != Phase::Transferring)
        return;
    m_stallTimer.stop();
    const QString state = transferState();
    m_finder->protocol()->abort();
    m_terminal->printError(windowText("设备断开！"));
    m_terminal->printError(state);
    finish(ExitCode::Failure);
}

void CommandRunner::onHidReported(const LensRecord &lens)
{
    if (m_phase != Phase::Restarting)
        return;
    const bool keepsConnection = lens.modelCode == LensCatalogue::noRestartModelCode();
    const bool versionKnown = !m_offeredVersion.isEmpty();
    const bool expected
        = versionKnown && UpdateDecision::installedVersionReported(m_offeredVersion, lens.version);
    m_lastReportedVersion = lens.version;
    // Before the restart the lens may still answer with its old version.
    if (!expected && !m_reconnected && !keepsConnection)
        return;
    m_restartTimer.stop();
    if (versionKnown && !expected) {
        m_terminal->printError(
            tr("镜头更新后报告的版本为 %1，而不是 %2。").arg(lens.version, m_offeredVersion));
        finish(ExitCode::Failure);
        return;
    }
    m_terminal->print(windowText("更新成功！"));
    m_terminal->print(windowText("当前镜头版本 ： ") + lens.version);
    finish(ExitCode::Success);
}

void CommandRunner::startUdiskWrite()
{
    UdiskDevice *device = m_finder->udiskDevice(m_target.volumeRoot);
    if (!device) {
        m_terminal->printError(windowText("设备断开！"));
        finish(ExitCode::Failure);
        return;
    }
    m_phase = Phase::Writing;
    m_terminal->print(tr("正在把 Fw.dat 写入 %1，并等待镜头取走……").arg(m_target.volumeRoot));
    connect(
        device, &UdiskDevice::updateStateChanged, this, &CommandRunner::onUdiskState, Qt::UniqueConnection);
    // The handler of this one volume writes to its root only. Queued: its
    // waits are local event loops of their own.
    QMetaObject::invokeMethod(device, "updateHandle", Qt::QueuedConnection, Q_ARG(QByteArray, m_image),
        Q_ARG(QString, m_target.volumeRoot));
}

void CommandRunner::onUdiskState(int state)
{
    if (m_phase != Phase::Writing)
        return;
    switch (state) {
    case 0:
        m_terminal->print(windowText("更新成功！"));
        finish(ExitCode::Success);
        break;
    case 1:
        m_terminal->printError(windowText("更新失败！"));
        m_terminal->printError(tr("无法把 Fw.dat 完整写入 %1。").arg(m_target.volumeRoot));
        finish(ExitCode::Failure);
        break;
    default:
        m_terminal->printError(windowText("设备断开！"));
        finish(ExitCode::Failure);
        break;
    }
}

QString CommandRunner::transferState() const
{
    const qint64 sent = qint64(double(m_image.size()) * m_percent / 100.0);
    return tr("传输停止于 %1%（%2 / %3）。镜头只收到了部分固件，也没有收到结束命令：它不会安装这些数据，"
              "仍是版本 %4。请重新连接镜头后再次更新。")
        .arg(m_percent, 0, 'f', 1)
        .arg(ProgressMeter::bytes(sent), ProgressMeter::bytes(m_image.size()), m_target.version);
}

void CommandRunner::onStalled()
{
    if (m_phase != Phase::Transferring)
        return;
    const QString state = transferState();
    m_finder->protocol()->abort();
    m_terminal->printError(tr("镜头 %1 秒没有应答。").arg(m_options.stallTimeoutMs / 1000));
    m_terminal->printError(state);
    finish(ExitCode::Failure);
}

void CommandRunner::onInterrupted()
{
    ++m_interruptCount;
    switch (m_phase) {
    case Phase::Transferring: {
        const UpdateProcess::TransferPhase transfer = m_finder->protocol()->transferPhase();
        if (transfer == UpdateProcess::TransferPhase::Finishing && m_interruptCount == 1) {
            m_terminal->printError(tr("镜头正在写入固件，现在中断可能使它没有可用的固件。正在等待它完成（再按"
                                      "一次 Ctrl-C 强制退出）。"));
            return;
        }
        if (transfer == UpdateProcess::TransferPhase::Finishing) {
            m_finder->protocol()->abort();
            m_terminal->printError(
                tr("已在镜头写入固件时退出。请重新连接镜头，并用 lens-update list 查看它的版本。"));
            finish(ExitCode::Failure);
            return;
        }
        m_stallTimer.stop();
        const QString state = transferState();
        m_finder->protocol()->abort();
        m_terminal->printError(tr("已中断。"));
        m_terminal->printError(state);
        finish(ExitCode::Failure);
        return;
    }
    case Phase::Writing:
        if (m_interruptCount == 1) {
            m_terminal->printError(tr("Fw.dat 的写入不能中断；正在等待镜头取走它。"));
            return;
        }
        break;
    case Phase::Restarting:
        m_terminal->printError(tr("已中断。固件已写入，镜头正在重启；新版本未经确认。"));
        finish(ExitCode::Failure);
        return;
    default:
        break;
    }
    m_terminal->printError(tr("已中断。镜头未被改动。"));
    finish(ExitCode::Failure);
}

void CommandRunner::finish(int exitCode)
{
    if (m_phase == Phase::Done)
        return;
    m_phase = Phase::Done;
    m_waitTimer.stop();
    m_stallTimer.stop();
    m_restartTimer.stop();
    m_terminal->endProgress();
    qCDebug(lcCli) << "exit code" << exitCode;
    emit finished(exitCode);
}
