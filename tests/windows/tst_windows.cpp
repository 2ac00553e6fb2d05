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

using ScenarioReport::readAll;
using ScenarioReport::windowValues;
using ScenarioReport::writtenReports;

// The 64-bit program unless the environment names another build (the 32-bit run, where
// a 32-bit Wine exists).
QString fromEnvironment(const char *name, const QString &fallback)
{
    return qEnvironmentVariableIsEmpty(name) ? fallback : qEnvironmentVariable(name);
}

const QString kDeployDir =
    fromEnvironment("QUILLON_WINDOWS_DEPLOY", QStringLiteral(QUILLON_WINDOWS_DEPLOY));
const QString kStandIns =
    fromEnvironment("QUILLON_WINDOWS_STANDINS", QStringLiteral(QUILLON_WINDOWS_STANDINS));
const QString kWine = fromEnvironment("QUILLON_WINE", QStringLiteral(QUILLON_WINE64));
const QString kWineServer = QStringLiteral(QUILLON_WINESERVER);
const QString kPictures = QStringLiteral(QUILLON_PICTURES_DIR);
// The program's name and the AppID of the shipped appConfig.ini.
const QString kTaskName = QStringLiteral("quillonStartupTaskOKver---1001");
const QString kSetup =
    fromEnvironment("QUILLON_WINDOWS_SETUP", QStringLiteral(QUILLON_WINDOWS_SETUP));
const QString kUninstallKey =
    QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon");

// A Unix path as the program sees it: Wine's Z: drive is the Unix root.
QString windowsPath(const QString &unixPath)
{
    return QStringLiteral("Z:") + QString(unixPath).replace(QLatin1Char('/'), QLatin1Char('\\'));
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
    void trayExit();
    void temperatureUnit();
    void hiddenStart();
    void badInput_data();
    void badInput();
    void crashRestart();
    void installer_data();
    void installer();

private:
    QString file(const char *name) const
    {
        return runFolder + QLatin1Char('/') + QLatin1String(name);
    }
    bool start(const QStringList &arguments = {}, const QString &picture = QString());
    QByteArray standardOutput();
    QByteArray log() const;
    QByteArray runLog() const { return log().mid(logStart); }
    QString diagnosis();
    int wineTool(const QString &command, QByteArray *printed = nullptr);
    bool stop();
    // waitForFinished() is false for a process whose end was already seen.
    bool ended(int timeoutMs)
    {
        return program.state() == QProcess::NotRunning || program.waitForFinished(timeoutMs);
    }
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
    int logStart = 0;  // where this start's records begin in the day's log
    QString setupCopy; // the installed uninstaller, kept for the runs after it is gone
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
                QStringLiteral("0"), QStringLiteral("2048x1152x24"), QStringLiteral("-nolisten"),
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

    // Windows has Arial and Microsoft YaHei, which the form names, and the fonts Qt falls
    // back to for signs such as the degree Celsius; a fresh Wine prefix has none of them,
    // and its own fallback's tall lines push the dial's caption out of sight. They are
    // mapped to the fonts fontconfig gives for them on Linux, so the two pictures can be
    // held side by side.
    const QString fonts = root.filePath(QStringLiteral("fonts.reg"));
    QFile reg(fonts);
    QVERIFY(reg.open(QIODevice::WriteOnly));
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                  "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"
                                  "\"Arial\"=\"Liberation Sans\"\r\n");
    for (const QString &family :
         {QStringLiteral("\u5fae\u8f6f\u96c5\u9ed1"), QStringLiteral("MS UI Gothic"),
          QStringLiteral("SimSun"), QStringLiteral("Segoe UI Symbol"),
          QStringLiteral("Segoe UI Emoji"), QStringLiteral("Arial Unicode MS"),
          QStringLiteral("Gulim"), QStringLiteral("PMingLiU")})
        text += QLatin1Char('"') + family + QStringLiteral("\"=\"DejaVu Sans\"\r\n");
    reg.write("\xff\xfe");
    reg.write(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    reg.close();
    QVERIFY2(runQuietly(kWine,
                        {QStringLiteral("regedit"), QStringLiteral("/S"), windowsPath(fonts)},
                        environment),
             "regedit of the font replacements failed");

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
    logStart = log().size();
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
        if (path.contains(QLatin1String("/AppData/Roaming/quillon/logDir/")))
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
    return ended(30000);
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
    for (const auto &pair : ScenarioReport::windowTexts())
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
    // One record, as the format has it: its header, the text, CR LF.
    const QRegularExpression record(
        QStringLiteral("\\[Debug\\]-\\[flie:    line:0    datetime:\\d{4}-\\d\\d-\\d\\d "
                       "\\d\\d:\\d\\d:\\d\\d\\]--------------------> HWi32SDK init Over "
                       "\\[Successful\\]\r\n"));
    QVERIFY2(record.match(QString::fromUtf8(text)).hasMatch(), text.left(2000).constData());
    QVERIFY(text.contains("HWi32SDK init Over [Successful]"));
}

