// The Windows program as a user meets it: the 64-bit deploy folder (the same sources
// as the shipped 32-bit one) run under wine64 on a private Xvfb display, in a Wine
// prefix of its own, with the test sensor library as HWiNFO32.dll, a test hidapi.dll
// that records each report, and a recorder in place of the system's schtasks.exe.
//
// Wine is not Windows; where it differs, the test adapts, never the program:
// - stdout of a GUI program reaches us because Wine hands its own standard handles on;
// - an exit status of -1 reads 255 through the Unix exit code;
// - the program runs schtasks.exe by its full path in the system folder, so the
//   recorder is put there in the throw-away prefix and Wine told to load it instead of
//   its built-in tool (WINEDLLOVERRIDES=schtasks.exe=n);
// - Wine's real hidapi back-end fails hid_init (it lacks a configuration-manager call),
//   so the display is always the test hidapi.dll.
// The first cases share one running instance, in order; the rest start their own.

#include "scenarioreport.h"

#include <QtTest>

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kDeployDir = QStringLiteral(QUILLON_WINDOWS_DEPLOY);
const QString kStandIns = QStringLiteral(QUILLON_WINDOWS_STANDINS);
const QString kWine = QStringLiteral(QUILLON_WINE64);
const QString kWineServer = QStringLiteral(QUILLON_WINESERVER);
const QString kPictures = QStringLiteral(QUILLON_PICTURES_DIR);
const QString kTaskName = QStringLiteral("quillonStartupTaskOKver---QL-01");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A Unix path as the program sees it: Wine's Z: drive is the Unix root.
QString windowsPath(const QString &unixPath)
{
    return QStringLiteral("Z:") + QString(unixPath).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QList<QByteArray> writtenReports(const QString &path)
{
    QList<QByteArray> reports;
    const QList<QByteArray> lines = readAll(path).split('\n');
    for (const QByteArray &line : lines) {
        if (!line.trimmed().isEmpty())
            reports.append(QByteArray::fromHex(line.trimmed()));
    }
    return reports;
}

QMap<QString, QString> windowValues(const QString &path)
{
    QMap<QString, QString> values;
    const QStringList lines = QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1).trimmed());
    }
    return values;
}

bool copyFolder(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        if (!QFile::copy(source, target))
            return false;
    }
    return true;
}

bool runQuietly(const QString &program, const QStringList &arguments,
                const QProcessEnvironment &environment, int timeoutMs = 120000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return process.waitForFinished(timeoutMs) && process.exitCode() == 0;
}

} // namespace

class tst_Windows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startAndLook();
    void reportsAreByteExact();
    void singleInstance();
    void logonTask();
    void hotPlug();
    void logFile();
    void ending();
    void temperatureUnit();
    void hiddenStart();
    void badInput_data();
    void badInput();
    void crashRestart();

private:
    QString file(const char *name) const
    {
        return runFolder + QLatin1Char('/') + QLatin1String(name);
    }
    bool start(const QStringList &arguments = {}, const QString &picture = QString());
    QByteArray standardOutput();
    QByteArray log() const;
    QString diagnosis();
    int wineTool(const QString &command, QByteArray *printed = nullptr);
    bool stop();
    void stopAll();
    void xScreenshot(const QString &path);

    QTemporaryDir root;
    QString app;       // the copy of the deploy folder the program runs from
    QString runFolder; // this start's record files
    QProcessEnvironment environment;
    QProcess xvfb;
    QProcess program;
    QByteArray output;
    QMap<QString, QString> extra;
    int runs = 0;
};

