#include <QtTest>

#include <limits>

#include "numeric/truncate.h"
#include "refresh/refresh.h"

class tst_Refresh : public QObject
{
    Q_OBJECT

private slots:
    void truncation_data();
    void truncation();
    void snapshotRecord();
    void temperatureConversion_data();
    void temperatureConversion();
    void runningMaximum_data();
    void runningMaximum();
    void memoryText_data();
    void memoryText();
    void drive_data();
    void drive();
    void systemDriveWalk_data();
    void systemDriveWalk();
    void compose_data();
    void compose();
};

void tst_Refresh::truncation_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("positive fraction") << 45.9 << 45;
    QTest::newRow("negative fraction toward zero") << -45.9 << -45;
    QTest::newRow("negative fraction to zero") << -0.5 << 0;
    QTest::newRow("zero") << 0.0 << 0;
    QTest::newRow("largest int") << 2147483647.0 << std::numeric_limits<int>::max();
    QTest::newRow("fraction above the largest int")
        << 2147483647.5 << std::numeric_limits<int>::max();
    QTest::newRow("just beyond int") << 2147483648.0 << std::numeric_limits<int>::max();
    QTest::newRow("float max") << double(std::numeric_limits<float>::max())
                               << std::numeric_limits<int>::max();
    QTest::newRow("smallest int") << -2147483648.0 << std::numeric_limits<int>::min();
    QTest::newRow("below int") << -3e9 << std::numeric_limits<int>::min();
    QTest::newRow("+inf") << inf << std::numeric_limits<int>::max();
    QTest::newRow("-inf") << -inf << std::numeric_limits<int>::min();
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0;
}

void tst_Refresh::truncation()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(truncateToInt(value), expected);
}

void tst_Refresh::snapshotRecord()
{
    SensorSnapshot snapshot;
    snapshot.cpuTemperature = 45.9f;
    snapshot.cpuUsage = 12.7f;
    snapshot.cpuClock = 3600.4f;
    snapshot.cpuPower = 65.99f;
    snapshot.cpuFanSpeed = 1200.0f;
    snapshot.gpuTemperature = 50.5f;
    snapshot.gpuUsage = 3.0f;
    snapshot.gpuClock = 1500.0f;
    snapshot.gpuPower = 20.2f;
    snapshot.gpuFanSpeed = std::numeric_limits<float>::quiet_NaN();
    snapshot.motherboardTemperature = 30.0f;
    snapshot.memoryClock = 1600.0f;

    const RefreshRecord record = refreshRecordFromSnapshot(snapshot);
    QCOMPARE(record.cpuTemperature, 45);
    QCOMPARE(record.cpuUsage, 12);
    QCOMPARE(record.cpuClock, 3600);
    QCOMPARE(record.cpuPower, 65);
    QCOMPARE(record.cpuFanSpeed, 1200);
    QCOMPARE(record.gpuTemperature, 50);
    QCOMPARE(record.gpuUsage, 3);
    QCOMPARE(record.gpuClock, 1500);
    QCOMPARE(record.gpuPower, 20);
    QCOMPARE(record.gpuFanSpeed, 0);
    // The measured members are the refresh's own business.
    QCOMPARE(record.memoryLoadPercent, 0);
    QCOMPARE(record.memoryTotalMiB, 0);
    QCOMPARE(record.diskUsedPercent, 0);
    QCOMPARE(record.diskTotalGiB, 0);
}

