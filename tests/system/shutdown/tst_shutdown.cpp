#include <QProcess>

#include <QRegularExpression>
#include <QTest>
#include <unistd.h>

// Closing the window ends the program promptly with 0, whatever the
// workers are doing at that moment.
class tst_Shutdown : public QObject
{
    Q_OBJECT

private slots:
    void closeReturnsPromptly_data();
    void closeReturnsPromptly();
};

void tst_Shutdown::closeReturnsPromptly_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("idle, lens connected") << "idle";
    QTest::newRow("during a transfer") << "transfer";
    QTest::newRow("while the U-disk thread waits") << "udiskwait";
}

void tst_Shutdown::closeReturnsPromptly()
{
    QFETCH(QString, mode);
    if (mode == QLatin1String("udiskwait") && ::geteuid() != 0)
        QSKIP("mounting a lens volume needs root");

    QProcess probe;
    probe.setProcessChannelMode(QProcess::SeparateChannels);
    probe.start(QStringLiteral(LENS_SHUTDOWN_PROBE), { mode });
    QVERIFY(probe.waitForStarted());
    QVERIFY2(probe.waitForFinished(60000), "the program did not end");
    const QString out = QString::fromLocal8Bit(probe.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(probe.readAllStandardError());
    qDebug().noquote() << out.trimmed();
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QVERIFY2(probe.exitCode() == 0,
        qPrintable(QStringLiteral("exit code %1\n").arg(probe.exitCode()) + err.right(2000)));

    const QRegularExpressionMatch match
        = QRegularExpression(QStringLiteral("closed-to-exit-ms (-?\\d+)")).match(out);
    QVERIFY(match.hasMatch());
    const int ms = match.captured(1).toInt();
    QVERIFY(ms >= 0);
    // The HID reader finishes within one 200 ms read slice; the U-disk wait
    // alone would take 9 s if it were not cut short.
    QVERIFY2(ms < 3000, qPrintable(QStringLiteral("took %1 ms").arg(ms)));
}

QTEST_GUILESS_MAIN(tst_Shutdown)

#include "tst_shutdown.moc"
