// The built program, started as a user would start it, with the test sensor library
// and the test hidapi library found first through LD_LIBRARY_PATH. Each run gets its
// own home, configuration, data and temporary folders.

#include "../decimalcommalocale.h"

#include "scenarioreport.h"

#include <QtTest>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>
#include <time.h>

#include <memory>

namespace {

using ScenarioReport::readAll;
using ScenarioReport::windowValues;
using ScenarioReport::writtenReports;

const QString buildDir = QStringLiteral(QUILLON_BUILD_DIR);

// What quillon-powerd writes, measured now: replaced whole, as it does.
bool writePowerHelperFile(const QString &path, const QByteArray &watts)
{
    timespec now = {};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const QByteArray ns =
        QByteArray::number(qulonglong(now.tv_sec) * 1000000000ULL + qulonglong(now.tv_nsec));
    const QString temporary = path + QStringLiteral(".new");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write("watts=" + watts + "\nboottime_ns=" + ns + "\n") < 0)
        return false;
    file.close();
    return ::chmod(QFile::encodeName(temporary).constData(), 0644) == 0 &&
           ::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(path).constData()) == 0;
}

// One program run with its private folders.
class ProgramRun
{
public:
    explicit ProgramRun(QTemporaryDir &root) : root(root.path())
    {
        for (const char *sub : {"home", "config", "data", "runtime"})
            QDir(this->root).mkpath(QLatin1String(sub));
        QFile::setPermissions(this->root + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString path(const char *sub) const { return root + QLatin1Char('/') + QLatin1String(sub); }
    QString writeLog() const { return path("hidwrites.txt"); }

    // Starts the program and waits for its first line, which it prints once it holds
    // its single-instance guard. The guard's System V key comes from ftok() on a file in
    // the runtime folder, which keeps only 16 bits of the inode number: another test's
    // program in another folder can hold the same key, and then this start ends at once
    // with -1. A fresh runtime folder gets another inode, so such a start is retried there.
    bool start(const QString &program, const QStringList &arguments, const QString &screenshot)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            const QString tmp = path("tmp") + QString::number(++tmpCount);
            QDir().mkpath(tmp);
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            env.insert(QStringLiteral("HOME"), path("home"));
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
            env.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
            QString runtime = path("runtime");
            if (attempt > 0) {
                runtime += QString::number(tmpCount);
                QDir().mkpath(runtime);
                QFile::setPermissions(runtime,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            }
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
            env.insert(QStringLiteral("TMPDIR"), tmp);
            // No test case: the sensor library built beside the program.
            env.insert(QStringLiteral("LD_LIBRARY_PATH"),
                       (sdkCase.isEmpty()
                            ? buildDir
                            : buildDir + QStringLiteral("/tests/fakesdk/") + sdkCase) +
                           QLatin1Char(':') + buildDir + QStringLiteral("/tests/fakehidapi"));
            env.insert(QStringLiteral("FAKEHID_WRITE_LOG"), writeLog());
            env.remove(QStringLiteral("FAKEHID_NO_DEVICE"));
            if (!screenshot.isEmpty())
                env.insert(QStringLiteral("QUILLON_SCREENSHOT"), screenshot);
            for (auto it = extraEnvironment.cbegin(); it != extraEnvironment.cend(); ++it)
                env.insert(it.key(), it.value());
            process.setProcessEnvironment(env);
            output.clear();
            process.start(program, arguments);
            if (!process.waitForStarted())
                return false;
            QElapsedTimer timer;
            timer.start();
            while (!standardOutput().contains("Task Scheduler.") && timer.elapsed() < 45000) {
                if (process.state() == QProcess::NotRunning)
                    break;
                process.waitForReadyRead(100);
            }
            if (standardOutput().contains("Task Scheduler."))
                return true;
            process.waitForFinished(5000);
            if (process.exitCode() != 255) // -1: the guard was taken
                return false;
        }
        return false;
    }

    QByteArray standardOutput()
    {
        output += process.readAllStandardOutput();
        return output;
    }

    // For a failure message: whether the program still runs, and the end of what it
    // said on stderr (a sanitizer's report, for one).
    QString diagnosis()
    {
        return QStringLiteral("running: %1, exit code: %2, stderr: %3")
            .arg(process.state() == QProcess::Running)
            .arg(process.exitCode())
            .arg(QString::fromLocal8Bit(process.readAllStandardError().right(3000)));
    }

    // SIGTERM takes the program's regular exit path.
    bool quit()
    {
        process.terminate();
        return process.waitForFinished(30000);
    }

    // The day's log files of the program, in date order, joined.
    QByteArray log() const
    {
        const QDir logDir(path("data") + QStringLiteral("/quillon/logDir"));
        QByteArray text;
        const QStringList files =
            logDir.entryList({QStringLiteral("*.log")}, QDir::Files, QDir::Name);
        for (const QString &file : files)
            text += readAll(logDir.filePath(file));
        return text;
    }

    QString settingsFile() const
    {
        return path("config") + QStringLiteral("/MyCompanyVekmar/Quillon.conf");
    }

    QProcess process;
    QString sdkCase = QStringLiteral("complete");
    QMap<QString, QString> extraEnvironment;

private:
    QString root;
    QByteArray output;
    int tmpCount = 0;
};

} // namespace

