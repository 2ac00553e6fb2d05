#include "sensorlib/powerhelperfile.h"
#include "sensorlib/sensorcounters.h"
#include "sensorlib/sensorrules.h"

#include <QtTest>

class tst_sensorCounters : public QObject
{
    Q_OBJECT
private slots:
    void parseCpuTimes_data();
    void parseCpuTimes();
    void cpuUsagePercent_data();
    void cpuUsagePercent();
    void energyConsumed_data();
    void energyConsumed();
    void parseInteger_data();
    void parseInteger();
    void memorySpeedMts_data();
    void memorySpeedMts();
    void cpuinfoField();
    void freshPowerHelperWatts_data();
    void freshPowerHelperWatts();
};

void tst_sensorCounters::parseCpuTimes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qulonglong>("total");
    QTest::addColumn<qulonglong>("idle");
    QTest::newRow("ten fields, guest not added twice")
        << QByteArray("cpu  100 5 50 800 20 3 2 1 40 4\ncpu0 1 2 3 4\n") << true << qulonglong(981)
        << qulonglong(820);
    QTest::newRow("old kernel, four fields")
        << QByteArray("cpu 10 0 10 80\n") << true << qulonglong(100) << qulonglong(80);
    QTest::newRow("per-cpu line first")
        << QByteArray("cpu0 1 2 3 4\n") << false << qulonglong(0) << qulonglong(0);
    QTest::newRow("too few fields")
        << QByteArray("cpu  1 2 3\n") << false << qulonglong(0) << qulonglong(0);
    QTest::newRow("words") << QByteArray("cpu  user nice system\n") << false << qulonglong(0)
                           << qulonglong(0);
    QTest::newRow("empty") << QByteArray() << false << qulonglong(0) << qulonglong(0);
    QTest::newRow("overflowing number") << QByteArray("cpu  99999999999999999999999 0 0 0\n")
                                        << false << qulonglong(0) << qulonglong(0);
}

void tst_sensorCounters::parseCpuTimes()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(qulonglong, total);
    QFETCH(qulonglong, idle);
    CpuTimes times;
    QCOMPARE(::parseCpuTimes(std::string_view(text.constData(), size_t(text.size())), &times), ok);
    if (ok) {
        QCOMPARE(qulonglong(times.total), total);
        QCOMPARE(qulonglong(times.idle), idle);
    }
}

void tst_sensorCounters::cpuUsagePercent_data()
{
    QTest::addColumn<qulonglong>("total0");
    QTest::addColumn<qulonglong>("idle0");
    QTest::addColumn<qulonglong>("total1");
    QTest::addColumn<qulonglong>("idle1");
    QTest::addColumn<double>("expected");
    QTest::newRow("quarter busy") << 1000ull << 800ull << 2000ull << 1550ull << 25.0;
    QTest::newRow("all busy") << 0ull << 0ull << 100ull << 0ull << 100.0;
    QTest::newRow("all idle") << 0ull << 0ull << 100ull << 100ull << 0.0;
    QTest::newRow("no time passed") << 500ull << 400ull << 500ull << 400ull << -1.0;
    QTest::newRow("total went backwards") << 2000ull << 100ull << 1500ull << 50ull << -1.0;
    QTest::newRow("idle went backwards") << 1000ull << 800ull << 1100ull << 700ull << 100.0;
    QTest::newRow("idle grew more than total") << 1000ull << 800ull << 1100ull << 950ull << 0.0;
}

void tst_sensorCounters::cpuUsagePercent()
{
    QFETCH(qulonglong, total0);
    QFETCH(qulonglong, idle0);
    QFETCH(qulonglong, total1);
    QFETCH(qulonglong, idle1);
    QFETCH(double, expected);
    QCOMPARE(::cpuUsagePercent({total0, idle0}, {total1, idle1}), expected);
}

// The one counter rule, for the library's RAPL readings and the power helper alike.
void tst_sensorCounters::energyConsumed_data()
{
    QTest::addColumn<qulonglong>("previous");
    QTest::addColumn<qulonglong>("current");
    QTest::addColumn<qulonglong>("range");
    QTest::addColumn<qulonglong>("elapsedUs");
    QTest::addColumn<qlonglong>("expected"); // -1: no figure
    const qulonglong range = 262143328850ull;
    QTest::newRow("forward") << 1000ull << 66001000ull << range << 1000000ull << 66000000ll;
    QTest::newRow("unchanged") << 5ull << 5ull << 100ull << 1000000ull << 0ll;
    QTest::newRow("wrapped") << 262143000000ull << 1000000ull << range << 1000000ull << 1328850ll;
    QTest::newRow("wrapped to zero") << 90ull << 0ull << 100ull << 1000000ull << 10ll;
    QTest::newRow("wrap without range") << 90ull << 10ull << 0ull << 1000000ull << -1ll;
    QTest::newRow("previous beyond range") << 150ull << 10ull << 100ull << 1000000ull << -1ll;
    QTest::newRow("current beyond range") << 50ull << 150ull << 100ull << 1000000ull << -1ll;
    QTest::newRow("went down far below its top: a reset")
        << 5000000000ull << 1000000ull << range << 1000000ull << -1ll;
    QTest::newRow("no time") << 1000ull << 2000ull << range << 0ull << -1ll;
    QTest::newRow("an interval of ten seconds, as after a suspend")
        << 1000ull << 2000ull << range << 10000000ull << -1ll;
}

void tst_sensorCounters::energyConsumed()
{
    QFETCH(qulonglong, previous);
    QFETCH(qulonglong, current);
    QFETCH(qulonglong, range);
    QFETCH(qulonglong, elapsedUs);
    QFETCH(qlonglong, expected);
    uint64_t consumed = 0;
    const bool ok = ::energyConsumed(previous, current, range, elapsedUs, &consumed);
    QCOMPARE(ok ? qlonglong(consumed) : -1ll, expected);
}

