// The SDK binding and the acquisition thread against real libraries found by
// the bare name: each ctest entry runs this program with LD_LIBRARY_PATH on
// one stand-in library and QUILLON_FAKESDK naming it ("none" for no library).

#include "capture.h"
#include "sensors/getpcinfothread.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cfloat>
#include <dlfcn.h>
#include <thread>

Q_DECLARE_METATYPE(SensorSnapshot)

namespace {

QString scenario()
{
    const QString name = qEnvironmentVariable("QUILLON_FAKESDK");
    return name.isEmpty() ? QStringLiteral("none") : name;
}

// Call counters of the stand-in library the binding loaded; -1 without one.
int fakeCalls(int ordinal)
{
    void *handle = dlopen("libquillon-sensors.so", RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return -1;
    auto calls = reinterpret_cast<int (*)(int)>(dlsym(handle, "fakesdk_calls"));
    const int result = calls ? calls(ordinal) : -1;
    dlclose(handle);
    return result;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) >= 0;
}

} // namespace

// Passes seen on the test's thread. QSignalSpy connects directly, and its wait
// flag is not meant to be touched from the emitting thread.
class PassRelay : public QObject
{
    Q_OBJECT
signals:
    void sigRelayed();

public slots:
    void onPass() { emit sigRelayed(); }
};

struct PassSpy
{
    explicit PassSpy(getPcInfoThread *thread) : spy(&relay, &PassRelay::sigRelayed)
    {
        QObject::connect(thread, &getPcInfoThread::sigGetPcInfoOk, &relay, &PassRelay::onPass,
                         Qt::QueuedConnection);
    }
    bool wait(int ms) { return spy.wait(ms); }
    int count() const { return spy.count(); }
    PassRelay relay;
    QSignalSpy spy;
};

#define ONLY_IN(...)                                                                               \
    do {                                                                                           \
        if (!QStringList{__VA_ARGS__}.contains(scenario()))                                        \
            QSKIP("not this library's case");                                                      \
    } while (0)

class tst_getPcInfoThread : public QObject
{
    Q_OBJECT
private slots:
    void initStatus();
    void uninitWithoutInit();
    void noPassesWithoutSdk();
    void stopLoopInterruptsSleep();
    void firstPassIsVerbose();
    void snapshotValues_data();
    void snapshotValues();
    void sensorCountBounded();
    void shutdownStopsLoopFirst();
    void readerSeesWholePasses();
    void capturedLinuxTree();
    void thisMachine();
};

void tst_getPcInfoThread::initStatus()
{
    struct Expected
    {
        bool ok;
        int code;
        QByteArray line;
    };
    const Expected cannotLoad{false, -111, "CANNOT LOAD DLL\n"};
    const Expected initOk{true, 0, "SDK HWiNFO -> INIT OK\n"};
    const QMap<QString, Expected> expected{
        {"none", cannotLoad},
        {"no943", cannotLoad},
        {"init3", {false, 3, "SDK HWiNFO -> INIT FAILED 3\n"}},
    };
    const Expected want = expected.value(scenario(), initOk);

    getPcInfoThread thread;
    QSignalSpy status(&thread, &getPcInfoThread::sigTheSdkInitStatus);
    // The line follows the signal: a direct connection sees stdout still empty.
    QByteArray printedAtSignal = "unset";
    StdoutCapture out;
    connect(
        &thread, &getPcInfoThread::sigTheSdkInitStatus, this, [&] { printedAtSignal = out.peek(); },
        Qt::DirectConnection);
    thread.onStartInitSdkLater();
    QCOMPARE(out.text(), want.line);
    QCOMPARE(printedAtSignal, QByteArray());
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(0).toBool(), want.ok);
    QCOMPARE(status.at(0).at(1).toInt(), want.code);
    if (scenario() == "no943")
        QCOMPARE(fakeCalls(411), 0);
    if (scenario() == "none")
        QCOMPARE(fakeCalls(411), -1);
}

void tst_getPcInfoThread::uninitWithoutInit()
{
    ONLY_IN("none", "no943", "init3");
    getPcInfoThread thread;
    StdoutCapture out;
    thread.onStartInitSdkLater();
    QCOMPARE(thread.uninitSdk(), -88);
    if (scenario() != "none")
        QCOMPARE(fakeCalls(198), 0);
}

