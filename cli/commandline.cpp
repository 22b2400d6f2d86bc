#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("CommandLine", source);
}

struct Parser
{
    QCommandLineParser parser;
    QCommandLineOption help { { QStringLiteral("h"), QStringLiteral("help") },
        text(QT_TRANSLATE_NOOP("CommandLine", "显示本帮助并退出。")) };
    QCommandLineOption version { QStringLiteral("version"),
        text(QT_TRANSLATE_NOOP("CommandLine", "显示版本并退出。")) };
    QCommandLineOption verbose { { QStringLiteral("v"), QStringLiteral("verbose") },
        text(QT_TRANSLATE_NOOP("CommandLine", "打印各部分的调试输出（日志类别 lens.*）。")) };
    QCommandLineOption json { QStringLiteral("json"),
        text(QT_TRANSLATE_NOOP("CommandLine", "list 和 check：以 JSON 输出，供脚本使用。")) };
    QCommandLineOption yes { { QStringLiteral("y"), QStringLiteral("yes") },
        text(QT_TRANSLATE_NOOP("CommandLine", "update：对重新写入和降级的提问都回答“是”。")) };
    QCommandLineOption firmware { QStringLiteral("firmware"),
        text(QT_TRANSLATE_NOOP("CommandLine", "update：写入此固件文件，而不从服务器下载。")),
        QStringLiteral("FILE") };
    QCommandLineOption firmwareVersion { QStringLiteral("firmware-version"),
        text(QT_TRANSLATE_NOOP(
            "CommandLine", "update：--firmware 文件的版本（用于版本比较和更新后的检查）。")),
        QStringLiteral("VERSION") };
    QCommandLineOption wait { QStringLiteral("wait"),
        text(QT_TRANSLATE_NOOP("CommandLine", "等待镜头出现的最长秒数（默认 3）。")),
        QStringLiteral("SECONDS"), QStringLiteral("3") };
    QCommandLineOption restartTimeout { QStringLiteral("restart-timeout"),
        text(QT_TRANSLATE_NOOP("CommandLine", "update：等待镜头重启后重新报告的最长秒数（默认 60）。")),
        QStringLiteral("SECONDS"), QStringLiteral("60") };
    // For test servers; not part of the documented interface.
    QCommandLineOption server { QStringLiteral("server"), QStringLiteral("Firmware server origin (testing)."),
        QStringLiteral("ORIGIN") };
    QCommandLineOption caFile { QStringLiteral("ca-file"),
        QStringLiteral("Extra CA certificate, PEM (testing)."), QStringLiteral("FILE") };
    QCommandLineOption volumesUnder { QStringLiteral("volumes-under"),
        QStringLiteral("Only volumes below this folder (testing)."), QStringLiteral("DIR") };

    Parser()
    {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        server.setFlags(QCommandLineOption::HiddenFromHelp);
        caFile.setFlags(QCommandLineOption::HiddenFromHelp);
        volumesUnder.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.setApplicationDescription(description());
        parser.addOptions({ help, version, verbose, json, yes, firmware, firmwareVersion, wait,
            restartTimeout, server, caFile, volumesUnder });
        parser.addPositionalArgument(QStringLiteral("command"),
            text(QT_TRANSLATE_NOOP("CommandLine", "list、check 或 update")),
            QStringLiteral("list|check|update"));
    }

    static QString description()
    {
        return text(QT_TRANSLATE_NOOP("CommandLine",
            "从终端更新自动对焦镜头的固件（USB HID 或 U 盘模式）。\n"
            "\n"
            "命令：\n"
            "  list    列出找到的每个镜头：型号、型号代码、序列号、固件版本（U 盘模式还有卷）。\n"
            "  check   向固件服务器查询每个镜头的最新固件，显示当前版本、最新版本和更新说明。\n"
            "  update  更新唯一连接着的镜头：下载（或读取 --firmware "
            "文件）、检查、传输、等待重启并检查新版本。"));
    }
};

bool seconds(const QString &value, int *ms)
{
    bool ok = false;
    const double s = value.toDouble(&ok);
    if (!ok || s < 0 || s > 3600)
        return false;
    *ms = int(s * 1000);
    return true;
}

} // namespace