void tst_Windows::initTestCase()
{
    QVERIFY2(QFile::exists(kDeployDir + QStringLiteral("/quillon.exe")),
             qPrintable(kDeployDir + QStringLiteral(" lacks quillon.exe: run make windows")));
    QVERIFY(root.isValid());

    // A display of our own.
    xvfb.setProcessChannelMode(QProcess::SeparateChannels);
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1600x900x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
    QVERIFY(xvfb.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(xvfb.canReadLine(), 20000);
    const QString display = QLatin1Char(':') + QString::fromLatin1(xvfb.readLine().trimmed());

    environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("WINEPREFIX"), root.filePath(QStringLiteral("prefix")));
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    environment.insert(QStringLiteral("WINEDLLOVERRIDES"),
                       QStringLiteral("mscoree,mshtml=;winemenubuilder.exe=d;schtasks.exe=n"));
    QVERIFY2(runQuietly(kWine, {QStringLiteral("wineboot"), QStringLiteral("-i")}, environment),
             "wineboot -i failed");

    // The recorder as the system's tool, and the stand-ins beside a copy of the program.
    const QString system32 = root.filePath(QStringLiteral("prefix/drive_c/windows/system32"));
    QFile::remove(system32 + QStringLiteral("/schtasks.exe"));
    QVERIFY(QFile::copy(kStandIns + QStringLiteral("/schtasks.exe"),
                        system32 + QStringLiteral("/schtasks.exe")));
    app = root.filePath(QStringLiteral("Quillon"));
    QVERIFY(copyFolder(kDeployDir, app));
    QVERIFY(QFile::remove(app + QStringLiteral("/hidapi.dll")));
    QVERIFY(QFile::copy(kStandIns + QStringLiteral("/hidapi.dll"),
                        app + QStringLiteral("/hidapi.dll")));
    QVERIFY(QFile::copy(kStandIns + QStringLiteral("/complete/HWiNFO32.dll"),
                        app + QStringLiteral("/HWiNFO32.dll")));
    QDir().mkpath(kPictures);
}

void tst_Windows::cleanupTestCase()
{
    stopAll();
    xvfb.kill();
    xvfb.waitForFinished(5000);
}

bool tst_Windows::start(const QStringList &arguments, const QString &picture)
{
    runFolder = root.filePath(QStringLiteral("run%1").arg(++runs));
    QDir().mkpath(runFolder);
    QProcessEnvironment env = environment;
    env.insert(QStringLiteral("FAKEHID_WRITE_LOG"), windowsPath(file("hidwrites.txt")));
    env.insert(QStringLiteral("FAKESDK_RECORD"), windowsPath(file("sdk.txt")));
    env.insert(QStringLiteral("SCHTASKS_RECORD"), windowsPath(file("schtasks.txt")));
    if (!picture.isEmpty())
        env.insert(QStringLiteral("QUILLON_SCREENSHOT"), windowsPath(picture));
    for (auto it = extra.cbegin(); it != extra.cend(); ++it)
        env.insert(it.key(), it.value());
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(app);
    output.clear();
    program.start(kWine, QStringList{app + QStringLiteral("/quillon.exe")} + arguments);
    if (!program.waitForStarted())
        return false;
    // Its first line comes once it holds its single-instance guard.
    QElapsedTimer timer;
    timer.start();
    while (!standardOutput().contains("Task Scheduler.") && timer.elapsed() < 90000) {
        if (program.state() == QProcess::NotRunning)
            return false;
        program.waitForReadyRead(200);
    }
    return standardOutput().contains("Task Scheduler.");
}

QByteArray tst_Windows::standardOutput()
{
    output += program.readAllStandardOutput();
    return output;
}

// The day's log files in the per-user application data folder, joined in date order.
QByteArray tst_Windows::log() const
{
    QStringList files;
    QDirIterator it(root.filePath(QStringLiteral("prefix/drive_c/users")),
                    {QStringLiteral("*.log")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QLatin1String("/AppData/Roaming/MyCompanyVekmar/Quillon/logDir/")))
            files.append(path);
    }
    files.sort();
    QByteArray text;
    for (const QString &path : files)
        text += readAll(path);
    return text;
}

QString tst_Windows::diagnosis()
{
    return QStringLiteral("running: %1, exit code: %2, stdout: %3, log: %4")
        .arg(program.state() == QProcess::Running)
        .arg(program.exitCode())
        .arg(QString::fromLocal8Bit(standardOutput().right(1500)))
        .arg(QString::fromUtf8(log().right(1500)));
}

int tst_Windows::wineTool(const QString &command, QByteArray *printed)
{
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(kWine, {kStandIns + QStringLiteral("/wintool.exe"), command});
    if (!tool.waitForFinished(30000))
        return -1;
    if (printed)
        *printed = tool.readAllStandardOutput().trimmed();
    return tool.exitCode();
}

// Ends the program as Windows ends a window: WM_CLOSE.
bool tst_Windows::stop()
{
    if (program.state() == QProcess::NotRunning)
        return true;
    if (wineTool(QStringLiteral("close")) != 0)
        return false;
    return program.waitForFinished(30000);
}

void tst_Windows::stopAll()
{
    if (program.state() != QProcess::NotRunning) {
        stop();
        program.kill();
        program.waitForFinished(5000);
    }
    runQuietly(kWineServer, {QStringLiteral("-k")}, environment, 30000);
    extra.clear();
}