void tst_getPcInfoThread::noPassesWithoutSdk()
{
    ONLY_IN("none", "no943", "init3");
    getPcInfoThread thread;
    PassSpy passes(&thread);
    StdoutCapture out;
    thread.onStartInitSdkLater();
    thread.start();
    // Proving an absence needs a wait past the first sleep.
    QVERIFY(!passes.wait(1500));
    QVERIFY(thread.isRunning());
    thread.stopLoop();
    QVERIFY(thread.isFinished());
    const SensorSnapshot s = thread.getPcInfo();
    QCOMPARE(s.cpuTemperature, 0.0f);
    QCOMPARE(s.memoryClock, 0.0f);
}

void tst_getPcInfoThread::stopLoopInterruptsSleep()
{
    getPcInfoThread never;
    never.stopLoop(); // never started: returns at once
    never.stopLoop();

    getPcInfoThread thread;
    StdoutCapture out;
    thread.onStartInitSdkLater();
    thread.start();
    QTRY_VERIFY(thread.isRunning());
    QElapsedTimer timer;
    timer.start();
    thread.stopLoop();
    QVERIFY2(timer.elapsed() < 900, "stopLoop() waited out the one-second sleep");
    QVERIFY(thread.isFinished());
    thread.stopLoop();
}

void tst_getPcInfoThread::firstPassIsVerbose()
{
    ONLY_IN("complete");
    getPcInfoThread thread;
    PassSpy passes(&thread);
    {
        StdoutCapture init;
        thread.onStartInitSdkLater();
    }
    DebugCapture log;
    {
        StdoutCapture out;
        thread.start();
        QVERIFY(passes.wait(5000));
        const QByteArray expected = "======== Fake CPU ========\n"
                                    "Temperature ===> CPU Package = 45.0 C\n"
                                    "Fan ===> CPU Fan = 1200 RPM\n"
                                    "Power ===> CPU Package Power = 65.000 W\n"
                                    "Clock ===> Core 0 Clock = 3600.0 MHz\n"
                                    "Usage ===> Total CPU Usage = 12.0%\n"
                                    "\n"
                                    "======== Fake GPU ========\n"
                                    "Temperature ===> GPU Temperature = 50.0 C\n"
                                    "Power ===> GPU Power (Total) = 20.000 W\n"
                                    "Clock ===> GPU Clock = 1500.0 MHz\n"
                                    "Usage ===> GPU Core Load = 3.0%\n"
                                    "\n"
                                    "======== Fake Board ========\n"
                                    "Temperature ===> Motherboard = 30.0 C\n"
                                    "Clock ===> Memory Clock = 1600.0 MHz\n"
                                    "\n";
        QCOMPARE(out.text(), expected);
    }
    const QStringList expectedLog{
        "---------------------------- *** Hardware info get [Start] *** "
        "----------------------------",
        "\"======== Fake CPU ========\"",
        QString::fromUtf8("\"Temperature ===> CPU Package = 45 \u2103\""),
        "\"Fan ===> CPU Fan = 1200 RPM\"",
        "\"Power ===> CPU Package Power = 65 W\"",
        "\"Clock ===> Core 0 Clock = 3600 MHz\"",
        "\"Usage ===> Total CPU Usage = 12 %\"",
        "\"======== Fake GPU ========\"",
        QString::fromUtf8("\"Temperature ===> GPU Temperature = 50 \u2103\""),
        "\"Power ===> GPU Power (Total) = 20 W\"",
        "\"Clock ===> GPU Clock = 1500 MHz\"",
        "\"Usage ===> GPU Core Load = 3 %\"",
        "\"======== Fake Board ========\"",
        QString::fromUtf8("\"Temperature ===> Motherboard = 30 \u2103\""),
        "\"Clock ===> Memory Clock = 1600 MHz\"",
        "---------------------------- *** Hardware info get [Over] *** "
        "----------------------------",
    };
    QCOMPARE(DebugCapture::taken(), expectedLog);

    // Later passes log nothing but still end each sensor with a newline.
    StdoutCapture out;
    QVERIFY(passes.wait(5000));
    thread.stopLoop();
    QCOMPARE(out.text(), QByteArray("\n\n\n"));
    QCOMPARE(DebugCapture::taken(), QStringList());
}

