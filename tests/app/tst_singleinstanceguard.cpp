#include "singleinstance.h"

#include "ipccleanup.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <vector>

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
    // Both users share the one temp folder, as on a machine with two seats.
    const QFileDevice::Permissions all =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(QDir::tempPath(), all));
    QVERIFY(QFile::setPermissions(dir.path(), all));
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

void tst_SingleInstanceGuard::cleanupTestCase()
{
    removeIpcObjectsIn(QDir::tempPath());
}

int main(int argc, char **argv)
{
    // Our own folder for Qt's key files, shared with the helper processes.
    QTemporaryDir tmp;
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    QCoreApplication app(argc, argv);
    tst_SingleInstanceGuard test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_singleinstanceguard.moc"
