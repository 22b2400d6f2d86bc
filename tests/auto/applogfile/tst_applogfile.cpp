#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

#include "app/applogfile.h"

Q_LOGGING_CATEGORY(lcTestLens, "lens.test")
Q_LOGGING_CATEGORY(lcOther, "other.test")

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_AppLogFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void whatGoesIn();
    void redaction_data();
    void redaction();
    void rotatesIntoTwoFiles();
    void defaultPath_data();
    void defaultPath();

private:
    QByteArray savedStateHome;
};

void tst_AppLogFile::init()
{
    AppLogFile::useDefaultRules();
    savedStateHome = qgetenv("XDG_STATE_HOME");
}

void tst_AppLogFile::cleanup()
{
    QLoggingCategory::setFilterRules(QString());
    qputenv("XDG_STATE_HOME", savedStateHome);
}

void tst_AppLogFile::whatGoesIn()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("state/lens-updater/test.log"));
    {
        AppLogFile log(path);
        log.install();
        qCInfo(lcTestLens) << "lens connected";
        qCWarning(lcTestLens) << "write failed";
        qCDebug(lcTestLens) << "a debug line";
        qCInfo(lcOther) << "not ours";
        qInfo() << "no category of ours";
        QLoggingCategory::setFilterRules(QStringLiteral("lens.*.debug=true"));
        qCDebug(lcTestLens) << "debug asked for";
    }
    // Uninstalled with the object.
    qCInfo(lcTestLens) << "after the end";

    const QByteArray text = contents(path);
    QVERIFY2(text.contains(" info lens.test: lens connected\n"), text.constData());
    QVERIFY2(text.contains(" warning lens.test: write failed\n"), text.constData());
    QVERIFY2(text.contains(" debug lens.test: debug asked for\n"), text.constData());
    QVERIFY(!text.contains("a debug line"));
    QVERIFY(!text.contains("not ours"));
    QVERIFY(!text.contains("no category of ours"));
    QVERIFY(!text.contains("after the end"));
    QCOMPARE(text.count('\n'), 3);
}

void tst_AppLogFile::redaction_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("written");
    QTest::newRow("query URL")
        << "latest version query: https://h/v1/firmware/latest/version/AF85?sn=AF85D0000417&ver=V1.0.3"
        << "latest version query: https://h/v1/firmware/latest/version/AF85?sn=(hidden)&ver=V1.0.3";
    QTest::newRow("last parameter") << "GET /x?ver=1&sn=ABC123"
                                    << "GET /x?ver=1&sn=(hidden)";
    QTest::newRow("quoted") << "url \"https://h/?sn=ABC\""
                            << "url \"https://h/?sn=(hidden)\"";
    QTest::newRow("a word sn= is left") << "isn=1 sn=2"
                                        << "isn=1 sn=2";
    QTest::newRow("lines joined") << "first\nsecond"
                                  << "first | second";
}

void tst_AppLogFile::redaction()
{
    QFETCH(QString, message);
    QFETCH(QString, written);
    QCOMPARE(AppLogFile::redact(message), written);
}

void tst_AppLogFile::rotatesIntoTwoFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("r.log"));
    const qint64 limit = 4096;
    AppLogFile log(path, limit);
    const QString line = QString(100, QLatin1Char('x'));
    // About 135 bytes a line: some 30 lines fill a file.
    for (int i = 0; i < 200; ++i)
        log.write(QtInfoMsg, "lens.test", QStringLiteral("%1 ").arg(i, 3, 10, QLatin1Char('0')) + line);

    QVERIFY(QFile::exists(log.previousPath()));
    QVERIFY(!QFile::exists(path + QStringLiteral(".2")));
    const QByteArray current = contents(path);
    const QByteArray previous = contents(log.previousPath());
    QVERIFY(current.size() <= limit);
    QVERIFY(previous.size() <= limit);
    QVERIFY(previous.size() > limit - 200);
    // The newest line is in the current file, the lines before it in the
    // previous one, the oldest are gone.
    QVERIFY(current.contains(" lens.test: 199 "));
    QVERIFY(previous.endsWith('\n'));
    const int firstCurrent = current.mid(current.indexOf(": ") + 2, 3).toInt();
    QVERIFY2(previous.contains(": " + QByteArray::number(firstCurrent - 1) + " "),
        previous.right(200).constData());
    QVERIFY(!previous.contains(" lens.test: 000 "));
}

void tst_AppLogFile::defaultPath_data()
{
    QTest::addColumn<QByteArray>("stateHome");
    QTest::addColumn<QString>("path");
    QTest::newRow("XDG_STATE_HOME") << QByteArray("/tmp/st") << "/tmp/st/lens-updater/lens-updater.log";
    QTest::newRow("unset: ~/.local/state")
        << QByteArray() << QDir::homePath() + "/.local/state/lens-updater/lens-updater.log";
    QTest::newRow("relative: ignored")
        << QByteArray("st") << QDir::homePath() + "/.local/state/lens-updater/lens-updater.log";
}

void tst_AppLogFile::defaultPath()
{
    QFETCH(QByteArray, stateHome);
    QFETCH(QString, path);
    if (stateHome.isEmpty())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", stateHome);
    QCOMPARE(AppLogFile::defaultPath(QStringLiteral("lens-updater")), path);
}

QTEST_GUILESS_MAIN(tst_AppLogFile)

#include "tst_applogfile.moc"
