// One acquisition pass over an in-process SDK whose readings each test sets.

#include "capture.h"
#include "sensors/acquisitionpass.h"
#include "sensors/journalstream.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct FakeReading
{
    int sensor;
    int kind; // 0 temperature, 1 fan, 2 power, 3 clock, 4 usage
    int index;
    QByteArray label;
    double value;
};

struct FakeSdk
{
    int sensorCount = 0;
    QList<QByteArray> names;
    QList<FakeReading> readings;
    int readingCalls = 0;
    int dirtyBuffers = 0; // calls that found the buffer's first byte set
};
FakeSdk fakeSdk;

double read(int kind, int sensor, int index, char *label, int capacity)
{
    ++fakeSdk.readingCalls;
    if (label[0] != 0 || capacity != 256)
        ++fakeSdk.dirtyBuffers;
    for (const FakeReading &r : qAsConst(fakeSdk.readings)) {
        if (r.sensor == sensor && r.kind == kind && r.index == index) {
            std::memcpy(label, r.label.constData(), size_t(r.label.size()) + 1);
            return r.value;
        }
    }
    return 0.0;
}

SensorSdkTable fakeTable()
{
    SensorSdkTable t;
    t.init = [](int) { return 0; };
    t.shutdown = [] { return 0; };
    t.sensorCount = [] { return fakeSdk.sensorCount; };
    t.perSensor = [](int) { return 0; };
    t.sensorName = [](int sensor, char *name, int) {
        const QByteArray text = fakeSdk.names.value(sensor, "Sensor");
        std::memcpy(name, text.constData(), size_t(text.size()) + 1);
        return 0;
    };
    t.temperature = [](int s, int i, char *l, int c) { return read(0, s, i, l, c); };
    t.fan = [](int s, int i, char *l, int c) { return int(read(1, s, i, l, c)); };
    t.power = [](int s, int i, char *l, int c) { return read(2, s, i, l, c); };
    t.clock = [](int s, int i, char *l, int c) { return read(3, s, i, l, c); };
    t.usage = [](int s, int i, char *l, int c) { return read(4, s, i, l, c); };
    return t;
}

void setSdk(int sensorCount, const QList<FakeReading> &readings)
{
    fakeSdk = FakeSdk();
    fakeSdk.sensorCount = sensorCount;
    fakeSdk.readings = readings;
}

const char kStart[] = "---------------------------- *** Hardware info get [Start] *** "
                      "----------------------------";
const char kOver[] = "---------------------------- *** Hardware info get [Over] *** "
                     "----------------------------";

} // namespace

Q_DECLARE_METATYPE(FakeReading)

class tst_acquisitionPass : public QObject
{
    Q_OBJECT
private slots:
    void acceptance_data();
    void acceptance();
    void firstReadingWins_data();
    void firstReadingWins();
    void queriesEveryIndexWithAClearedBuffer();
    void zeroSensors();
    void quietPassPrintsOnlyNewlines();
    void logLinesKeepLabelsLiteral();
    void passStartsFromZero();
    void boundedSensorCount_data();
    void boundedSensorCount();
    void journalStream_data();
    void journalStream();
};

void tst_acquisitionPass::acceptance_data()
{
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<double>("value");
    QTest::addColumn<float>("expected");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("exactly 1.0") << QByteArray("CPU Package") << 1.0 << 1.0f;
    QTest::newRow("0.99") << QByteArray("CPU Package") << 0.99 << 0.0f;
    QTest::newRow("negative") << QByteArray("CPU Package") << -40.0 << 0.0f;
    QTest::newRow("empty label") << QByteArray() << 50.0 << 0.0f;
    QTest::newRow("NaN") << QByteArray("CPU Package") << std::nan("") << 0.0f;
    QTest::newRow("infinity") << QByteArray("CPU Package") << inf << 0.0f;
    QTest::newRow("minus infinity") << QByteArray("CPU Package") << -inf << 0.0f;
    QTest::newRow("beyond float") << QByteArray("CPU Package") << 1e300 << FLT_MAX;
    QTest::newRow("largest float") << QByteArray("CPU Package") << double(FLT_MAX) << FLT_MAX;
    QTest::newRow("ordinary") << QByteArray("CPU Package") << 47.5 << 47.5f;
}