class tst_EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wholeProgram();
    void fahrenheitAcrossRestart();
    void hiddenStartWithMissingImages();
    void stuckSensorCallStillExits();
    void displayComesBack_data();
    void displayComesBack();
    void sensorTreeToReport_data();
    void sensorTreeToReport();

private:
    QString program;
};

void tst_EndToEnd::initTestCase()
{
    program = buildDir + QStringLiteral("/quillon");
    QVERIFY2(QFile::exists(program), qPrintable(program));
    QVERIFY(
        QFile::exists(buildDir + QStringLiteral("/tests/fakesdk/complete/libquillon-sensors.so")));
    QVERIFY(QFile::exists(buildDir + QStringLiteral("/tests/fakehidapi/libhidapi-hidraw.so.0")));
}

void tst_EndToEnd::wholeProgram()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    ProgramRun run(root);
    const QString picture = buildDir + QStringLiteral("/pictures/mainwindow.png");
    QFile::remove(picture);
    QFile::remove(picture + QStringLiteral(".values"));
    QVERIFY(run.start(program, {}, picture));

    // The picture is taken at the second refresh, so the first reports are out by then.
    QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(picture + QStringLiteral(".values")),
                              qPrintable(run.diagnosis()), 60000);
    const QMap<QString, QString> values = windowValues(picture + QStringLiteral(".values"));

    // What the test sensor library reports, as the window shows it.
    for (const auto &pair : ScenarioReport::windowTexts())
        QCOMPARE(values.value(QLatin1String(pair.first)), QString::fromUtf8(pair.second));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\dG/\\d+\\.\\dG$"))
                .match(values.value(QStringLiteral("label_MemoryUsage")))
                .hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+G/\\d+G$"))
                .match(values.value(QStringLiteral("label_HardDiskUsage")))
                .hasMatch());

    // The picture is a PNG of the whole 1200 x 596 window.
    const QByteArray png = readAll(picture);
    QVERIFY(png.startsWith("\x89PNG\r\n\x1a\n"));
    QCOMPARE(png.mid(16, 8), QByteArray::fromHex("000004b000000254"));

    // One report per acquisition pass, about once a second.
    QTRY_VERIFY_WITH_TIMEOUT(writtenReports(run.writeLog()).size() >= 2, 30000);
    const int before = writtenReports(run.writeLog()).size();
    QTest::qWait(5000); // a fixed span: the rate is what is measured
    const int after = writtenReports(run.writeLog()).size();
    // A pass is a 1 s sleep plus the readings: never more than one report a second.
    // How many fewer a loaded machine (or a sanitizer build) fits in is not the point.
    QVERIFY2(after - before >= 1 && after - before <= 6,
             qPrintable(QStringLiteral("%1 reports in 5 s").arg(after - before)));

    const QList<QByteArray> reports = writtenReports(run.writeLog());
    const QByteArray report = reports.last();
    QVERIFY2(ScenarioReport::mismatch(report).isEmpty(),
             qPrintable(ScenarioReport::mismatch(report)));
    // Memory and drive move with the machine; the report and the window agree closely.
    QVERIFY(qAbs(quint8(report.at(21)) -
                 values.value(QStringLiteral("label_HardDiskUsageNum")).toInt()) <= 1);
    // Every report carries the same readings.
    for (const QByteArray &earlier : reports)
        QCOMPARE(earlier.mid(0, 18), report.mid(0, 18));

    // The regular exit: status 0, the SDK shut down, and the log says so.
    QVERIFY(run.quit());
    QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.process.exitCode(), 0);
    QVERIFY(run.standardOutput().contains("Program was not started by Task Scheduler."));

    const QByteArray log = run.log();
    for (const char *line :
         {"TempShowModel Init -> [℃]", "Start Update -> Start",
          "onOpenHidSuccessful -----------------------", "HWi32SDK init Over [Successful]",
          "Window picture saved:", "HWi32SDK UNinit Over [Status],errorCode:",
          "Exit app runing [Normal]"})
        QVERIFY2(log.contains(line), line);
    QVERIFY(log.startsWith("[Debug]-[flie:    line:0    datetime:"));
    QVERIFY(log.indexOf("HWi32SDK UNinit Over") < log.indexOf("Exit app runing [Normal]\r\n"));
    QVERIFY(!log.contains("SDK Init doing"));
}

