#include "app/crashhandler.h"
#include "app/singleinstance.h"

#include "ipccleanup.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// waitForFinished() answers false for a process that has already ended.
static bool waitEnded(QProcess &process, int ms)
{
    return process.state() == QProcess::NotRunning || process.waitForFinished(ms);
}

class tst_CrashHandler : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void stamp_data();
    void stamp();
    void restartDecision_data();
    void restartDecision();
    void startStampStored();
    void faultInRealProcess_data();
    void faultInRealProcess();

private:
    QTemporaryDir dir;
    static QStringList reportLines(const QString &reportFile);
};

QStringList tst_CrashHandler::reportLines(const QString &reportFile)
{
    QFile file(reportFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void tst_CrashHandler::stamp_data()
{
    QTest::addColumn<qint64>("msecs");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("zero") << qint64(0) << qint32(0);
    QTest::newRow("short value kept") << qint64(1234567) << qint32(1234567);
    QTest::newRow("eight digits") << qint64(99999999) << qint32(99999999);
    QTest::newRow("wraps to zero") << qint64(100000000) << qint32(0);
    QTest::newRow("present day") << qint64(1766654445123) << qint32(54445123);
    QTest::newRow("leading zeros dropped") << qint64(1766600000123) << qint32(123);
    QTest::newRow("short negative") << qint64(-1234567) << qint32(-1234567);
    QTest::newRow("long negative") << qint64(-123456789) << qint32(23456789);
    QTest::newRow("largest") << qint64(9223372036854775807LL) << qint32(54775807);
    QTest::newRow("smallest") << qint64(-9223372036854775807LL - 1) << qint32(54775808);
}

void tst_CrashHandler::stamp()
{
    QFETCH(qint64, msecs);
    QFETCH(qint32, expected);
    QCOMPARE(startStampFromMSecs(msecs), expected);
    // The rule as written: the rightmost eight characters of the decimal text.
    QCOMPARE(startStampFromMSecs(msecs), QString::number(msecs).right(8).toInt());
}

void tst_CrashHandler::restartDecision_data()
{
    QTest::addColumn<qint32>("start");
    QTest::addColumn<qint32>("fault");
    QTest::addColumn<bool>("restart");
    QTest::newRow("59 999 ms") << 1000 << 60999 << false;
    QTest::newRow("60 000 ms") << 1000 << 61000 << true;
    QTest::newRow("an hour") << 1000 << 3601000 << true;
    QTest::newRow("at once") << 5000 << 5000 << false;
    QTest::newRow("no start recorded") << 0 << 99999999 << false;
    QTest::newRow("clock wrapped") << 99990000 << 50000 << false;
    QTest::newRow("largest span") << 1 << 99999999 << true;
    QTest::newRow("extreme stamps do not overflow")
        << qint32(-2147483647 - 1) << 2147483647 << true;
}

void tst_CrashHandler::restartDecision()
{
    QFETCH(qint32, start);
    QFETCH(qint32, fault);
    QFETCH(bool, restart);
    QCOMPARE(shouldRestartAfterFault(start, fault), restart);
}

void tst_CrashHandler::startStampStored()
{
    QCOMPARE(startStamp(), 0);
    setStartStamp(4242);
    QCOMPARE(startStamp(), 4242);
    setStartStamp(0);
    const qint32 now = currentStartStamp();
    QVERIFY(now >= 0 && now < 100000000);
}

void tst_CrashHandler::faultInRealProcess_data()
{
    QTest::addColumn<QString>("when");
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("onThread");
    QTest::addColumn<bool>("restarts");
    QTest::newRow("late SIGSEGV") << "late" << int(SIGSEGV) << false << true;
    QTest::newRow("late SIGBUS") << "late" << int(SIGBUS) << false << true;
    QTest::newRow("late SIGFPE") << "late" << int(SIGFPE) << false << true;
    QTest::newRow("late SIGILL") << "late" << int(SIGILL) << false << true;
    QTest::newRow("late SIGABRT") << "late" << int(SIGABRT) << false << true;
    QTest::newRow("late real fault on a worker thread") << "late" << int(SIGSEGV) << true << true;
    QTest::newRow("early SIGSEGV") << "early" << int(SIGSEGV) << false << false;
    QTest::newRow("early SIGABRT") << "early" << int(SIGABRT) << false << false;
    QTest::newRow("early real fault on a worker thread")
        << "early" << int(SIGSEGV) << true << false;
}

void tst_CrashHandler::faultInRealProcess()
{
    QFETCH(QString, when);
    QFETCH(int, signalNumber);
    QFETCH(bool, onThread);
    QFETCH(bool, restarts);

    const QString key = QStringLiteral("quillon-crash-test-%1-%2")
                            .arg(QCoreApplication::applicationPid())
                            .arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-'));
    const QString reportFile = dir.filePath(key);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLON_HELPER_KEY"), key);
    env.insert(QStringLiteral("QUILLON_HELPER_REPORT"), reportFile);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir.path());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList args{when};
    if (onThread)
        args << QStringLiteral("thread-fault");
    process.start(QStringLiteral(GUARD_HELPER), args);
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!reportLines(reportFile).isEmpty(), 10000);
    QVERIFY(reportLines(reportFile).first().startsWith(QLatin1String("armed")));
    if (!onThread)
        ::kill(pid_t(process.processId()), signalNumber);
    QVERIFY(waitEnded(process, 10000));

    if (restarts) {
        // Ended at once, by itself, without the default crash.
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 128 + signalNumber);
        // The new instance comes up with no arguments and gets the guard: it did not
        // lose the single-instance check to the dying process.
        QTRY_COMPARE_WITH_TIMEOUT(reportLines(reportFile).size(), 2, 10000);
        QVERIFY2(reportLines(reportFile).at(1).startsWith(QLatin1String("restarted")),
                 qPrintable(reportLines(reportFile).join(QLatin1Char('|'))));
    } else {
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        // Absence can only be shown by waiting: a restart shows up well within this.
        QTest::qWait(1500);
        QCOMPARE(reportLines(reportFile).size(), 1);
    }

    // Whatever happened, the guard is free again once the restarted instance is done.
    SingleInstanceGuard guard(key);
    QTRY_VERIFY_WITH_TIMEOUT(guard.tryAcquire(), 10000);
}

void tst_CrashHandler::cleanupTestCase()
{
    removeIpcObjectsIn(qEnvironmentVariable("XDG_RUNTIME_DIR"));
}

int main(int argc, char **argv)
{
    // Our own runtime folder for the guards' key files, shared with the helper processes.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QCoreApplication app(argc, argv);
    tst_CrashHandler test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_crashhandler.moc"