CommandLine::Outcome CommandLine::parse(const QStringList &arguments, CliOptions *options, QString *message)
{
    Parser p;
    if (!p.parser.parse(arguments)) {
        *message = p.parser.errorText();
        return Outcome::Error;
    }
    if (p.parser.isSet(p.help))
        return Outcome::Help;
    if (p.parser.isSet(p.version))
        return Outcome::Version;

    const QStringList positional = p.parser.positionalArguments();
    if (positional.size() != 1) {
        *message = positional.isEmpty()
            ? text(QT_TRANSLATE_NOOP("CommandLine", "缺少命令（list、check 或 update）。"))
            : text(QT_TRANSLATE_NOOP("CommandLine", "只能给出一个命令。"));
        return Outcome::Error;
    }
    const QString command = positional.first();
    if (command == QLatin1String("list")) {
        options->command = CliOptions::Command::List;
    } else if (command == QLatin1String("check")) {
        options->command = CliOptions::Command::Check;
    } else if (command == QLatin1String("update")) {
        options->command = CliOptions::Command::Update;
    } else {
        *message = text(QT_TRANSLATE_NOOP("CommandLine", "未知命令：%1")).arg(command);
        return Outcome::Error;
    }

    options->verbose = p.parser.isSet(p.verbose);
    options->json = p.parser.isSet(p.json);
    options->assumeYes = p.parser.isSet(p.yes);
    options->firmwareFile = p.parser.value(p.firmware);
    options->firmwareVersion = p.parser.value(p.firmwareVersion);
    options->serverOrigin = p.parser.value(p.server);
    options->caFile = p.parser.value(p.caFile);
    options->volumesUnder = p.parser.value(p.volumesUnder);

    const bool update = options->command == CliOptions::Command::Update;
    if (options->json && update) {
        *message = text(QT_TRANSLATE_NOOP("CommandLine", "--json 只用于 list 和 check。"));
        return Outcome::Error;
    }
    if (!update && (options->assumeYes || p.parser.isSet(p.firmware) || p.parser.isSet(p.firmwareVersion))) {
        *message = text(
            QT_TRANSLATE_NOOP("CommandLine", "--yes、--firmware 和 --firmware-version 只用于 update。"));
        return Outcome::Error;
    }
    if (p.parser.isSet(p.firmwareVersion) && !p.parser.isSet(p.firmware)) {
        *message = text(QT_TRANSLATE_NOOP("CommandLine", "--firmware-version 需要同时给出 --firmware。"));
        return Outcome::Error;
    }
    if (!seconds(p.parser.value(p.wait), &options->waitMs)
        || !seconds(p.parser.value(p.restartTimeout), &options->restartTimeoutMs)) {
        *message = text(QT_TRANSLATE_NOOP("CommandLine", "秒数无效。"));
        return Outcome::Error;
    }
    return Outcome::Run;
}

QString CommandLine::helpText()
{
    Parser p;
    QString help = p.parser.helpText();
    help += QLatin1Char('\n') + text(QT_TRANSLATE_NOOP("CommandLine", "退出码：")) + QLatin1Char('\n');
    help += QStringLiteral("  0  ") + text(QT_TRANSLATE_NOOP("CommandLine", "成功（或无事可做）"))
        + QLatin1Char('\n');
    help += QStringLiteral("  1  ") + text(QT_TRANSLATE_NOOP("CommandLine", "失败（包括 Ctrl-C 中断）"))
        + QLatin1Char('\n');
    help += QStringLiteral("  2  ") + text(QT_TRANSLATE_NOOP("CommandLine", "用法错误")) + QLatin1Char('\n');
    help += QStringLiteral("  3  ") + text(QT_TRANSLATE_NOOP("CommandLine", "没有镜头")) + QLatin1Char('\n');
    help += QStringLiteral("  4  ") + text(QT_TRANSLATE_NOOP("CommandLine", "无法连接固件服务器"))
        + QLatin1Char('\n');
    help += QStringLiteral("  5  ")
        + text(
            QT_TRANSLATE_NOOP("CommandLine", "被检查拒绝（固件不属于该镜头、提问回答“否”、连接着多个镜头）"))
        + QLatin1Char('\n');
    return help;
}

QString CommandLine::versionText()
{
    return QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion();
}