void tst_acquisitionPass::acceptance()
{
    QFETCH(QByteArray, label);
    QFETCH(double, value);
    QFETCH(float, expected);
    setSdk(1, {{0, 0, 0, label, value}});
    StdoutCapture out;
    const SensorSnapshot s = runAcquisitionPass(fakeTable(), false);
    QCOMPARE(s.cpuTemperature, expected);
}

void tst_acquisitionPass::firstReadingWins_data()
{
    QTest::addColumn<int>("sensorCount");
    QTest::addColumn<QList<FakeReading>>("readings");
    QTest::addColumn<float>("cpuTemperature");
    QTest::addColumn<float>("cpuFanSpeed");

    QTest::newRow("earlier sensor wins over earlier index")
        << 2 << QList<FakeReading>{{1, 0, 0, "CPU Package", 50}, {0, 0, 9, "CPU (Tctl/Tdie)", 60}}
        << 60.0f << 0.0f;
    QTest::newRow("earlier index within a sensor")
        << 1 << QList<FakeReading>{{0, 0, 4, "CPU", 41}, {0, 0, 2, "CPU Temperature", 40}} << 40.0f
        << 0.0f;
    QTest::newRow("rejected reading does not take the field")
        << 1 << QList<FakeReading>{{0, 0, 0, "CPU", 0.5}, {0, 0, 1, "CPU Package", 44}} << 44.0f
        << 0.0f;
    QTest::newRow("CPU as fan and as temperature")
        << 1 << QList<FakeReading>{{0, 0, 0, "CPU", 38}, {0, 1, 0, "CPU", 900}} << 38.0f << 900.0f;
    QTest::newRow("fan below 1 RPM is absent")
        << 1 << QList<FakeReading>{{0, 1, 0, "CPU Fan", 0}, {0, 1, 1, "SYSFANIN", 700}} << 0.0f
        << 700.0f;
}

void tst_acquisitionPass::firstReadingWins()
{
    QFETCH(int, sensorCount);
    QFETCH(QList<FakeReading>, readings);
    QFETCH(float, cpuTemperature);
    QFETCH(float, cpuFanSpeed);
    setSdk(sensorCount, readings);
    StdoutCapture out;
    const SensorSnapshot s = runAcquisitionPass(fakeTable(), false);
    QCOMPARE(s.cpuTemperature, cpuTemperature);
    QCOMPARE(s.cpuFanSpeed, cpuFanSpeed);
}

void tst_acquisitionPass::queriesEveryIndexWithAClearedBuffer()
{
    setSdk(3, {{0, 0, 0, "CPU", 40}, {2, 4, 511, "Total CPU Usage", 5}});
    StdoutCapture out;
    const SensorSnapshot s = runAcquisitionPass(fakeTable(), false);
    QCOMPARE(fakeSdk.readingCalls, 3 * 512 * 5);
    QCOMPARE(fakeSdk.dirtyBuffers, 0);
    QCOMPARE(s.cpuUsage, 5.0f); // the last index is read too
}

void tst_acquisitionPass::zeroSensors()
{
    setSdk(0, {});
    DebugCapture log;
    StdoutCapture out;
    const SensorSnapshot s = runAcquisitionPass(fakeTable(), true);
    QCOMPARE(out.text(), QByteArray());
    QCOMPARE(DebugCapture::taken(), (QStringList{kStart, kOver}));
    QCOMPARE(s.cpuTemperature, 0.0f);
}