void tst_getPcInfoThread::snapshotValues_data()
{
    QTest::addColumn<SensorSnapshot>("expected");
    SensorSnapshot complete;
    complete.cpuTemperature = 45;
    complete.cpuUsage = 12;
    complete.cpuClock = 3600;
    complete.cpuPower = 65;
    complete.cpuFanSpeed = 1200;
    complete.gpuTemperature = 50;
    complete.gpuUsage = 3;
    complete.gpuClock = 1500;
    complete.gpuPower = 20;
    complete.motherboardTemperature = 30;
    complete.memoryClock = 1600;
    QTest::newRow("complete") << complete;

    // The 256-byte labels are read within the buffer: the fan label still
    // contains "GPU Fan".
    SensorSnapshot badLabels;
    badLabels.gpuFanSpeed = 900;
    badLabels.motherboardTemperature = 31;
    QTest::newRow("badlabels") << badLabels;

    // NaN and infinities are no readings; a value past float's range saturates.
    SensorSnapshot badValues;
    badValues.cpuTemperature = 55;
    badValues.cpuPower = FLT_MAX;
    badValues.gpuUsage = 1.0f;
    QTest::newRow("badvalues") << badValues;

    QTest::newRow("negativecount") << SensorSnapshot();
    QTest::newRow("hugecount") << complete; // the first three of 256 sensors
}

void tst_getPcInfoThread::snapshotValues()
{
    QFETCH(SensorSnapshot, expected);
    if (scenario() != QLatin1String(QTest::currentDataTag()))
        QSKIP("not this library's case");
    getPcInfoThread thread;
    PassSpy passes(&thread);
    DebugCapture log;
    StdoutCapture out;
    thread.onStartInitSdkLater();
    thread.start();
    QVERIFY(passes.wait(10000));
    thread.stopLoop();
    const SensorSnapshot s = thread.getPcInfo();
    QCOMPARE(s.cpuTemperature, expected.cpuTemperature);
    QCOMPARE(s.cpuUsage, expected.cpuUsage);
    QCOMPARE(s.cpuClock, expected.cpuClock);
    QCOMPARE(s.cpuPower, expected.cpuPower);
    QCOMPARE(s.cpuFanSpeed, expected.cpuFanSpeed);
    QCOMPARE(s.gpuTemperature, expected.gpuTemperature);
    QCOMPARE(s.gpuUsage, expected.gpuUsage);
    QCOMPARE(s.gpuClock, expected.gpuClock);
    QCOMPARE(s.gpuPower, expected.gpuPower);
    QCOMPARE(s.gpuFanSpeed, expected.gpuFanSpeed);
    QCOMPARE(s.motherboardTemperature, expected.motherboardTemperature);
    QCOMPARE(s.memoryClock, expected.memoryClock);
    if (scenario() == "badlabels") {
        // The name and the label are printed whole and no further.
        const QByteArray text = out.text();
        QVERIFY(text.contains("\n======== " + QByteArray(256, 'N') + " ========\n"));
        QVERIFY(text.contains("Temperature ===> " + QByteArray(256, 'X') + " = 40.0 C\n"));
    }
}

void tst_getPcInfoThread::sensorCountBounded()
{
    ONLY_IN("negativecount", "hugecount");
    getPcInfoThread thread;
    PassSpy passes(&thread);
    StdoutCapture out;
    DebugCapture log;
    thread.onStartInitSdkLater();
    const int before = fakeCalls(560);
    thread.start();
    QVERIFY(passes.wait(10000));
    thread.stopLoop();
    const int perSensorCalls = fakeCalls(560) - before;
    // negative counts as no sensor; an absurd count is capped at 256 per pass
    QCOMPARE(perSensorCalls, scenario() == "negativecount" ? 0 : 256 * passes.count());
}

void tst_getPcInfoThread::shutdownStopsLoopFirst()
{
    ONLY_IN("complete");
    getPcInfoThread thread;
    PassSpy passes(&thread);
    StdoutCapture out;
    DebugCapture log;
    thread.onStartInitSdkLater();
    thread.start();
    QVERIFY(passes.wait(5000));
    QCOMPARE(thread.uninitSdk(), 0);
    QCOMPARE(fakeCalls(198), 1);
    QVERIFY(thread.isFinished());
    QCOMPARE(fakeCalls(-1), 0); // no SDK call after the shutdown
}

void tst_getPcInfoThread::readerSeesWholePasses()
{
    ONLY_IN("complete");
    getPcInfoThread thread;
    PassSpy passes(&thread);
    StdoutCapture out;
    DebugCapture log;
    thread.onStartInitSdkLater();
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0}, full{0};
    std::thread reader([&] {
        while (!stop) {
            const SensorSnapshot s = thread.getPcInfo();
            const bool first = s.cpuTemperature == 45.0f;
            if (first != (s.memoryClock == 1600.0f))
                ++torn;
            if (first)
                ++full;
        }
    });
    thread.start();
    QVERIFY(passes.wait(5000));
    QVERIFY(passes.wait(5000));
    stop = true;
    reader.join();
    thread.stopLoop();
    QCOMPARE(torn.load(), 0);
    QVERIFY(full > 0);
}