void tst_Refresh::temperatureConversion_data()
{
    QTest::addColumn<int>("celsius");
    QTest::addColumn<int>("fahrenheit");
    QTest::addColumn<int>("celsiusBack");
    // What a dial is given for that reading, in each unit: always on its scale.
    QTest::addColumn<int>("celsiusGauge");
    QTest::addColumn<int>("fahrenheitGauge");
    const int intMax = std::numeric_limits<int>::max();
    const int intMin = std::numeric_limits<int>::min();
    QTest::newRow("45 C") << 45 << 113 << 45 << 45 << 113;
    QTest::newRow("freezing") << 0 << 32 << 0 << 0 << 32;
    QTest::newRow("boiling") << 100 << 212 << 100 << 100 << 212;
    QTest::newRow("negative") << -40 << -40 << -40 << 0 << 32;
    QTest::newRow("fraction truncated") << 37 << 98 << 36 << 37 << 98; // 98.6 F, then 36.66 C
    QTest::newRow("105 C pinned at the top") << 105 << 221 << 105 << 100 << 212;
    QTest::newRow("int max saturates")
        << intMax << intMax << 1193046452 << 100 << 212; // (INT_MAX - 32) / 1.8
    QTest::newRow("int min saturates")
        << intMin << intMin << -1193046488 << 0 << 32; // (INT_MIN - 32) / 1.8
}

void tst_Refresh::temperatureConversion()
{
    QFETCH(int, celsius);
    QFETCH(int, fahrenheit);
    QFETCH(int, celsiusBack);
    QFETCH(int, celsiusGauge);
    QFETCH(int, fahrenheitGauge);
    QCOMPARE(celsiusToFahrenheit(celsius), fahrenheit);
    QCOMPARE(fahrenheitToCelsius(fahrenheit), celsiusBack);

    SensorSnapshot snapshot;
    snapshot.cpuTemperature = float(celsius);
    snapshot.gpuTemperature = float(celsius);
    const int recorded = truncateToInt(snapshot.cpuTemperature);
    for (const bool inFahrenheit : {false, true}) {
        const RefreshOutcome outcome =
            composeRefresh(snapshot, inFahrenheit, MemoryStatus(), nullptr, RunningMaxima());
        const int gauge = inFahrenheit ? fahrenheitGauge : celsiusGauge;
        QCOMPARE(outcome.cpuGauge, gauge);
        QCOMPARE(outcome.gpuGauge, gauge);
        // The device report is built from the true reading.
        QCOMPARE(outcome.record.cpuTemperature, recorded);
        QCOMPARE(outcome.record.gpuTemperature, recorded);
    }
}

void tst_Refresh::runningMaximum_data()
{
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<QList<int>>("maxima");
    QTest::newRow("clock sequence")
        << QList<int>{3500, 3400, 3501, 3600} << QList<int>{3501, 3501, 3501, 3601};
    QTest::newRow("zeros give 1") << QList<int>{0, 0} << QList<int>{1, 1};
    QTest::newRow("value 1 equals the floor") << QList<int>{1} << QList<int>{1};
    QTest::newRow("value 2 raises") << QList<int>{2} << QList<int>{3};
    QTest::newRow("negative stays at 1") << QList<int>{-5} << QList<int>{1};
    QTest::newRow("int max does not overflow")
        << QList<int>{std::numeric_limits<int>::max(), 10}
        << QList<int>{std::numeric_limits<int>::max(), std::numeric_limits<int>::max()};
}

void tst_Refresh::runningMaximum()
{
    QFETCH(QList<int>, values);
    QFETCH(QList<int>, maxima);
    int maximum = 0;
    for (int i = 0; i < values.size(); ++i) {
        maximum = raiseRunningMaximum(maximum, values.at(i));
        QCOMPARE(maximum, maxima.at(i));
    }
}

void tst_Refresh::memoryText_data()
{
    QTest::addColumn<quint64>("total");
    QTest::addColumn<quint64>("available");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("totalMiB");
    QTest::newRow("16 GiB, half free")
        << Q_UINT64_C(17179869184) << Q_UINT64_C(8589934592) << "8.0G/16.0G" << 16384;
    QTest::newRow("nothing measured") << quint64(0) << quint64(0) << "0.0G/0.0G" << 0;
    QTest::newRow("15.9 GiB") << Q_UINT64_C(17092460544) << Q_UINT64_C(8589934592) << "7.9G/15.9G"
                              << 16300;
    QTest::newRow("beyond int MiB saturates")
        << (Q_UINT64_C(1) << 62) << (Q_UINT64_C(1) << 61) << "2147483648.0G/4294967296.0G"
        << std::numeric_limits<int>::max();
}