void tst_Windows::ending()
{
    // A close that reaches the window ends the program, without the exit sequence's
    // shutdown steps (those belong to the tray's exit action, below).
    QVERIFY2(stop(), qPrintable(diagnosis()));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(readAll(file("sdk.txt")), QByteArray());
    QVERIFY(!log().contains("HWi32SDK UNinit"));
    stopAll();
}

void tst_Windows::trayExit()
{
    stopAll();
    QVERIFY2(start(), qPrintable(diagnosis()));
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("HWi32SDK init Over [Successful]"), 30000);
    // The icon is the first in Wine's own tray window (there is no X tray here); its
    // menu is worked with the keyboard: Up wraps to the last entry, the exit action. On a
    // loaded machine the menu may open after the keys: then it is closed and opened again.
    for (int attempt = 0; attempt < 4 && program.state() != QProcess::NotRunning; ++attempt) {
        QProcess xdotool;
        xdotool.setProcessEnvironment(environment);
        xdotool.start(
            QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("xdotool key Escape; "
                            "w=$(xdotool search --sync --onlyvisible --name '^Wine System Tray$' | "
                            "head -n 1) && xdotool mousemove --window $w 9 9 click 3 && "
                            "sleep %1 && xdotool key Up && sleep 0.5 && xdotool key Return")
                 .arg(attempt + 1)});
        QVERIFY(xdotool.waitForFinished(30000));
        QCOMPARE(xdotool.exitCode(), 0);
        ended(10000);
    }
    QVERIFY2(ended(30000), qPrintable(diagnosis()));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(readAll(file("sdk.txt")), QByteArray("shutdown\n"));
    const QByteArray text = log();
    QVERIFY(text.contains("HWi32SDK UNinit Over [Status],errorCode: 0"));
    QVERIFY(text.lastIndexOf("HWi32SDK UNinit Over") <
            text.lastIndexOf("Exit app runing [Normal]"));
    stopAll();
}