void tst_getPcInfoThread::capturedLinuxTree()
{
    ONLY_IN("linuxtree");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString tree = dir.filePath("tree");
    QCOMPARE(QProcess::execute(
                 "cp", {"-a", QStringLiteral(QUILLON_SENSORLIB_TREES "/intel-desktop"), tree}),
             0);
    qputenv("QUILLON_SENSORS_ROOT", QFile::encodeName(tree));
    const QString stat = tree + "/proc/stat";
    const QString energy = tree + "/sys/devices/virtual/powercap/intel-rapl/intel-rapl:0/energy_uj";
    QVERIFY(writeFile(stat, "cpu  1000 0 1000 8000 0 0 0 0 0 0\n"));
    QVERIFY(writeFile(energy, "100000000\n"));

    getPcInfoThread thread;
    PassSpy passes(&thread);
    StdoutCapture out;
    DebugCapture log;
    thread.onStartInitSdkLater();
    // One pass later: 250 of 1000 jiffies busy, and 65 J in about one second.
    QVERIFY(writeFile(stat, "cpu  1100 0 1150 8750 0 0 0 0 0 0\n"));
    QVERIFY(writeFile(energy, "165000000\n"));
    thread.start();
    QVERIFY(passes.wait(5000));
    thread.stopLoop();

    const SensorSnapshot s = thread.getPcInfo();
    QCOMPARE(s.cpuTemperature, 52.0f); // coretemp Package id 0, °C
    QCOMPARE(s.cpuUsage, 25.0f);       // percent
    QCOMPARE(s.cpuClock, 4700.0f);     // cpufreq kHz as MHz
    QVERIFY2(s.cpuPower > 45 && s.cpuPower <= 65.5f, qPrintable(QString::number(s.cpuPower)));
    QCOMPARE(s.cpuFanSpeed, 1100.0f);  // nct6798 fan2, RPM
    QCOMPARE(s.gpuTemperature, 61.0f); // NVML
    QCOMPARE(s.gpuUsage, 37.0f);
    QCOMPARE(s.gpuClock, 1905.0f);
    QCOMPARE(s.gpuPower, 215.5f); // mW as W
    QCOMPARE(s.gpuFanSpeed, 1450.0f);
    QCOMPARE(s.motherboardTemperature, 33.0f); // SYSTIN
    QCOMPARE(s.memoryClock, 1600.0f);          // 3200 MT/s
    const QByteArray text = out.text();
    QVERIFY(text.contains("======== 12th Gen Intel(R) Core(TM) i7-12700K ========\n"));
    QVERIFY(text.contains("======== NVIDIA GeForce RTX 3070 ========\n"));
    QVERIFY(text.contains("======== ASUSTeK COMPUTER INC. PRIME Z690-P ========\n"));
}

void tst_getPcInfoThread::thisMachine()
{
    ONLY_IN("thismachine");
    qunsetenv("QUILLON_SENSORS_ROOT");
    getPcInfoThread thread;
    QSignalSpy status(&thread, &getPcInfoThread::sigTheSdkInitStatus);
    PassSpy passes(&thread);
    StdoutCapture out;
    DebugCapture log;
    thread.onStartInitSdkLater();
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(0).toBool(), true);
    // Keep a core busy so that the usage clears the 1 % acceptance floor.
    std::atomic<bool> stop{false};
    std::thread busy([&] {
        volatile unsigned long spin = 0;
        while (!stop)
            spin = spin + 1;
    });
    thread.start();
    const bool passed = passes.wait(5000);
    stop = true;
    busy.join();
    thread.stopLoop();
    QVERIFY(passed);
    const SensorSnapshot s = thread.getPcInfo();
    QVERIFY2(s.cpuUsage >= 1.0f, qPrintable(QString::number(s.cpuUsage)));
    QVERIFY2(s.cpuClock > 0.0f, qPrintable(QString::number(s.cpuClock)));
    const QByteArray text = out.text();
    QVERIFY(text.contains("Clock ===> Core 0 Clock = "));
    QVERIFY(text.contains("Usage ===> Total CPU Usage = "));
    QVERIFY(DebugCapture::taken().contains(
        "---------------------------- *** Hardware info get [Start] *** "
        "----------------------------"));
    std::fprintf(stderr, "this machine: usage %.1f %%, core 0 clock %.1f MHz\n", s.cpuUsage,
                 s.cpuClock);
}

QUILLON_CAPTURING_TEST_MAIN(tst_getPcInfoThread)
#include "tst_getpcinfothread.moc"