void tst_Windows::xScreenshot(const QString &path)
{
    QProcess import;
    import.setProcessEnvironment(environment);
    import.start(QStringLiteral("import"),
                 {QStringLiteral("-window"), QStringLiteral("root"), path});
    import.waitForFinished(30000);
}

void tst_Windows::startAndLook()
{
    const QString picture = kPictures + QStringLiteral("/windows-mainwindow.png");
    QFile::remove(picture + QStringLiteral(".values"));
    QVERIFY2(start({}, picture), qPrintable(diagnosis()));
    QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(picture + QStringLiteral(".values")),
                              qPrintable(diagnosis()), 90000);
    QVERIFY2(standardOutput().contains("SDK HWiNFO -> INIT OK\n") ||
                 standardOutput().contains("SDK HWiNFO -> INIT OK\r\n"),
             standardOutput().constData());
    QVERIFY(standardOutput().contains("Program was not started by Task Scheduler."));

    // The values of the Linux whole-program test, shown by the Windows window.
    const QMap<QString, QString> values = windowValues(picture + QStringLiteral(".values"));
    const QList<std::pair<const char *, const char *>> expected = {
        {"label_HidStatus", "Connected"},
        {"label_CPU01", "12"},
        {"label_CPU02", "3600"},
        {"label_CPU03", "1200"},
        {"label_CPU04", "65"},
        {"label_GPU01", "3"},
        {"label_GPU02", "1500"},
        {"label_GPU03", "0"},
        {"label_GPU04", "20"},
        {"widget_CpuDashboard", "45℃"},
        {"widget_GpuDashboard", "50℃"},
        {"radioButton_Model02", "0"},
    };
    for (const auto &pair : expected)
        QCOMPARE(values.value(QLatin1String(pair.first)), QString::fromUtf8(pair.second));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+G/\\d+G$"))
                .match(values.value(QStringLiteral("label_HardDiskUsage")))
                .hasMatch());
    // The window as the X server shows it, for a person to look at.
    xScreenshot(kPictures + QStringLiteral("/windows-screen.png"));
    QVERIFY(QFile::exists(kPictures + QStringLiteral("/windows-screen.png")));
}

void tst_Windows::reportsAreByteExact()
{
    QTRY_VERIFY_WITH_TIMEOUT(writtenReports(file("hidwrites.txt")).size() >= 2, 30000);
    const QList<QByteArray> reports = writtenReports(file("hidwrites.txt"));
    for (const QByteArray &report : reports)
        QVERIFY2(ScenarioReport::mismatch(report).isEmpty(),
                 qPrintable(ScenarioReport::mismatch(report) + QLatin1Char(' ') +
                            QString::fromLatin1(report.toHex())));
    // The date in the report is the run's.
    const QByteArray last = reports.last();
    const QDate today = QDate::currentDate();
    QCOMPARE(ScenarioReport::bigEndian16(last, 24), today.year());
    QCOMPARE(int(quint8(last.at(26))), today.month());
    QCOMPARE(int(quint8(last.at(27))), today.day());
    qInfo("first report: %s", reports.first().toHex(' ').constData());
}

void tst_Windows::singleInstance()
{
    QProcess second;
    second.setProcessEnvironment(program.processEnvironment());
    second.start(kWine, {app + QStringLiteral("/quillon.exe")});
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitCode(), 255); // -1, as the Unix exit code shows it
    QCOMPARE(program.state(), QProcess::Running);
}

void tst_Windows::logonTask()
{
    // Elevated through ShellExecuteW "runas", by the system tool's full path.
    QTRY_VERIFY_WITH_TIMEOUT(!readAll(file("schtasks.txt")).isEmpty(), 30000);
    const QString line = QString::fromUtf8(readAll(file("schtasks.txt"))).trimmed();
    QVERIFY2(line.contains(QLatin1String("/create")) && line.contains(kTaskName) &&
                 line.contains(QLatin1String("---StartupByTaskMinWindow")) &&
                 line.contains(QLatin1String("quillon.exe")),
             qPrintable(line));
    QVERIFY2(line.startsWith(QLatin1String("\"C:\\windows\\system32\\schtasks.exe\""),
                             Qt::CaseInsensitive) ||
                 line.startsWith(QLatin1String("C:\\windows\\system32\\schtasks.exe"),
                                 Qt::CaseInsensitive),
             qPrintable(line));
}