void tst_Windows::temperatureUnit()
{
    stopAll();
    QVERIFY2(start(), qPrintable(diagnosis()));
    QTRY_VERIFY_WITH_TIMEOUT(runLog().contains("Start Update -> Over"), 30000);
    QTest::qWait(1000); // the window is mapped and laid out by then; nothing to wait on
    // The Fahrenheit button of the running window, clicked as a user clicks it.
    QProcess xdotool;
    xdotool.setProcessEnvironment(environment);
    xdotool.start(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral(
             "w=$(xdotool search --sync --onlyvisible --name '^Quillon$' | head -n 1) && "
             "xdotool windowmove --sync $w 0 0 && eval $(xdotool getwindowgeometry --shell $w) && "
             "xdotool mousemove --window $w $((WIDTH - %1)) %2 click 1")
             .arg(QUILLON_FAHRENHEIT_FROM_RIGHT)
             .arg(QUILLON_FAHRENHEIT_Y)});
    QVERIFY(xdotool.waitForFinished(30000));
    QCOMPARE(xdotool.exitCode(), 0);
    // The log is in the local 8-bit encoding, where the degree sign may not exist.
    QTRY_VERIFY2_WITH_TIMEOUT(runLog().contains("TempShowModel Changed -> ["),
                              qPrintable(diagnosis()), 20000);
    QVERIFY(stop());

    QProcess reg;
    reg.setProcessEnvironment(environment);
    reg.start(kWine, {QStringLiteral("reg"), QStringLiteral("query"),
                      QStringLiteral("HKCU\\Software\\MyCompanyVekmar\\Quillon\\TempShowModel"),
                      QStringLiteral("/v"), QStringLiteral("Model")});
    QVERIFY(reg.waitForFinished(30000));
    const QByteArray stored = reg.readAllStandardOutput();
    QVERIFY2(QRegularExpression(QStringLiteral("Model\\s+REG_\\w+\\s+(0x)?2\\b"))
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
    QVERIFY2(start(), qPrintable(diagnosis()));
    QTRY_VERIFY2_WITH_TIMEOUT(standardOutput().contains(printed), qPrintable(diagnosis()), 60000);
    QTRY_VERIFY2_WITH_TIMEOUT(runLog().contains(logLine), qPrintable(diagnosis()), 60000);
    // The window is shown and answers: a close ends it normally. Without a working
    // library no pass runs, so the fields keep their 0 (the screen picture shows them).
    QByteArray visible;
    QTRY_VERIFY_WITH_TIMEOUT(
        wineTool(QStringLiteral("visible"), &visible) == 0 && visible.toInt() >= 1, 30000);
    if (sdk != QLatin1String("complete")) {
        QTest::qWait(3000); // the passes that would have come
        xScreenshot(kPictures + QStringLiteral("/windows-bad-%1.png")
                                    .arg(sdk.isEmpty() ? QStringLiteral("nosdk") : sdk));
        QVERIFY(!runLog().contains("Hardware info get"));
    }
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
    QVERIFY(ended(60000));
    QTRY_VERIFY2_WITH_TIMEOUT(log().count("onOpenHidSuccessful") >= 2, qPrintable(diagnosis()),
                              60000);
    QCOMPARE(wineTool(QStringLiteral("close")), 0);
    stopAll();
}

// The 64-bit setup, step by step, in one prefix: each row starts where the last ended.
void tst_Windows::installer_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("folder"); // the install folder, under C:\Program Files
    for (const char *step :
         {"silent install", "files, Start menu and uninstall entry",
          "installed program runs and registers its task",
          "silent reinstall over the running program", "silent uninstall while it runs",
          "second uninstall", "install into a folder with blanks and non-ASCII letters",
          "uninstall after the folder was deleted by hand"}) {
        const bool unusual =
            QByteArray(step).contains("non-ASCII") || QByteArray(step).contains("by hand");
        QTest::newRow(step) << QString::fromLatin1(step)
                            << (unusual ? QStringLiteral("Quillon Mönitor 2")
                                        : QStringLiteral("Quillon"));
    }
}

