// Black-box test of the built program: single instance, task argument, log file,
// autostart entry, a dead instance's guard, bad folders. Each run gets its own HOME,
// XDG folders (the runtime folder holds the per-user guard) and TMPDIR, so the guard
// and files are ours alone.
#include "ipccleanup.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <memory>
#include <sys/prctl.h>

// The program must not outlive a test that dies half-way.
class ChildProcess : public QProcess
{
protected:
    void setupChildProcess() override { ::prctl(PR_SET_PDEATHSIG, SIGKILL); }
};

static QByteArray readWhole(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// waitForFinished() answers false for a process that has already ended.
static bool waitEnded(QProcess &process, int ms)
{
    return process.state() == QProcess::NotRunning || process.waitForFinished(ms);
}

class tst_Quillon : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void firstStartLogsAndRegisters();
    void secondStartIsRefused_data();
    void secondStartIsRefused();
    void endSignals_data();
    void endSignals();
    void deadInstanceDoesNotKeepOut_data();
    void deadInstanceDoesNotKeepOut();
    void pathWithBlanksWithoutConfiguration();
    void unwritableFoldersStillStart();

private:
    QTemporaryDir root;
    QString program;
    std::unique_ptr<QProcess> running;
    QByteArray runningOutput;
    int starts = 0;

    QString path(const QString &relative) const { return root.filePath(relative); }
    QString logFile() const;
    std::unique_ptr<QProcess> start(const QString &executable, const QStringList &args,
                                    const QString &tmp = QStringLiteral("tmp"));
    bool startRunning(const QString &executable, const QStringList &args,
                      const QByteArray &expectedLine, const QString &tmp = QStringLiteral("tmp"));
    QStringList logMessages(bool *allWellFormed = nullptr) const;
    QStringList autostartEntries() const;
};

QString tst_Quillon::logFile() const
{
    return path(QStringLiteral("data/quillon/logDir/")) +
           QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log");
}

void tst_Quillon::initTestCase()
{
    program = QStringLiteral(QUILLON_BUILD_DIR "/quillon");
    QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
    for (const char *d : {"home", "config", "data", "tmp", "tmp2", "runtime"})
        QVERIFY(QDir().mkpath(path(QLatin1String(d))));
    QVERIFY(QFile::setPermissions(path(QStringLiteral("runtime")), QFileDevice::ReadOwner |
                                                                       QFileDevice::WriteOwner |
                                                                       QFileDevice::ExeOwner));
    QFile notAFolder(path(QStringLiteral("tmp-file")));
    QVERIFY(notAFolder.open(QIODevice::WriteOnly));
}

void tst_Quillon::cleanupTestCase()
{
    if (running) {
        running->kill();
        waitEnded(*running, 5000);
        running.reset();
    }
    removeIpcObjectsIn(path(QStringLiteral("runtime")));
}

void tst_Quillon::cleanup()
{
    if (QTest::currentTestFailed() && running) {
        running->kill();
        waitEnded(*running, 5000);
        running.reset();
    }
}

std::unique_ptr<QProcess> tst_Quillon::start(const QString &executable, const QStringList &args,
                                             const QString &tmp)
{
    auto process = std::make_unique<ChildProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
    env.insert(QStringLiteral("TMPDIR"), path(tmp));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(path(QStringLiteral("tmp")));
    process->setStandardErrorFile(path(QStringLiteral("stderr-%1.txt").arg(++starts)));
    process->start(executable, args);
    return process;
}