void tst_Windows::hotPlug()
{
    // Removal: the window closes the display and reports stop.
    QCOMPARE(wineTool(QStringLiteral("remove")), 0);
    QTRY_VERIFY2_WITH_TIMEOUT(log().contains("Pull out a device"), qPrintable(diagnosis()), 20000);
    QTest::qWait(2500); // the writer's last queued report may still go out
    const int afterRemoval = writtenReports(file("hidwrites.txt")).size();
    QTest::qWait(3000); // a fixed span: no report may come in it
    QCOMPARE(writtenReports(file("hidwrites.txt")).size(), afterRemoval);
    xScreenshot(kPictures + QStringLiteral("/windows-disconnected.png"));

    // Arrival: the search runs again, the display opens and reports start again.
    QCOMPARE(wineTool(QStringLiteral("arrive")), 0);
    QTRY_VERIFY2_WITH_TIMEOUT(log().count("onOpenHidSuccessful") >= 2, qPrintable(diagnosis()),
                              20000);
    QTRY_VERIFY_WITH_TIMEOUT(writtenReports(file("hidwrites.txt")).size() > afterRemoval + 1,
                             20000);
}

void tst_Windows::logFile()
{
    const QByteArray text = log();
    const QString name =
        QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log");
    QDirIterator it(root.filePath(QStringLiteral("prefix/drive_c/users")), {name}, QDir::Files,
                    QDirIterator::Subdirectories);
    QVERIFY2(it.hasNext(), qPrintable(name));
    QVERIFY(text.startsWith("[Debug]-[flie:    line:0    datetime:"));
    const QRegularExpression record(QStringLiteral(
        "^\\[Debug\\]-\\[flie:    line:0    datetime:\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d"));
    const QList<QByteArray> records = text.split('\n');
    QVERIFY(records.size() > 5);
    for (const QByteArray &r : records) {
        if (!r.isEmpty() && r.startsWith('['))
            QVERIFY2(r.endsWith('\r'), r.constData()); // CR LF
    }
    QVERIFY2(record.match(QString::fromUtf8(records.first())).hasMatch(),
             records.first().constData());
    QVERIFY(text.contains("HWi32SDK init Over [Successful]"));
}

void tst_Windows::ending()
{
    QVERIFY2(stop(), qPrintable(diagnosis()));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(readAll(file("sdk.txt")), QByteArray("shutdown\n"));
    QVERIFY(log().contains("Exit app runing [Normal]"));
    stopAll();
}

void tst_Windows::temperatureUnit()
{
    stopAll();
    QVERIFY2(start(), qPrintable(diagnosis()));
    // The Fahrenheit button of the running window, clicked as a user clicks it.
    QProcess xdotool;
    xdotool.setProcessEnvironment(environment);
    xdotool.start(QStringLiteral("sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral(
                       "w=$(xdotool search --sync --onlyvisible --name '^Quillon$' | head -n 1) && "
                       "xdotool mousemove --window $w %1 %2 click 1")
                       .arg(QUILLON_FAHRENHEIT_X)
                       .arg(QUILLON_FAHRENHEIT_Y)});
    QVERIFY(xdotool.waitForFinished(30000));
    QCOMPARE(xdotool.exitCode(), 0);
    QTRY_VERIFY2_WITH_TIMEOUT(log().contains("TempShowModel Changed -> [℉]"),
                              qPrintable(diagnosis()), 20000);
    QVERIFY(stop());

    QProcess reg;
    reg.setProcessEnvironment(environment);
    reg.start(kWine, {QStringLiteral("reg"), QStringLiteral("query"),
                      QStringLiteral("HKCU\\Software\\MyCompanyVekmar\\Quillon\\TempShowModel"),
                      QStringLiteral("/v"), QStringLiteral("Model")});
    QVERIFY(reg.waitForFinished(30000));
    const QByteArray stored = reg.readAllStandardOutput();
    QVERIFY2(QRegularExpression(QStringLiteral("Model\\s+REG_\\w+\\s+2"))
                 .match(QString::fromUtf8(stored))
                 .hasMatch(),
             stored.constData());

    // The next start shows Fahrenheit.
    const QString picture = root.filePath(QStringLiteral("fahrenheit.png"));
    QVERIFY(start({}, picture));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(picture + QStringLiteral(".values")), 90000);
    const QMap<QString, QString> values = windowValues(picture + QStringLiteral(".values"));
    QCOMPARE(values.value(QStringLiteral("radioButton_Model02")), QStringLiteral("1"));
    QCOMPARE(values.value(QStringLiteral("widget_CpuDashboard")), QStringLiteral("113℉"));
    QTRY_VERIFY_WITH_TIMEOUT(!writtenReports(file("hidwrites.txt")).isEmpty(), 30000);
    QVERIFY(ScenarioReport::mismatch(writtenReports(file("hidwrites.txt")).last(), true).isEmpty());
    stopAll();
}