void tst_EndToEnd::fahrenheitAcrossRestart()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    ProgramRun run(root);
    // A stored unit that is not a number comes up as Fahrenheit and is replaced by 2.
    QDir().mkpath(QFileInfo(run.settingsFile()).absolutePath());
    QFile settings(run.settingsFile());
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[TempShowModel]\nModel=abc\n");
    settings.close();

    const QString picture = buildDir + QStringLiteral("/pictures/mainwindow_fahrenheit.png");
    for (int start = 0; start < 2; ++start) {
        QFile::remove(picture + QStringLiteral(".values"));
        QFile::remove(run.writeLog());
        QVERIFY(run.start(program, {}, picture));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(picture + QStringLiteral(".values")), 60000);
        const QMap<QString, QString> values = windowValues(picture + QStringLiteral(".values"));
        QCOMPARE(values.value(QStringLiteral("radioButton_Model02")), QStringLiteral("1"));
        QCOMPARE(values.value(QStringLiteral("widget_CpuDashboard")), QStringLiteral("113℉"));
        QCOMPARE(values.value(QStringLiteral("widget_GpuDashboard")), QStringLiteral("122℉"));

        // The device still gets Celsius, flagged as Fahrenheit.
        QTRY_VERIFY_WITH_TIMEOUT(!writtenReports(run.writeLog()).isEmpty(), 30000);
        const QByteArray report = writtenReports(run.writeLog()).last();
        QVERIFY2(ScenarioReport::mismatch(report, true).isEmpty(),
                 qPrintable(ScenarioReport::mismatch(report, true)));

        QVERIFY(run.quit());
        QCOMPARE(run.process.exitCode(), 0);
        QVERIFY(readAll(run.settingsFile()).contains("Model=2"));
    }
    // Each start announces the stored unit and runs the Fahrenheit switch in full.
    const QByteArray log = run.log();
    QCOMPARE(log.count("TempShowModel Init -> [℉]"), 2);
    QCOMPARE(log.count("TempShowModel Changed -> [℉]"), 2);
}