// Starts an instance that must come up and stay: its first output line is checked and
// it becomes `running`.
bool tst_Quillon::startRunning(const QString &executable, const QStringList &args,
                               const QByteArray &expectedLine, const QString &tmp)
{
    running = start(executable, args, tmp);
    runningOutput.clear();
    if (!running->waitForStarted(10000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (!runningOutput.contains('\n') && timer.elapsed() < 30000 &&
           running->state() == QProcess::Running) {
        running->waitForReadyRead(200);
        runningOutput += running->readAllStandardOutput();
    }
    if (!runningOutput.startsWith(expectedLine + '\n')) {
        qWarning() << "output:" << runningOutput;
        return false;
    }
    return running->state() == QProcess::Running;
}

QStringList tst_Quillon::logMessages(bool *allWellFormed) const
{
    QFile file(logFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Records end in CR LF; a message may itself hold a bare line feed.
    const QRegularExpression shape(
        QStringLiteral("^\\[Debug\\]-\\[flie:    line:0    datetime:\\d{4}-\\d\\d-\\d\\d "
                       "\\d\\d:\\d\\d:\\d\\d\\]--------------------> (.*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    QStringList messages;
    const QString content = QString::fromUtf8(file.readAll());
    bool ok = content.isEmpty() || content.endsWith(QLatin1String("\r\n"));
    for (const QString &record : content.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = shape.match(record);
        ok = ok && m.hasMatch();
        messages << (m.hasMatch() ? m.captured(1) : record);
    }
    if (allWellFormed)
        *allWellFormed = ok;
    return messages;
}

QStringList tst_Quillon::autostartEntries() const
{
    return QDir(path(QStringLiteral("config/autostart")))
        .entryList({QStringLiteral("quillonStartupTaskOKver---*.desktop")}, QDir::Files);
}

void tst_Quillon::firstStartLogsAndRegisters()
{
    QVERIFY(startRunning(program, {}, "Program was not started by Task Scheduler."));

    const QString banner = QStringLiteral(
        "------------------------- *** App Runing *** ------------------------------");
    QTRY_VERIFY_WITH_TIMEOUT(logMessages().contains(banner), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(logMessages().contains(QStringLiteral("Create Startup Task -> Over")),
                             30000);
    bool wellFormed = false;
    const QStringList messages = logMessages(&wellFormed);
    QVERIFY2(wellFormed, qPrintable(messages.join(QLatin1Char('\n'))));
    const int at = messages.indexOf(banner);
    QVERIFY(at + 1 < messages.size());
    QCOMPARE(messages.at(at + 1), QStringLiteral("appConfig.ini Path: \"%1/configDir/\"")
                                      .arg(QFileInfo(program).canonicalPath()));

    QCOMPARE(autostartEntries().size(), 1);
    QFile entry(path(QStringLiteral("config/autostart/")) + autostartEntries().first());
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    QVERIFY2(text.contains("\nExec=\"" + QFileInfo(program).canonicalFilePath().toUtf8() +
                           "\" ---StartupByTaskMinWindow\n"),
             text.constData());
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
}

void tst_Quillon::secondStartIsRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("tmp");
    QTest::newRow("no arguments") << QStringList() << QStringLiteral("tmp");
    QTest::newRow("task argument")
        << QStringList{QStringLiteral("---StartupByTaskMinWindow")} << QStringLiteral("tmp");
    QTest::newRow("another TMPDIR") << QStringList() << QStringLiteral("tmp2");
}

void tst_Quillon::secondStartIsRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, tmp);
    QVERIFY(running && running->state() == QProcess::Running);
    auto second = start(program, args, tmp);
    QVERIFY(waitEnded(*second, 30000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 255);
    QCOMPARE(second->readAllStandardOutput(), QByteArray());
    QCOMPARE(running->state(), QProcess::Running);
}

void tst_Quillon::endSignals_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("ends");
    QTest::newRow("SIGPIPE is ignored") << int(SIGPIPE) << false;
    QTest::newRow("SIGHUP ends in order") << int(SIGHUP) << true;
    QTest::newRow("SIGTERM ends in order") << int(SIGTERM) << true;
}

void tst_Quillon::endSignals()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, ends);
    if (!running || running->state() != QProcess::Running)
        QVERIFY(startRunning(program, {}, "Program was not started by Task Scheduler."));
    const int exitsBefore = logMessages().count(QStringLiteral("Exit app runing [Normal]"));
    ::kill(pid_t(running->processId()), signalNumber);
    if (!ends) {
        QTest::qWait(1000); // a death by the signal would show within this
        QCOMPARE(running->state(), QProcess::Running);
        return;
    }
    QVERIFY(waitEnded(*running, 30000));
    QCOMPARE(running->exitStatus(), QProcess::NormalExit);
    QCOMPARE(running->exitCode(), 0);
    QCOMPARE(logMessages().count(QStringLiteral("Exit app runing [Normal]")), exitsBefore + 1);
    // The orderly exit released the guard: the next start gets in.
    QVERIFY(startRunning(program, {}, "Program was not started by Task Scheduler."));
}

void tst_Quillon::deadInstanceDoesNotKeepOut_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("tmp");
    QTest::newRow("SIGKILL, then by task")
        << int(SIGKILL) << QStringList{QStringLiteral("---StartupByTaskMinWindow")}
        << QByteArray("Program was started by Task Scheduler.") << QStringLiteral("tmp");
    QTest::newRow("SIGKILL, then with TMPDIR a file")
        << int(SIGKILL) << QStringList() << QByteArray("Program was not started by Task Scheduler.")
        << QStringLiteral("tmp-file");
    QTest::newRow("SIGSEGV before a minute: no restart, next start normal")
        << int(SIGSEGV) << QStringList{QStringLiteral("--StartupByTaskMinWindow")}
        << QByteArray("Program was not started by Task Scheduler.") << QStringLiteral("tmp");
    QTest::newRow("SIGSEGV again, other case of the argument")
        << int(SIGSEGV) << QStringList{QStringLiteral("---startupbytaskminwindow")}
        << QByteArray("Program was not started by Task Scheduler.") << QStringLiteral("tmp");
}