void tst_sensorCounters::parseInteger_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qlonglong>("value");
    QTest::newRow("sysfs line") << QByteArray("45000\n") << true << 45000ll;
    QTest::newRow("negative") << QByteArray("-273000") << true << -273000ll;
    QTest::newRow("leading space") << QByteArray("  7") << true << 7ll;
    QTest::newRow("trailing text") << QByteArray("12 kB") << true << 12ll;
    QTest::newRow("empty") << QByteArray("") << false << 0ll;
    QTest::newRow("sign only") << QByteArray("-") << false << 0ll;
    QTest::newRow("word") << QByteArray("N/A\n") << false << 0ll;
    QTest::newRow("largest") << QByteArray("9223372036854775807") << true
                             << std::numeric_limits<qlonglong>::max();
    QTest::newRow("overflow") << QByteArray("9223372036854775808") << false << 0ll;
}

void tst_sensorCounters::parseInteger()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(qlonglong, value);
    long long parsed = 0;
    QCOMPARE(::parseInteger(std::string_view(text.constData(), size_t(text.size())), &parsed), ok);
    if (ok)
        QCOMPARE(qlonglong(parsed), value);
}

void tst_sensorCounters::memorySpeedMts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qlonglong>("mts");
    QTest::newRow("configured wins") << QByteArray("E:MEMORY_DEVICE_0_SPEED_MTS=4800\n"
                                                   "E:MEMORY_DEVICE_0_CONFIGURED_SPEED_MTS=3200\n")
                                     << 3200ll;
    QTest::newRow("rated only") << QByteArray("E:MEMORY_DEVICE_0_SPEED_MTS=3600") << 3600ll;
    QTest::newRow("empty slot first") << QByteArray("E:MEMORY_DEVICE_0_CONFIGURED_SPEED_MTS=0\n"
                                                    "E:MEMORY_DEVICE_2_CONFIGURED_SPEED_MTS=2666\n")
                                      << 2666ll;
    QTest::newRow("garbage") << QByteArray("E:MEMORY_DEVICE_0_CONFIGURED_SPEED_MTS=lots\n") << 0ll;
    QTest::newRow("other keys") << QByteArray("E:MEMORY_DEVICE_0_SIZE=17179869184\n") << 0ll;
}

void tst_sensorCounters::memorySpeedMts()
{
    QFETCH(QByteArray, text);
    QFETCH(qlonglong, mts);
    QCOMPARE(qlonglong(::memorySpeedMts(std::string_view(text.constData(), size_t(text.size())))),
             mts);
}

void tst_sensorCounters::cpuinfoField()
{
    const std::string text = "processor\t: 0\nmodel name\t: Some CPU  \ncpu MHz\t\t: 3600.000\n\n"
                             "processor\t: 1\ncpu MHz\t\t: 800.000\n";
    std::string value;
    QVERIFY(::cpuinfoField(text, "model name", &value));
    QCOMPARE(QString::fromStdString(value), QStringLiteral("Some CPU"));
    QVERIFY(::cpuinfoField(text, "cpu MHz", &value));
    QCOMPARE(QString::fromStdString(value), QStringLiteral("3600.000"));
    QVERIFY(!::cpuinfoField(text, "cpu", &value));
}

void tst_sensorCounters::freshPowerHelperWatts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qulonglong>("nowNs");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("watts");
    const QByteArray written = QByteArray::fromStdString(formatPowerHelperFile(25.04, 10000000000));
    QTest::newRow("as written, just now") << written << 10000000000ull << true << 25.0;
    QTest::newRow("2.9 s old") << written << 12900000000ull << true << 25.0;
    QTest::newRow("3 s old is stale") << written << 13000000000ull << false << 0.0;
    QTest::newRow("from the future") << written << 9999999999ull << false << 0.0;
    QTest::newRow("lines swapped")
        << QByteArray("boottime_ns=5\nwatts=7.5\n") << 6ull << true << 7.5;
    QTest::newRow("no time") << QByteArray("watts=7.5\n") << 6ull << false << 0.0;
    QTest::newRow("no watts") << QByteArray("boottime_ns=5\n") << 6ull << false << 0.0;
    QTest::newRow("negative time")
        << QByteArray("watts=7.5\nboottime_ns=-5\n") << 6ull << false << 0.0;
    QTest::newRow("words for watts")
        << QByteArray("watts=lots\nboottime_ns=5\n") << 6ull << false << 0.0;
    QTest::newRow("negative watts")
        << QByteArray("watts=-1.0\nboottime_ns=5\n") << 6ull << false << 0.0;
    // Beyond what any machine draws: a counter fault, never a reading.
    QTest::newRow("a quarter of a megawatt")
        << QByteArray("watts=257025.1\nboottime_ns=5\n") << 6ull << false << 0.0;
    QTest::newRow("1e300 watts") << QByteArray("watts=1e300\nboottime_ns=5\n") << 6ull << false
                                 << 0.0;
    QTest::newRow("empty") << QByteArray() << 6ull << false << 0.0;
}

void tst_sensorCounters::freshPowerHelperWatts()
{
    QFETCH(QByteArray, text);
    QFETCH(qulonglong, nowNs);
    QFETCH(bool, ok);
    QFETCH(double, watts);
    double result = -1.0;
    const std::string_view view(text.constData(), static_cast<size_t>(text.size()));
    QCOMPARE(::freshPowerHelperWatts(view, nowNs, &result), ok);
    QCOMPARE(result, ok ? watts : -1.0);
}

QTEST_GUILESS_MAIN(tst_sensorCounters)
#include "tst_sensorcounters.moc"
