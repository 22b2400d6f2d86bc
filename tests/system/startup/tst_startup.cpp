#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One run of the real program with the reporting shim preloaded.
class Run
{
public:
    Run(const QString &tmp, const QString &locale, const QByteArray &action,
        const QString &scaleFactor = QString())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(LENS_STARTUP_SHIM));
        env.insert(QStringLiteral("LENS_SHIM_ACTION"), QString::fromLatin1(action));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LANG"), locale);
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.remove(QStringLiteral("LANGUAGE"));
        // The instance guard's key files live in the temp folder: a folder
        // of this test's own keeps it apart from any other copy running.
        env.insert(QStringLiteral("TMPDIR"), tmp);
        env.insert(QStringLiteral("XDG_STATE_HOME"), tmp + QStringLiteral("/state"));
        env.remove(QStringLiteral("QT_LOGGING_RULES"));
        env.remove(QStringLiteral("QT_SCALE_FACTOR"));
        if (!scaleFactor.isEmpty())
            env.insert(QStringLiteral("QT_SCALE_FACTOR"), scaleFactor);
        process.setProcessEnvironment(env);
        process.setProgram(QStringLiteral(LENS_UPDATER));
    }

    ~Run()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(30000);
        }
    }

    bool start() { return process.start(), process.waitForStarted(30000); }

    // The first shim line starting with kind, split into its fields.
    QStringList waitFor(const QString &kind, int ms = 60000)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            while (process.canReadLine()) {
                const QString line = QString::fromUtf8(process.readLine()).chopped(1);
                lines << line;
                const QStringList fields = line.split(QLatin1Char('\t'));
                if (fields.first() == kind)
                    return fields;
            }
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
                return {};
            process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    QStringList lines;
    QProcess process;
};

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void singleInstance_data();
    void singleInstance();
};

void tst_Startup::singleInstance_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("connect");
    QTest::addColumn<QString>("hint");
    // Qt's own button text: English on a German system, whose program is in
    // English; Chinese from Qt's translation on a Chinese one.
    QTest::addColumn<QString>("cancel");
    // The desktop's scale (QT_SCALE_FACTOR; empty: none) and the ratio the
    // window then has.
    QTest::addColumn<QString>("scaleFactor");
    QTest::addColumn<QString>("pixelRatio");
    QTest::addColumn<QString>("language");
    QTest::newRow("German system") << "de_DE.UTF-8"
                                   << "Tips"
                                   << "The upgrade program has been started, do not open it again!"
                                   << "Connect"
                                   << "Connect the device to your computer via USB"
                                   << "Cancel" << QString() << "1"
                                   << "English";
    QTest::newRow("Traditional Chinese system, scale 2") << "zh_TW.UTF-8"
                                                         << "提示"
                                                         << "升级程序已启动，请勿重复打开！"
                                                         << "开始连接"
                                                         << "请将设备通过USB连接到电脑中"
                                                         << "取消"
                                                         << "2"
                                                         << "2"
                                                         << "Chinese";
}

void tst_Startup::singleInstance()
{
    QFETCH(QString, locale);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, connect);
    QFETCH(QString, hint);
    QFETCH(QString, cancel);
    QFETCH(QString, scaleFactor);
    QFETCH(QString, pixelRatio);
    QFETCH(QString, language);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());

    // The first start shows the main window in the locale's language ...
    Run first(tmp.path(), locale, "watch", scaleFactor);
    first.process.setProcessChannelMode(QProcess::MergedChannels);
    QVERIFY(first.start());
    const QStringList window = first.waitFor(QStringLiteral("window"));
    QVERIFY2(!window.isEmpty(), qPrintable(first.lines.join(QLatin1Char('\n'))));
    QCOMPARE(window.value(1), connect);
    QCOMPARE(window.value(2), hint);
    // Qt scales the window itself on Linux; its layout stays 960 x 540.
    QCOMPARE(window.value(3), QStringLiteral("1"));
    QCOMPARE(window.value(4), pixelRatio);
    QCOMPARE(window.value(5), QStringLiteral("960x540"));
    // ... and keeps running.
    QVERIFY(!first.process.waitForFinished(1000));

    // A second start says so, offers only Cancel and ends with -1.
    {
        Run second(tmp.path(), locale, "cancel");
        second.process.setProcessChannelMode(QProcess::MergedChannels);
        QVERIFY(second.start());
        const QStringList box = second.waitFor(QStringLiteral("box"));
        QVERIFY2(!box.isEmpty(), qPrintable(second.lines.join(QLatin1Char('\n'))));
        QCOMPARE(box.value(1), title);
        QCOMPARE(box.value(2), text);
        QCOMPARE(box.value(3), QString::number(int(0x00400000), 16)); // QMessageBox::Cancel
        QCOMPARE(box.value(4), cancel);
        QVERIFY(second.process.waitForFinished(60000));
        QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process.exitCode(), 255);
        QVERIFY(!second.lines.join(QLatin1Char('\n')).contains(QLatin1String("window\t")));
    }

    // The first one is untouched by that; end it the hard way.
    QCOMPARE(first.process.state(), QProcess::Running);
    first.process.terminate();
    QVERIFY(first.process.waitForFinished(60000));

    // Its guard is left behind, yet the next start runs, and closing its
    // window with the close button ends it with 0.
    Run third(tmp.path(), locale, "close");
    third.process.setProcessChannelMode(QProcess::MergedChannels);
    QVERIFY(third.start());
    QVERIFY2(
        !third.waitFor(QStringLiteral("window")).isEmpty(), qPrintable(third.lines.join(QLatin1Char('\n'))));
    QVERIFY(third.process.waitForFinished(60000));
    QCOMPARE(third.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(third.process.exitCode(), 0);

    // Nothing of the guard is left: the last run took over what the killed
    // one left behind and released it all when it ended.
    const QStringList left = QDir(tmp.path()).entryList({ QStringLiteral("qipc_*") }, QDir::Files);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));

    // All three runs told their log file in the state folder, at info level.
    QFile log(tmp.path() + QStringLiteral("/state/lens-updater/lens-updater.log"));
    QVERIFY2(log.open(QIODevice::ReadOnly), qPrintable(log.fileName()));
    const QString logText = QString::fromUtf8(log.readAll());
    QCOMPARE(logText.count(QStringLiteral(" info lens.app: started 1.0.0 language ") + language), 3);
    QCOMPARE(logText.count(QStringLiteral(" info lens.app: another copy is running")), 1);
    QVERIFY2(logText.contains(QStringLiteral(" info lens.app: ended with 0")), qPrintable(logText));
    QVERIFY2(!logText.contains(QLatin1String(" debug ")), qPrintable(logText));
}

QTEST_GUILESS_MAIN(tst_Startup)

#include "tst_startup.moc"
