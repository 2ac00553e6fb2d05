#include "app/singleinstance.h"

#include "ipccleanup.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <vector>

#include <sys/stat.h>

// waitForFinished() answers false for a process that has already ended.
static bool waitEnded(QProcess &process, int ms)
{
    return process.state() == QProcess::NotRunning || process.waitForFinished(ms);
}

class tst_SingleInstanceGuard : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void secondGuardRefusedWhileFirstLives();
    void deadHolderDoesNotKeepOut_data();
    void deadHolderDoesNotKeepOut();
    void simultaneousStartsLetOneIn();
    void otherUserNeverKeepsOut();
    void temporaryFolderPlaysNoPart_data();
    void temporaryFolderPlaysNoPart();

private:
    QTemporaryDir dir;
    int counter = 0;
    QString uniqueKey()
    {
        return QStringLiteral("quillon-guard-test-%1-%2")
            .arg(QCoreApplication::applicationPid())
            .arg(++counter);
    }
    std::unique_ptr<QProcess> startHelper(const QString &key, const QString &reportFile,
                                          int uid = -1);
    static QStringList reportLines(const QString &reportFile);
};

std::unique_ptr<QProcess> tst_SingleInstanceGuard::startHelper(const QString &key,
                                                               const QString &reportFile, int uid)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (uid >= 0)
        env.insert(QStringLiteral("QUILLON_HELPER_UID"), QString::number(uid));
    env.insert(QStringLiteral("QUILLON_HELPER_KEY"), key);
    env.insert(QStringLiteral("QUILLON_HELPER_REPORT"), reportFile);
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(dir.path());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QStringLiteral(GUARD_HELPER), {QStringLiteral("unarmed")});
    return process;
}

QStringList tst_SingleInstanceGuard::reportLines(const QString &reportFile)
{
    QFile file(reportFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void tst_SingleInstanceGuard::secondGuardRefusedWhileFirstLives()
{
    const QString key = uniqueKey();
    auto first = std::make_unique<SingleInstanceGuard>(key);
    QVERIFY(first->tryAcquire());
    QVERIFY(first->isHeld());
    SingleInstanceGuard second(key);
    QVERIFY(!second.tryAcquire());
    QVERIFY(!second.tryAcquire());
    QVERIFY(first->isHeld());
    first.reset();
    QVERIFY(second.tryAcquire());
}

void tst_SingleInstanceGuard::deadHolderDoesNotKeepOut_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGKILL") << int(SIGKILL);
    QTest::newRow("SIGSEGV") << int(SIGSEGV);
    QTest::newRow("SIGABRT") << int(SIGABRT);
}

void tst_SingleInstanceGuard::deadHolderDoesNotKeepOut()
{
    QFETCH(int, signalNumber);
    const QString key = uniqueKey();
    const QString reportFile = dir.filePath(key);
    auto holder = startHelper(key, reportFile);
    QVERIFY(holder->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(reportLines(reportFile).size() == 1, 10000);
    QVERIFY(reportLines(reportFile).first().startsWith(QLatin1String("armed")));

    SingleInstanceGuard guard(key);
    QVERIFY2(!guard.tryAcquire(), "a live holder must keep others out");

    ::kill(pid_t(holder->processId()), signalNumber);
    QVERIFY(waitEnded(*holder, 10000));
    QCOMPARE(holder->exitStatus(), QProcess::CrashExit);

    QVERIFY2(guard.tryAcquire(), "the segment of a dead holder must not keep a start out");
}

void tst_SingleInstanceGuard::simultaneousStartsLetOneIn()
{
    const QString key = uniqueKey();
    const QString reportFile = dir.filePath(key);
    std::vector<std::unique_ptr<QProcess>> starts;
    for (int i = 0; i < 4; ++i)
        starts.push_back(startHelper(key, reportFile));
    QTRY_VERIFY_WITH_TIMEOUT(reportLines(reportFile).size() == 4, 20000);
    const QStringList lines = reportLines(reportFile);
    QCOMPARE(lines.filter(QStringLiteral("armed")).size(), 1);
    QCOMPARE(lines.filter(QStringLiteral("refused")).size(), 3);
    const qint64 holderPid =
        lines.filter(QStringLiteral("armed")).first().section(' ', 1).toLongLong();
    for (auto &p : starts) {
        if (p->processId() == holderPid) {
            p->kill();
            QVERIFY(waitEnded(*p, 10000));
        } else {
            QVERIFY(waitEnded(*p, 10000));
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->exitCode(), 255);
        }
    }
}

void tst_SingleInstanceGuard::otherUserNeverKeepsOut()
{
    if (::geteuid() != 0)
        QSKIP("only root can start a helper as another user");
    // Both users share one sticky folder, as they share /tmp on a machine with two seats.
    const QFileDevice::Permissions all =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(dir.path(), all));
    const QString shared = dir.filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkpath(shared));
    QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(shared));
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_RUNTIME_DIR", runtime);
        removeIpcObjectsIn(shared);
    });
    const int nobody = 65534;
    const QString key = uniqueKey();
    const QString reportFile = dir.filePath(key);

    // This user's instance was killed and left its segment behind.
    auto mine = startHelper(key, reportFile);
    QTRY_VERIFY_WITH_TIMEOUT(reportLines(reportFile).size() == 1, 10000);
    ::kill(pid_t(mine->processId()), SIGKILL);
    QVERIFY(waitEnded(*mine, 10000));
    SingleInstanceGuard live(key);
    QVERIFY(live.tryAcquire());

    // The other user starts while this user's instance runs, is killed, starts again.
    const QString otherReport = reportFile + QStringLiteral("-other");
    for (int round = 1; round <= 2; ++round) {
        auto other = startHelper(key, otherReport, nobody);
        QTRY_VERIFY_WITH_TIMEOUT(reportLines(otherReport).size() == round, 10000);
        QVERIFY2(reportLines(otherReport).last().startsWith(QLatin1String("armed")),
                 "another user's instance, live or dead, must never keep a start out");
        ::kill(pid_t(other->processId()), SIGKILL);
        QVERIFY(waitEnded(*other, 10000));
    }
    QVERIFY(live.isHeld());
}