void tst_Refresh::memoryText()
{
    QFETCH(quint64, total);
    QFETCH(quint64, available);
    QFETCH(QString, text);
    QFETCH(int, totalMiB);
    QCOMPARE(memoryUsageText(total, available), text);
    QCOMPARE(memoryTotalMiB(total), totalMiB);
}

void tst_Refresh::drive_data()
{
    QTest::addColumn<quint64>("total");
    QTest::addColumn<quint64>("free");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("totalGiB");
    QTest::addColumn<QString>("text");
    const quint64 gib = Q_UINT64_C(1073741824);
    QTest::newRow("25.6 % free") << 1000 * gib << 256 * gib << 74 << 1000 << "744G/1000G";
    QTest::newRow("476 GiB drive") << 476 * gib << 356 * gib << 25 << 476 << "120G/476G";
    QTest::newRow("empty drive") << 100 * gib << 100 * gib << 0 << 100 << "0G/100G";
    QTest::newRow("full drive") << 100 * gib << quint64(0) << 100 << 100 << "100G/100G";
    QTest::newRow("zero size") << quint64(0) << quint64(0) << 0 << 0 << "0G/0G";
    QTest::newRow("below one GiB") << gib / 4 * 3 << gib / 8 * 3 << 50 << 0 << "0G/1G";
}

void tst_Refresh::drive()
{
    QFETCH(quint64, total);
    QFETCH(quint64, free);
    QFETCH(int, percent);
    QFETCH(int, totalGiB);
    QFETCH(QString, text);
    const DriveUsage usage = driveUsage(total, free);
    QCOMPARE(usage.usedPercent, percent);
    QCOMPARE(usage.totalGiB, totalGiB);
    QCOMPARE(usage.text, text);
}

void tst_Refresh::systemDriveWalk_data()
{
    QTest::addColumn<QStringList>("drives");
    QTest::addColumn<QStringList>("unreadable");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QStringList>("asked");
    QTest::newRow("A unreadable, C measured, D never asked")
        << QStringList{"A:/", "C:/", "D:/"} << QStringList{"A:/"} << true
        << QStringList{"A:/", "C:/"};
    QTest::newRow("lower-case c") << QStringList{"c:/", "D:/"} << QStringList{} << true
                                  << QStringList{"c:/"};
    QTest::newRow("readable drives before C are asked too")
        << QStringList{"B:/", "C:/"} << QStringList{} << true << QStringList{"B:/", "C:/"};
    QTest::newRow("C unreadable") << QStringList{"C:/", "D:/"} << QStringList{"C:/"} << false
                                  << QStringList{"C:/", "D:/"};
    QTest::newRow("no drive C") << QStringList{"D:/", "E:/"} << QStringList{} << false
                                << QStringList{"D:/", "E:/"};
    QTest::newRow("no drives") << QStringList{} << QStringList{} << false << QStringList{};
}

void tst_Refresh::systemDriveWalk()
{
    QFETCH(QStringList, drives);
    QFETCH(QStringList, unreadable);
    QFETCH(bool, found);
    QFETCH(QStringList, asked);
    const quint64 gib = Q_UINT64_C(1073741824);
    QStringList queried;
    DriveUsage usage;
    usage.text = QStringLiteral("untouched");
    const bool result = findSystemDriveUsage(
        drives,
        [&](const QString &path, quint64 *total, quint64 *free) {
            queried.append(path);
            if (unreadable.contains(path))
                return false;
            *total = 100 * gib;
            *free = path.contains(QLatin1Char('C'), Qt::CaseInsensitive) ? 40 * gib : 90 * gib;
            return true;
        },
        &usage);
    QCOMPARE(result, found);
    QCOMPARE(queried, asked);
    if (found) {
        QCOMPARE(usage.usedPercent, 60);
        QCOMPARE(usage.text, QStringLiteral("60G/100G"));
    } else {
        QCOMPARE(usage.text, QStringLiteral("untouched"));
    }
}

Q_DECLARE_METATYPE(RunningMaxima)
Q_DECLARE_METATYPE(SensorSnapshot)