void tst_EndToEnd::hiddenStartWithMissingImages()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    ProgramRun run(root);
    // A copy of the program beside a configuration whose images do not exist.
    const QString bin = run.path("bin");
    QVERIFY(QDir().mkpath(bin + QStringLiteral("/configDir")));
    QVERIFY(QFile::copy(program, bin + QStringLiteral("/quillon")));
    QFile ini(bin + QStringLiteral("/configDir/appConfig.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[AppInfo]\nAppName=Missing\nAppVersion=V9\nAppID=T\n"
              "[AppIco]\nAppIcoSel01=nothere.png\nAppIcoSel02=nothere2.png\n"
              "[AppUiShow]\nLeftTopShowModel=2\nLeftTopShowImage=gone.png\n"
              "MainAreaShowModel=2\nMainAreaShowBgImage=gone-too.png\n"
              "DeviceConStatusShowModel=1\nTemperatureChangShowModel=1\nAppVersionShowModel=1\n"
              "[ThemeColor]\nMainColor=222.247.80\nTextFont=DejaVu Sans\n");
    ini.close();

    const QString picture = run.path("hidden.png");
    QVERIFY(run.start(bin + QStringLiteral("/quillon"),
                      {QStringLiteral("---StartupByTaskMinWindow")}, picture));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(picture + QStringLiteral(".values")), 60000);
    QCOMPARE(windowValues(picture + QStringLiteral(".values")).value(QStringLiteral("label_CPU02")),
             QStringLiteral("3600"));
    QTRY_VERIFY_WITH_TIMEOUT(!writtenReports(run.writeLog()).isEmpty(), 30000);

    QVERIFY(run.quit());
    QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.process.exitCode(), 0);
    QVERIFY(run.standardOutput().contains("Program was started by Task Scheduler."));
    const QList<QByteArray> errors = run.process.readAllStandardError().split('\n');
    QVERIFY2(errors.size() < 20, errors.join('\n').constData());
    QVERIFY(run.log().contains("APP ICO -> Ico file is not exists"));
}

void tst_EndToEnd::stuckSensorCallStillExits()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    ProgramRun run(root);
    run.sdkCase = QStringLiteral("stuckreading");
    QVERIFY(run.start(program, {}, QString()));
    QTRY_VERIFY_WITH_TIMEOUT(run.log().contains("HWi32SDK init Over [Successful]"), 30000);
    QTest::qWait(1500); // the loop's first pass starts a second later and never returns

    QVERIFY(run.quit());
    QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.process.exitCode(), 0);
    const QByteArray log = run.log();
    QVERIFY(log.contains("HWi32SDK UNinit skipped: a sensor call has not returned"));
    QVERIFY(!log.contains("HWi32SDK UNinit Over"));
    QVERIFY(log.contains("Exit app runing [Normal]"));
}

void tst_EndToEnd::displayComesBack_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("logLine");
    QTest::newRow("one stalled write")
        << QStringLiteral("FAKEHID_STALLED_WRITES") << QStringLiteral("1")
        << QByteArray("hid_write failed while the device is listed");
    QTest::newRow("plugged 5 s after start, without udev")
        << QStringLiteral("FAKEHID_DEVICE_AFTER_MS") << QStringLiteral("5000")
        << QByteArray("Hot-plug works by polling");
}

void tst_EndToEnd::displayComesBack()
{
    QFETCH(QString, variable);
    QFETCH(QString, value);
    QFETCH(QByteArray, logLine);
    if (variable == QLatin1String("FAKEHID_DEVICE_AFTER_MS") &&
        QFileInfo::exists(QStringLiteral("/run/udev/control")))
        QSKIP("a udev daemon runs here: the program does not poll");
    QTemporaryDir root;
    QVERIFY(root.isValid());
    ProgramRun run(root);
    run.extraEnvironment.insert(variable, value);
    QVERIFY(run.start(program, {}, QString()));
    QTRY_VERIFY2_WITH_TIMEOUT(!writtenReports(run.writeLog()).isEmpty(),
                              qPrintable(run.diagnosis() + QStringLiteral(", log: ") +
                                         QString::fromLocal8Bit(run.log().right(3000))),
                              30000);
    QVERIFY(run.quit());
    QCOMPARE(run.process.exitCode(), 0);
    const QByteArray log = run.log();
    QVERIFY2(log.contains(logLine), log.constData());
    QCOMPARE(log.count(logLine), 1);
}