void tst_SingleInstanceGuard::temporaryFolderPlaysNoPart_data()
{
    QTest::addColumn<QString>("tmpdir");
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<bool>("noted");
    QTest::newRow("TMPDIR missing") << "missing"
                                    << "usual" << false;
    QTest::newRow("TMPDIR a file") << "a-file"
                                   << "usual" << false;
    QTest::newRow("TMPDIR read-only") << "read-only"
                                      << "usual" << false;
    QTest::newRow("runtime folder missing: /tmp, and a note") << "usual"
                                                              << "missing" << true;
}

void tst_SingleInstanceGuard::temporaryFolderPlaysNoPart()
{
    QFETCH(QString, tmpdir);
    QFETCH(QString, runtime);
    QFETCH(bool, noted);
    if (tmpdir == QLatin1String("read-only") && ::geteuid() == 0)
        QSKIP("root writes into read-only folders");
    const QByteArray usualTmp = qgetenv("TMPDIR");
    const QByteArray usualRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QString key = uniqueKey();
    const auto restore = qScopeGuard([&] {
        qputenv("TMPDIR", usualTmp);
        qputenv("XDG_RUNTIME_DIR", usualRuntime);
        QFile::remove(QStringLiteral("/tmp/%1-uid%2.guard-lock").arg(key).arg(::getuid()));
    });
    const QString readOnly = dir.filePath(QStringLiteral("read-only"));
    QVERIFY(QDir().mkpath(readOnly));
    QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QFile aFile(dir.filePath(QStringLiteral("a-file")));
    QVERIFY(aFile.open(QIODevice::WriteOnly));
    aFile.close();
    if (tmpdir != QLatin1String("usual"))
        qputenv("TMPDIR", QFile::encodeName(dir.filePath(tmpdir)));
    if (runtime != QLatin1String("usual"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.filePath(runtime)));

    SingleInstanceGuard first(key);
    QVERIFY2(first.tryAcquire(), qPrintable(first.problems().join(QLatin1Char('\n'))));
    QCOMPARE(!first.problems().isEmpty(), noted);

    // A start in the same session with another temporary folder finds it held.
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    SingleInstanceGuard second(key);
    QCOMPARE(second.acquire(), SingleInstanceGuard::HeldElsewhere);
}

void tst_SingleInstanceGuard::cleanupTestCase()
{
    removeIpcObjectsIn(qEnvironmentVariable("XDG_RUNTIME_DIR"));
}

int main(int argc, char **argv)
{
    // Our own runtime folder for the guards' key files, shared with the helper processes.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QCoreApplication app(argc, argv);
    tst_SingleInstanceGuard test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_singleinstanceguard.moc"
