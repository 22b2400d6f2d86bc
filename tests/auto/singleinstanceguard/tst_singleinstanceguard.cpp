#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSharedMemory>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include "app/singleinstanceguard.h"

#include <cstdio>
#include <cstring>

// The test program doubles as the holder process: started with
// "--hold <key> <end>" it takes the guard, reports "held" on stdout and then
// either waits to be killed ("wait") or returns at once without letting go
// of the guard ("exit"), as the product does at the end of main.
static int runHolder(const QString &key, const QString &end)
{
    // Never deleted, like the product's; held by a static so that a leak
    // checker does not take it for a leak.
    static SingleInstanceGuard *guard = nullptr;
    guard = new SingleInstanceGuard(key);
    if (!guard->acquire()) {
        std::fputs("refused\n", stdout);
        std::fflush(stdout);
        return 3;
    }
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    if (end == QLatin1String("exit"))
        return 0;
    char line[16];
    while (std::fgets(line, sizeof line, stdin)) { }
    return 0;
}

class tst_SingleInstanceGuard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firstHolderWins();
    void refusedWhileAnotherProcessHolds();
    void recoveredAfterHolderEnded_data();
    void recoveredAfterHolderEnded();
    void applicationGuardUsesTheProgramKey();

private:
    QString uniqueKey() const;
    bool startHolder(QProcess &holder, const QString &key, const QString &end);

    QTemporaryDir m_tmp;
};

void tst_SingleInstanceGuard::initTestCase()
{
    // Qt keeps the key files of shared memory and semaphores in the temp
    // folder; a folder of our own keeps parallel test runs apart.
    QVERIFY(m_tmp.isValid());
    qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
    QCOMPARE(QDir::tempPath(), QDir(m_tmp.path()).canonicalPath());
}

QString tst_SingleInstanceGuard::uniqueKey() const
{
    return QStringLiteral("lens-guard-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool tst_SingleInstanceGuard::startHolder(QProcess &holder, const QString &key, const QString &end)
{
    holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    holder.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--hold"), key, end });
    if (!holder.waitForStarted(30000))
        return false;
    while (!holder.canReadLine()) {
        if (!holder.waitForReadyRead(30000))
            return false;
    }
    return holder.readLine().trimmed() == "held";
}

void tst_SingleInstanceGuard::firstHolderWins()
{
    const QString key = uniqueKey();
    SingleInstanceGuard first(key);
    SingleInstanceGuard second(key);
    QVERIFY(!first.isHeld());
    QVERIFY2(first.acquire(), qPrintable(first.errorString()));
    QVERIFY(first.isHeld());
    QVERIFY(first.acquire()); // asking again keeps it

    QVERIFY(!second.acquire());
    QVERIFY(!second.isHeld());
    // The refused attempt must not have torn down the holder's segment.
    QVERIFY(!second.acquire());
    QSharedMemory raw(key);
    QVERIFY(!raw.create(1));
    QCOMPARE(raw.error(), QSharedMemory::AlreadyExists);
}

void tst_SingleInstanceGuard::refusedWhileAnotherProcessHolds()
{
    const QString key = uniqueKey();
    QProcess holder;
    QVERIFY(startHolder(holder, key, QStringLiteral("wait")));

    SingleInstanceGuard guard(key);
    QVERIFY(!guard.acquire());
    QVERIFY(!guard.acquire());

    // The holder is untouched: it still runs and still owns the segment.
    QCOMPARE(holder.state(), QProcess::Running);
    QProcess third;
    QVERIFY(!startHolder(third, key, QStringLiteral("exit")));
    QVERIFY(third.waitForFinished(30000));
    QCOMPARE(third.exitCode(), 3);

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(30000));
    QCOMPARE(holder.exitStatus(), QProcess::NormalExit);

    // Once it has ended, the next start succeeds (and cleans up after it).
    QVERIFY(guard.acquire());
}

void tst_SingleInstanceGuard::recoveredAfterHolderEnded_data()
{
    QTest::addColumn<bool>("kill");
    QTest::newRow("holder killed") << true;
    QTest::newRow("holder returned without releasing") << false;
}

void tst_SingleInstanceGuard::recoveredAfterHolderEnded()
{
    QFETCH(bool, kill);
    const QString key = uniqueKey();
    QProcess holder;
    QVERIFY(startHolder(holder, key, kill ? QStringLiteral("wait") : QStringLiteral("exit")));
    if (kill)
        holder.kill(); // SIGKILL: no clean-up of any kind
    QVERIFY(holder.waitForFinished(30000));
    QCOMPARE(holder.exitStatus(), kill ? QProcess::CrashExit : QProcess::NormalExit);

    // The segment outlived its holder ...
    {
        QSharedMemory raw(key);
        QVERIFY(!raw.create(1));
        QCOMPARE(raw.error(), QSharedMemory::AlreadyExists);
    }
    // ... and is taken over all the same.
    SingleInstanceGuard guard(key);
    QVERIFY2(guard.acquire(), qPrintable(guard.errorString()));

    // The new holder in turn refuses everybody else.
    SingleInstanceGuard other(key);
    QVERIFY(!other.acquire());
}

void tst_SingleInstanceGuard::applicationGuardUsesTheProgramKey()
{
    SingleInstanceGuard &guard = SingleInstanceGuard::application();
    QCOMPARE(guard.key(), QStringLiteral("SingleApp"));
    QCOMPARE(&SingleInstanceGuard::application(), &guard);
    QVERIFY(!guard.isHeld());
}

int main(int argc, char *argv[])
{
    if (argc == 4 && std::strcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        return runHolder(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    tst_SingleInstanceGuard tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_singleinstanceguard.moc"