void tst_EndToEnd::sensorTreeToReport_data()
{
    QTest::addColumn<QString>("locale"); // LANG and LC_ALL; empty: as the suite runs
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QByteArray>("choices"); // the user's sensors.conf
    QTest::addColumn<int>("offset");         // of the report's big-endian field waited for
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("clock");
    QTest::addColumn<QStringList>("said"); // by the first pass on standard output
    QTest::addColumn<QStringList>("unsaid");
    // A virtual machine's tree, whose clock is the text of /proc/cpuinfo, with the power
    // helper's file kept fresh as the helper would: its 25.5 W as the CPU power.
    QTest::newRow("the suite's locale")
        << QString() << "vm" << QByteArray() << 8 << 25 << 2294 << QStringList() << QStringList();
    // QApplication sets the C library's numeric locale from the environment.
    QTest::newRow("decimal comma, de_DE.UTF-8")
        << QString::fromLatin1(kDecimalCommaLocale) << "vm" << QByteArray() << 8 << 25 << 2294
        << QStringList() << QStringList();
    // The owner's sensors.conf reaches the program through the library: the chassis fan
    // as the CPU fan in the report, and no board temperature.
    QTest::newRow("an owner's choices")
        << QString() << "intel-asus"
        << QByteArray("[Fields]\ncpuFanSpeed=nct6798/fan3\nmotherboardTemperature=none\n") << 6
        << 742 << 4900 << QStringList{"Fan ===> CPU Fan = 742 RPM"}
        << QStringList{"Temperature ===> Motherboard", "1210 RPM"};
}

void tst_EndToEnd::sensorTreeToReport()
{
    QFETCH(QString, locale);
    QFETCH(QString, tree);
    QFETCH(QByteArray, choices);
    QFETCH(int, offset);
    QFETCH(int, value);
    QFETCH(int, clock);
    QFETCH(QStringList, said);
    QFETCH(QStringList, unsaid);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    ProgramRun run(root);
    if (!locale.isEmpty()) {
        QByteArray locPath;
        QString why;
        if (!decimalCommaLocPath(&locPath, &why))
            QSKIP(qPrintable(why));
        if (!locPath.isEmpty())
            run.extraEnvironment.insert(QStringLiteral("LOCPATH"), QFile::decodeName(locPath));
        run.extraEnvironment.insert(QStringLiteral("LANG"), locale);
        run.extraEnvironment.insert(QStringLiteral("LC_ALL"), locale);
    }
    const QString treeRoot = run.path("tree");
    QCOMPARE(QProcess::execute(QStringLiteral("cp"),
                               {QStringLiteral("-a"),
                                QStringLiteral(QUILLON_TEST_DATA "/../sensorlib/trees/") + tree,
                                treeRoot}),
             0);
    if (!choices.isEmpty()) {
        QVERIFY(QDir().mkpath(run.path("config") + QStringLiteral("/quillon")));
        QFile file(run.path("config") + QStringLiteral("/quillon/sensors.conf"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(choices) == choices.size());
    }
    QVERIFY(QDir().mkpath(treeRoot + QStringLiteral("/run/quillon")));
    const QString helperFile = treeRoot + QStringLiteral("/run/quillon/cpu-power");
    QVERIFY(writePowerHelperFile(helperFile, "25.5"));
    QTimer helper;
    QObject::connect(&helper, &QTimer::timeout,
                     [&helperFile] { writePowerHelperFile(helperFile, "25.5"); });
    helper.start(500);
    run.sdkCase.clear();
    run.extraEnvironment.insert(QStringLiteral("QUILLON_SENSORS_ROOT"), treeRoot);
    run.extraEnvironment.insert(QStringLiteral("QUILLON_NVML_LIBRARY"),
                                QStringLiteral("/nonexistent/libnvidia-ml.so.1"));
    QVERIFY(run.start(program, {}, QString()));

    const auto lastReport = [&run] {
        const QList<QByteArray> reports = writtenReports(run.writeLog());
        return reports.isEmpty() ? QByteArray(65, '\0') : reports.last();
    };
    QTRY_VERIFY2_WITH_TIMEOUT(ScenarioReport::bigEndian16(lastReport(), offset) == value,
                              qPrintable(QStringLiteral("%1 at offset %2; ")
                                             .arg(ScenarioReport::bigEndian16(lastReport(), offset))
                                             .arg(offset) +
                                         run.diagnosis()),
                              30000);
    QCOMPARE(ScenarioReport::bigEndian16(lastReport(), 4),
             clock); // the vm's clock is "2294.608" MHz
    QVERIFY(run.quit());
    QCOMPARE(run.process.exitCode(), 0);
    // Read once the program has ended: all it said is in by then.
    const QByteArray output = run.standardOutput();
    for (const QString &line : said)
        QVERIFY2(output.contains(line.toUtf8()), output.constData());
    for (const QString &line : unsaid)
        QVERIFY2(!output.contains(line.toUtf8()), output.constData());
}

QTEST_GUILESS_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