void tst_Windows::installer()
{
    QFETCH(QString, step);
    QFETCH(QString, folder);
    QVERIFY2(QFile::exists(kSetup), qPrintable(kSetup));
    const QString programFiles = root.filePath(QStringLiteral("prefix/drive_c/Program Files"));
    const QString installed = programFiles + QLatin1Char('/') + folder;
    const QString windowsFolder = QStringLiteral("C:\\Program Files\\") + folder;
    const QString shortcut = root.filePath(QStringLiteral(
        "prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillon.lnk"));
    const auto run = [this](const QString &commandLine) {
        // cmd passes the line on as it stands: NSIS wants /D= last and unquoted, which a
        // Unix argument list would quote.
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(kWine, {QStringLiteral("cmd"), QStringLiteral("/c"), commandLine});
        return process.waitForFinished(180000) ? process.exitCode() : -1;
    };
    const auto registry = [this]() {
        QProcess reg;
        reg.setProcessEnvironment(environment);
        reg.start(kWine, {QStringLiteral("reg"), QStringLiteral("query"), kUninstallKey});
        reg.waitForFinished(30000);
        return reg.exitCode() == 0 ? QString::fromLocal8Bit(reg.readAllStandardOutput())
                                   : QString();
    };
    const auto startInstalled = [&]() {
        QProcessEnvironment env = environment;
        runFolder = root.filePath(QStringLiteral("run%1").arg(++runs));
        QDir().mkpath(runFolder);
        env.insert(QStringLiteral("SCHTASKS_RECORD"), windowsPath(file("schtasks.txt")));
        program.setProcessEnvironment(env);
        output.clear();
        program.start(kWine, {installed + QStringLiteral("/quillon.exe")});
        logStart = log().size();
        QElapsedTimer timer;
        timer.start();
        while (!standardOutput().contains("Task Scheduler.") && timer.elapsed() < 90000 &&
               program.state() != QProcess::NotRunning)
            program.waitForReadyRead(200);
        // Until its window exists, nothing could ask it to end.
        QByteArray visible;
        while (timer.elapsed() < 90000 &&
               (wineTool(QStringLiteral("visible"), &visible) != 0 || visible.toInt() < 1))
            QTest::qWait(200);
        return standardOutput().contains("Task Scheduler.");
    };
    const auto registryHasUnit = [this]() {
        QProcess reg;
        reg.setProcessEnvironment(environment);
        reg.start(kWine,
                  {QStringLiteral("reg"), QStringLiteral("query"),
                   QStringLiteral("HKCU\\Software\\MyCompanyVekmar\\Quillon\\TempShowModel")});
        reg.waitForFinished(30000);
        return reg.exitCode() == 0;
    };
    environment.insert(QStringLiteral("SCHTASKS_RECORD"),
                       windowsPath(root.filePath(QStringLiteral("uninstall-schtasks.txt"))));

    if (step == QLatin1String("silent install")) {
        stopAll();
        QCOMPARE(run(windowsPath(kSetup) + QStringLiteral(" /S")), 0);
        QVERIFY(QFile::exists(installed + QStringLiteral("/quillon.exe")));
    } else if (step.startsWith(QLatin1String("files"))) {
        QDirIterator it(kDeployDir, QDir::Files, QDirIterator::Subdirectories);
        int count = 0;
        while (it.hasNext()) {
            const QString relative = it.next().mid(kDeployDir.size());
            QVERIFY2(QFileInfo(installed + relative).size() == it.fileInfo().size(),
                     qPrintable(relative));
            ++count;
        }
        QVERIFY(count > 10);
        QVERIFY(QFile::exists(installed + QStringLiteral("/uninstall.exe")));
        QVERIFY(!QFile::exists(installed + QStringLiteral("/HWiNFO32.dll")));
        QVERIFY(QFile::exists(shortcut));
        const QString entry = registry();
        for (const char *value :
             {"DisplayName    REG_SZ    Quillon", "DisplayVersion", "Publisher", "DisplayIcon",
              "EstimatedSize", "UninstallString", "QuietUninstallString"})
            QVERIFY2(entry.contains(QLatin1String(value)), qPrintable(entry));
        qInfo("%s", qPrintable(entry));
    } else if (step.startsWith(QLatin1String("installed program"))) {
        QVERIFY2(startInstalled(), qPrintable(diagnosis()));
        QTRY_VERIFY_WITH_TIMEOUT(!readAll(file("schtasks.txt")).isEmpty(), 30000);
        const QString line = QString::fromUtf8(readAll(file("schtasks.txt")));
        QVERIFY2(line.contains(QStringLiteral(
                     "\\\"C:/Program Files/Quillon/quillon.exe\\\" ---StartupByTaskMinWindow")),
                 qPrintable(line));
        QVERIFY(stop());
        QCOMPARE(program.exitCode(), 0);
    } else if (step.startsWith(QLatin1String("silent reinstall"))) {
        QVERIFY2(startInstalled(), qPrintable(diagnosis()));
        const QByteArray logBefore = log();
        QCOMPARE(run(windowsPath(kSetup) + QStringLiteral(" /S")), 0);
        // The setup ended the program as a close of its window does.
        QVERIFY(ended(30000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(log().startsWith(logBefore));
        QVERIFY(QFile::exists(installed + QStringLiteral("/quillon.exe")));
        QVERIFY(registry().contains(QLatin1String("DisplayVersion")));
        // The same path, so the task made at the last start still names the program.
        QVERIFY2(startInstalled(), qPrintable(diagnosis()));
        QTRY_VERIFY_WITH_TIMEOUT(
            readAll(file("schtasks.txt")).contains("C:/Program Files/Quillon/quillon.exe"), 30000);
    } else if (step.startsWith(QLatin1String("silent uninstall"))) {
        QCOMPARE(program.state(), QProcess::Running);
        setupCopy = root.filePath(QStringLiteral("uninstall-copy.exe"));
        QFile::remove(setupCopy);
        QVERIFY(QFile::copy(installed + QStringLiteral("/uninstall.exe"), setupCopy));
        const QByteArray settingsBefore = log();
        // The user's unit, as the program stores it.
        QVERIFY(
            runQuietly(kWine,
                       {QStringLiteral("reg"), QStringLiteral("add"),
                        QStringLiteral("HKCU\\Software\\MyCompanyVekmar\\Quillon\\TempShowModel"),
                        QStringLiteral("/v"), QStringLiteral("Model"), QStringLiteral("/t"),
                        QStringLiteral("REG_DWORD"), QStringLiteral("/d"), QStringLiteral("2"),
                        QStringLiteral("/f")},
                       environment));
        // The uninstaller copies itself away and returns; the copy does the work.
        QProcess uninstall;
        uninstall.setProcessEnvironment(environment);
        uninstall.start(kWine,
                        {windowsFolder + QStringLiteral("\\uninstall.exe"), QStringLiteral("/S")});
        QVERIFY(uninstall.waitForFinished(60000));
        QCOMPARE(uninstall.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(installed), 60000);
        QVERIFY2(ended(30000), qPrintable(diagnosis()));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(!QFile::exists(shortcut));
        QVERIFY(registry().isEmpty());
        // The user's log stays whole, and the settings in the registry.
        QVERIFY(log().startsWith(settingsBefore));
        QVERIFY(registryHasUnit());
        const QByteArray calls = readAll(root.filePath(QStringLiteral("uninstall-schtasks.txt")));
        QVERIFY2(calls.contains("/delete /tn \"" + kTaskName.toUtf8() + "\" /f"),
                 calls.constData());
    } else if (step == QLatin1String("second uninstall")) {
        QCOMPARE(run(windowsPath(setupCopy) + QStringLiteral(" /S _?=") + windowsFolder), 0);
        QVERIFY(!QFileInfo::exists(installed));
        QVERIFY(registry().isEmpty());
    } else if (step.contains(QLatin1String("non-ASCII"))) {
        QCOMPARE(run(windowsPath(kSetup) + QStringLiteral(" /S /D=") + windowsFolder), 0);
        QVERIFY(QFile::exists(installed + QStringLiteral("/quillon.exe")));
        QVERIFY(registry().contains(QLatin1String("InstallLocation")));
        QVERIFY2(startInstalled(), qPrintable(diagnosis()));
        // The log is in the local 8-bit encoding: the folder's non-ASCII letter is not
        // compared. The window's title comes from that folder's appConfig.ini, and the
        // close below finds the window by it.
        QTRY_VERIFY_WITH_TIMEOUT(
            runLog().contains("appConfig.ini Path: \"C:/Program Files/Quillon M") &&
                runLog().contains("nitor 2/configDir/\""),
            30000);
        QVERIFY(stop());
        QCOMPARE(program.exitCode(), 0);
    } else if (step.contains(QLatin1String("by hand"))) {
        QVERIFY(QDir(installed).removeRecursively());
        QCOMPARE(run(windowsPath(setupCopy) + QStringLiteral(" /S _?=") + windowsFolder), 0);
        QVERIFY(!QFile::exists(shortcut));
        QVERIFY(registry().isEmpty());
        stopAll();
    }
}

QTEST_GUILESS_MAIN(tst_Windows)
#include "tst_windows.moc"
