// The built libquillon-sensors.so as the binding sees it: ten C entry points
// named by ordinal, the calling contract of the sensor SDK, nothing else.

#include <QtTest>

#include <cstring>
#include <dlfcn.h>

namespace {

const char kLibrary[] = QUILLON_BUILD_DIR "/libquillon-sensors.so";

using ReadingFn = double (*)(int, int, char *, int);
using FanFn = int (*)(int, int, char *, int);

} // namespace

class tst_sensorSdkExports : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void onlyTheEntryPointsAreExported();
    void callsBeforeInitialisation();
    void labelsRespectCapacity_data();
    void labelsRespectCapacity();
    void absentReadingsLeaveTheBuffer();
    void capturedTreeThroughTheContract();

private:
    template <typename F> F entry(int ordinal)
    {
        return reinterpret_cast<F>(
            dlsym(library, qPrintable(QString("sensor_sdk_%1").arg(ordinal))));
    }
    void initOn(const QString &tree)
    {
        qputenv("QUILLON_SENSORS_ROOT",
                QFile::encodeName(QStringLiteral(QUILLON_TEST_DATA "/trees/") + tree));
        qputenv("QUILLON_NVML_LIBRARY", "/nonexistent/libnvidia-ml.so.1");
        QCOMPARE(entry<int (*)(int)>(411)(64), 0);
    }
    void *library = nullptr;
};

void tst_sensorSdkExports::initTestCase()
{
    library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    QVERIFY2(library, dlerror());
}

void tst_sensorSdkExports::cleanupTestCase()
{
    entry<int (*)()>(198)();
}

void tst_sensorSdkExports::onlyTheEntryPointsAreExported()
{
    for (int ordinal : {411, 198, 623, 560, 476, 606, 734, 183, 629, 943})
        QVERIFY2(entry<void *>(ordinal), qPrintable(QString::number(ordinal)));
    QVERIFY(!dlsym(library, "sensor_sdk_1"));
    QVERIFY(!dlsym(library, "_ZN12LinuxSensors8discoverEm"));
    QVERIFY(!dlsym(library, "_Z14cpuUsagePercentRK8CpuTimesS1_"));
}

void tst_sensorSdkExports::callsBeforeInitialisation()
{
    entry<int (*)()>(198)();
    QCOMPARE(entry<int (*)()>(198)(), 1);
    QCOMPARE(entry<int (*)()>(623)(), 0);
    entry<int (*)(int)>(560)(0);
    char buffer[8] = {};
    QCOMPARE(entry<ReadingFn>(606)(0, 0, buffer, 8), 0.0);
    QCOMPARE(buffer[0], '\0');
}

void tst_sensorSdkExports::labelsRespectCapacity_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("room to spare") << 256 << QByteArray("Core 0 Clock");
    QTest::newRow("exact fit") << 13 << QByteArray("Core 0 Clock");
    QTest::newRow("truncated") << 5 << QByteArray("Core");
    QTest::newRow("only the NUL") << 1 << QByteArray("");
}

void tst_sensorSdkExports::labelsRespectCapacity()
{
    QFETCH(int, capacity);
    QFETCH(QByteArray, written);
    initOn("vm");
    entry<int (*)(int)>(560)(0);
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    buffer[0] = 0;
    QCOMPARE(entry<ReadingFn>(629)(0, 0, buffer, capacity), 2294.608);
    QCOMPARE(QByteArray(buffer), written);
    QCOMPARE(buffer[capacity], '#'); // nothing beyond the capacity
}

void tst_sensorSdkExports::absentReadingsLeaveTheBuffer()
{
    initOn("vm");
    entry<int (*)(int)>(560)(0);
    char buffer[16] = {};
    for (const auto &call :
         {std::make_tuple(606, 0, 0), std::make_tuple(629, 0, 1), std::make_tuple(629, 1, 0),
          std::make_tuple(629, -1, 0), std::make_tuple(943, 0, -3), std::make_tuple(183, 0, 0)}) {
        QCOMPARE(
            entry<ReadingFn>(std::get<0>(call))(std::get<1>(call), std::get<2>(call), buffer, 16),
            0.0);
        QCOMPARE(buffer[0], '\0');
    }
    QCOMPARE(entry<FanFn>(734)(0, 0, buffer, 16), 0);
    QCOMPARE(entry<ReadingFn>(629)(0, 0, buffer, 0), 0.0); // no room: untouched
    QCOMPARE(buffer[0], '\0');
    QCOMPARE(entry<ReadingFn>(629)(0, 0, nullptr, 16), 0.0);
}

void tst_sensorSdkExports::capturedTreeThroughTheContract()
{
    initOn("amd-desktop");
    QCOMPARE(entry<int (*)()>(623)(), 3);
    char name[256];
    entry<int (*)(int, char *, int)>(476)(1, name, 256);
    QCOMPARE(QByteArray(name), QByteArray("AMD Radeon GPU [0000:0b:00.0]"));
    entry<int (*)(int)>(560)(1);
    char label[256] = {};
    QCOMPARE(entry<FanFn>(734)(1, 0, label, 256), 800);
    QCOMPARE(QByteArray(label), QByteArray("GPU Fan1"));
    label[0] = 0;
    QCOMPARE(entry<ReadingFn>(183)(1, 0, label, 256), 35.0);
    QCOMPARE(QByteArray(label), QByteArray("GPU Power (Total)"));
    label[0] = 0;
    QCOMPARE(entry<ReadingFn>(943)(1, 0, label, 256), 17.0);
    QCOMPARE(QByteArray(label), QByteArray("GPU Core Load"));
}

QTEST_GUILESS_MAIN(tst_sensorSdkExports)
#include "tst_sensorsdkexports.moc"