void tst_Refresh::compose_data()
{
    QTest::addColumn<SensorSnapshot>("snapshot");
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<bool>("driveMeasured");
    QTest::addColumn<RunningMaxima>("before");
    QTest::addColumn<int>("cpuGauge");
    QTest::addColumn<int>("gpuGauge");
    QTest::addColumn<RunningMaxima>("after");

    SensorSnapshot warm;
    warm.cpuTemperature = 45.9f;
    warm.gpuTemperature = 50.2f;
    warm.cpuClock = 3500.75f;
    warm.gpuClock = 1800.0f;
    warm.cpuFanSpeed = 1200.0f;
    warm.cpuPower = 65.5f;
    warm.gpuPower = std::numeric_limits<float>::quiet_NaN();
    const RunningMaxima fresh;
    RunningMaxima raised;
    raised.cpuClock = 3501;
    raised.gpuClock = 1801;
    raised.cpuFan = 1201;
    raised.gpuFan = 1;
    raised.cpuPower = 66;
    raised.gpuPower = 1;
    RunningMaxima high = raised;
    high.cpuClock = 5000;
    high.gpuFan = 2000;

    QTest::newRow("first pass, celsius") << warm << false << true << fresh << 45 << 50 << raised;
    QTest::newRow("fahrenheit dials") << warm << true << true << fresh << 113 << 122 << raised;
    QTest::newRow("maxima only rise") << warm << false << true << high << 45 << 50 << high;
    QTest::newRow("zeros raise to 1")
        << SensorSnapshot() << false << false << fresh << 0 << 0 << RunningMaxima{1, 1, 1, 1, 1, 1};
}

void tst_Refresh::compose()
{
    QFETCH(SensorSnapshot, snapshot);
    QFETCH(bool, fahrenheit);
    QFETCH(bool, driveMeasured);
    QFETCH(RunningMaxima, before);
    QFETCH(int, cpuGauge);
    QFETCH(int, gpuGauge);
    QFETCH(RunningMaxima, after);

    MemoryStatus memory;
    memory.loadPercent = 37;
    memory.totalBytes = 16ull << 30;
    memory.availableBytes = 10ull << 30;
    const DriveUsage drive = driveUsage(500ull << 30, 200ull << 30);
    const RefreshOutcome outcome =
        composeRefresh(snapshot, fahrenheit, memory, driveMeasured ? &drive : nullptr, before);

    QCOMPARE(outcome.cpuGauge, cpuGauge);
    QCOMPARE(outcome.gpuGauge, gpuGauge);
    // The record keeps Celsius and the truncated readings whatever the dials show.
    const RefreshRecord readings = refreshRecordFromSnapshot(snapshot);
    QCOMPARE(outcome.record.cpuTemperature, readings.cpuTemperature);
    QCOMPARE(outcome.record.cpuClock, readings.cpuClock);
    QCOMPARE(outcome.record.gpuPower, readings.gpuPower);
    const int maxima[] = {outcome.maxima.cpuClock, outcome.maxima.gpuClock,
                          outcome.maxima.cpuFan,   outcome.maxima.gpuFan,
                          outcome.maxima.cpuPower, outcome.maxima.gpuPower};
    const int expected[] = {after.cpuClock, after.gpuClock, after.cpuFan,
                            after.gpuFan,   after.cpuPower, after.gpuPower};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(maxima[i], expected[i]);

    QCOMPARE(outcome.record.memoryLoadPercent, 37);
    QCOMPARE(outcome.record.memoryTotalMiB, 16384);
    QCOMPARE(outcome.memoryText, QStringLiteral("6.0G/16.0G"));
    QCOMPARE(outcome.driveMeasured, driveMeasured);
    QCOMPARE(outcome.record.diskUsedPercent, driveMeasured ? 60 : 0);
    QCOMPARE(outcome.record.diskTotalGiB, driveMeasured ? 500 : 0);
    QCOMPARE(outcome.driveText, driveMeasured ? QStringLiteral("300G/500G") : QString());
}

QTEST_APPLESS_MAIN(tst_Refresh)
#include "tst_refresh.moc"