void tst_Windows::hiddenStart()
{
    stopAll();
    const QString picture = root.filePath(QStringLiteral("hidden.png"));
    QVERIFY2(start({QStringLiteral("---StartupByTaskMinWindow")}, picture),
             qPrintable(diagnosis()));
    QVERIFY(standardOutput().contains("Program was started by Task Scheduler."));
    // Running and refreshing, with no visible top-level window.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(picture + QStringLiteral(".values")), 90000);
    QByteArray visible;
    QCOMPARE(wineTool(QStringLiteral("visible"), &visible), 0);
    QCOMPARE(visible, QByteArray("0"));
    QVERIFY(stop());
    QCOMPARE(program.exitCode(), 0);
    stopAll();
}

void tst_Windows::badInput_data()
{
    QTest::addColumn<QString>("sdk");      // which HWiNFO32.dll lies beside the program
    QTest::addColumn<QString>("variable"); // for the test hidapi.dll
    QTest::addColumn<QByteArray>("printed");
    QTest::addColumn<QByteArray>("logLine");
    QTest::newRow("no HWiNFO32.dll") << QString() << QString() << QByteArray("CANNOT LOAD DLL")
                                     << QByteArray("HWi32SDK init Over [Failed], errorCode: -111");
    QTest::newRow("init refused") << QStringLiteral("init3") << QString()
                                  << QByteArray("SDK HWiNFO -> INIT FAILED 3")
                                  << QByteArray("HWi32SDK init Over [Failed], errorCode: 3");
    QTest::newRow("every write fails")
        << QStringLiteral("complete") << QStringLiteral("FAKEHID_STALLED_WRITES=1000000000")
        << QByteArray("SDK HWiNFO -> INIT OK") << QByteArray("hid_write failed");
}

void tst_Windows::badInput()
{
    QFETCH(QString, sdk);
    QFETCH(QString, variable);
    QFETCH(QByteArray, printed);
    QFETCH(QByteArray, logLine);
    stopAll();
    const QString dll = app + QStringLiteral("/HWiNFO32.dll");
    QFile::remove(dll);
    if (!sdk.isEmpty())
        QVERIFY(
            QFile::copy(kStandIns + QLatin1Char('/') + sdk + QStringLiteral("/HWiNFO32.dll"), dll));
    if (!variable.isEmpty())
        extra.insert(variable.section(QLatin1Char('='), 0, 0),
                     variable.section(QLatin1Char('='), 1));
    const QString picture = root.filePath(QStringLiteral("bad%1.png").arg(runs));
    QVERIFY2(start({}, picture), qPrintable(diagnosis()));
    QTRY_VERIFY2_WITH_TIMEOUT(standardOutput().contains(printed), qPrintable(diagnosis()), 60000);
    QTRY_VERIFY2_WITH_TIMEOUT(log().contains(logLine), qPrintable(diagnosis()), 60000);
    // The window still refreshes, and answers: a close ends it normally.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(picture + QStringLiteral(".values")), 90000);
    if (sdk != QLatin1String("complete"))
        QCOMPARE(
            windowValues(picture + QStringLiteral(".values")).value(QStringLiteral("label_CPU02")),
            QStringLiteral("0"));
    QVERIFY2(stop(), qPrintable(diagnosis()));
    QCOMPARE(program.exitCode(), 0);
    stopAll();
    QFile::remove(dll);
    QVERIFY(QFile::copy(kStandIns + QStringLiteral("/complete/HWiNFO32.dll"), dll));
}

void tst_Windows::crashRestart()
{
    if (qEnvironmentVariableIsEmpty("QUILLON_WINDOWS_SLOW"))
        QSKIP("waits a minute: run by the tst_windows_crashrestart test (QUILLON_WINDOWS_SLOW=1)");
    stopAll();
    QVERIFY2(start(), qPrintable(diagnosis()));
    QTest::qWait(62000); // a fault 60 s or more after the start restarts the program
    QCOMPARE(wineTool(QStringLiteral("crash")), 0);
    // The faulting instance ends; a new one takes the guard and opens the display again.
    QVERIFY(program.waitForFinished(60000));
    QTRY_VERIFY2_WITH_TIMEOUT(log().count("onOpenHidSuccessful") >= 2, qPrintable(diagnosis()),
                              60000);
    QCOMPARE(wineTool(QStringLiteral("close")), 0);
    stopAll();
}

QTEST_GUILESS_MAIN(tst_Windows)
#include "tst_windows.moc"