void tst_Quillon::deadInstanceDoesNotKeepOut()
{
    QFETCH(int, signalNumber);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, line);
    QFETCH(QString, tmp);
    QVERIFY(running && running->state() == QProcess::Running);
    ::kill(pid_t(running->processId()), signalNumber);
    QVERIFY(waitEnded(*running, 30000));
    QCOMPARE(running->exitStatus(), QProcess::CrashExit);
    // If the fault had restarted the program, that instance would hold the guard now
    // and this start would be refused.
    QVERIFY(startRunning(program, args, line, tmp));
}

void tst_Quillon::pathWithBlanksWithoutConfiguration()
{
    QVERIFY(running);
    running->kill();
    QVERIFY(waitEnded(*running, 30000));
    running.reset();

    // A copy in a folder with blanks, without configDir beside it.
    QVERIFY(QDir().mkpath(path(QStringLiteral("my apps"))));
    const QString folder = QFileInfo(path(QStringLiteral("my apps"))).canonicalFilePath();
    const QString copy = folder + QStringLiteral("/quillon");
    QVERIFY(QFile::copy(program, copy));
    QVERIFY(QFile::setPermissions(copy, QFile::permissions(program)));
    QVERIFY(startRunning(copy, {}, "Program was not started by Task Scheduler."));

    QTRY_VERIFY_WITH_TIMEOUT(
        logMessages().contains(QStringLiteral("appConfig.ini Path: \"%1/configDir/\"").arg(folder)),
        30000);
    // Without a configuration the identifier is empty.
    QTRY_VERIFY_WITH_TIMEOUT(
        autostartEntries().contains(QStringLiteral("quillonStartupTaskOKver---.desktop")), 30000);
    const QString entry =
        path(QStringLiteral("config/autostart/quillonStartupTaskOKver---.desktop"));
    const QByteArray exec = "\nExec=\"" + copy.toUtf8() + "\" ---StartupByTaskMinWindow\n";
    QTRY_VERIFY_WITH_TIMEOUT(readWhole(entry).contains(exec), 30000);
}

void tst_Quillon::unwritableFoldersStillStart()
{
    QVERIFY(running);
    running->kill();
    QVERIFY(waitEnded(*running, 30000));
    running.reset();

    // The log folder and the autostart folder are files: nothing can be written there.
    QVERIFY(QDir(path(QStringLiteral("data/quillon/logDir"))).removeRecursively());
    QVERIFY(QDir(path(QStringLiteral("config/autostart"))).removeRecursively());
    for (const char *blocked : {"data/quillon/logDir", "config/autostart"}) {
        QFile f(path(QLatin1String(blocked)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    QVERIFY(startRunning(program, {}, "Program was not started by Task Scheduler."));
    QElapsedTimer timer;
    timer.start();
    while (!runningOutput.contains("Error: ") && timer.elapsed() < 30000 &&
           running->state() == QProcess::Running) {
        running->waitForReadyRead(200);
        runningOutput += running->readAllStandardOutput();
    }
    QVERIFY2(QRegularExpression(QStringLiteral("\nError: \\d+\n"))
                 .match(QString::fromUtf8(runningOutput))
                 .hasMatch(),
             runningOutput.constData());
    // The box is not modal and the window is up: the program goes on running.
    QTest::qWait(1000); // a crash or exit would show within this
    QCOMPARE(running->state(), QProcess::Running);
    QVERIFY(QFileInfo(path(QStringLiteral("data/quillon/logDir"))).isFile());

    running->kill();
    QVERIFY(waitEnded(*running, 30000));
    running.reset();
}

QTEST_GUILESS_MAIN(tst_Quillon)
#include "tst_quillon.moc"