void tst_acquisitionPass::quietPassPrintsOnlyNewlines()
{
    setSdk(2, {{0, 0, 0, "CPU", 40}, {1, 3, 0, "GPU Clock", 1500}});
    DebugCapture log;
    StdoutCapture out;
    const SensorSnapshot s = runAcquisitionPass(fakeTable(), false);
    QCOMPARE(out.text(), QByteArray("\n\n"));
    QCOMPARE(DebugCapture::taken(), QStringList());
    QCOMPARE(s.gpuClock, 1500.0f);
}

void tst_acquisitionPass::logLinesKeepLabelsLiteral()
{
    // Labels are data: printf and QString::arg placeholders stay as written,
    // and the debug log carries the number in six significant digits.
    setSdk(1, {{0, 2, 0, "Rail %2 %s", 12.3456789}, {0, 4, 0, QByteArray("Load \xc2\xb5"), 99.5}});
    fakeSdk.names = {"Board %1"};
    DebugCapture log;
    StdoutCapture out;
    runAcquisitionPass(fakeTable(), true);
    QCOMPARE(out.text(), QByteArray("======== Board %1 ========\n"
                                    "Power ===> Rail %2 %s = 12.346 W\n"
                                    "Usage ===> Load \xc2\xb5 = 99.5%\n"
                                    "\n"));
    QCOMPARE(DebugCapture::taken(),
             (QStringList{kStart, "\"======== Board %1 ========\"",
                          "\"Power ===> Rail %2 %s = 12.3457 W\"",
                          QString::fromUtf8("\"Usage ===> Load \xc2\xb5 = 99.5 %\""), kOver}));
}

void tst_acquisitionPass::passStartsFromZero()
{
    setSdk(1, {{0, 0, 0, "CPU", 40}});
    StdoutCapture out;
    QCOMPARE(runAcquisitionPass(fakeTable(), false).cpuTemperature, 40.0f);
    setSdk(1, {});
    QCOMPARE(runAcquisitionPass(fakeTable(), false).cpuTemperature, 0.0f);
}

void tst_acquisitionPass::boundedSensorCount_data()
{
    QTest::addColumn<int>("reported");
    QTest::addColumn<int>("used");
    QTest::newRow("negative") << -1 << 0;
    QTest::newRow("int min") << std::numeric_limits<int>::min() << 0;
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("ordinary") << 7 << 7;
    QTest::newRow("cap") << kMaxSensorCount << kMaxSensorCount;
    QTest::newRow("above cap") << kMaxSensorCount + 1 << kMaxSensorCount;
    QTest::newRow("int max") << std::numeric_limits<int>::max() << kMaxSensorCount;
}

void tst_acquisitionPass::boundedSensorCount()
{
    QFETCH(int, reported);
    QFETCH(int, used);
    QCOMPARE(::boundedSensorCount(reported), used);
}

void tst_acquisitionPass::journalStream_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("journal");
    // Standard output here is device 2049, inode 123456.
    QTest::newRow("same stream") << QByteArray("2049:123456") << true;
    QTest::newRow("another inode") << QByteArray("2049:123457") << false;
    QTest::newRow("another device") << QByteArray("8:123456") << false;
    QTest::newRow("prefix of the inode") << QByteArray("2049:12345") << false;
    QTest::newRow("trailing text") << QByteArray("2049:123456x") << false;
    QTest::newRow("no colon") << QByteArray("2049123456") << false;
    QTest::newRow("empty device") << QByteArray(":123456") << false;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("sign") << QByteArray("+2049:123456") << false;
    QTest::newRow("overflow wraps to the inode")
        << QByteArray("2049:18446744073709675072") << false; // 2^64 + 123456
}

void tst_acquisitionPass::journalStream()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, journal);
    QCOMPARE(journalStreamNames(value.constData(), 2049, 123456), journal);
    QVERIFY(!journalStreamNames(nullptr, 2049, 123456));
}

QUILLON_CAPTURING_TEST_MAIN(tst_acquisitionPass)
#include "tst_acquisitionpass.moc"
