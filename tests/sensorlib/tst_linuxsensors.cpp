// The Linux sensor collector on captured sysfs/procfs trees.

#include "linuxsensors.h"
#include "powerhelperfile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kTrees = QStringLiteral(QUILLON_TEST_DATA "/trees/");
const QString kFakeNvmlDir = QStringLiteral(QUILLON_BUILD_DIR "/tests/fakenvml/");

QString nvmlPath(const QString &variant)
{
    return variant.isEmpty() ? QStringLiteral("/nonexistent/libnvidia-ml.so.1")
                             : kFakeNvmlDir + variant + "/libnvidia-ml.so.1";
}

// "N name" per sensor, then "N:label=value" per present reading in query order.
QStringList dump(const LinuxSensors &sensors)
{
    QStringList lines;
    for (int s = 0; s < sensors.sensorCount(); ++s) {
        lines << QString::number(s) + ' ' + QString::fromStdString(sensors.sensorName(s));
        for (int k = 0; k < kSensorKindCount; ++k) {
            for (int i = 0; i < 512; ++i) {
                if (const SensorReading *r = sensors.reading(s, SensorKind(k), i))
                    lines << QString::number(s) + ':' + QString::fromStdString(r->label) + '=' +
                                 QString::number(r->value, 'g', 6);
            }
        }
    }
    return lines;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) >= 0;
}

QString copyTree(const QTemporaryDir &dir, const QString &tree)
{
    const QString target = dir.filePath(tree);
    return QProcess::execute("cp", {"-a", kTrees + tree, target}) == 0 ? target : QString();
}

} // namespace

class tst_linuxSensors : public QObject
{
    Q_OBJECT
private slots:
    void capturedTree_data();
    void capturedTree();
    void energyCounterWraps();
    void powerHelperStandsIn_data();
    void powerHelperStandsIn();
    void firstUsageSample();
    void valuesChangeOnlyOnRefresh();
    void outOfRangeLookups();
};

void tst_linuxSensors::capturedTree_data()
{
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("nvml");
    QTest::addColumn<QStringList>("expected");

    const QStringList intelCpu{"0 12th Gen Intel(R) Core(TM) i7-12700K", "0:CPU Package=52",
                               "0:CPU Package Power=0", "0:Core 0 Clock=4700",
                               "0:Total CPU Usage=7.66751"};
    const QStringList intelBoard{"2 ASUSTeK COMPUTER INC. PRIME Z690-P", "2:Motherboard=33",
                                 "2:CPU Fan=1100", "2:Memory Clock=1600"};
    QTest::newRow("intel desktop, NVML with RPM call")
        << "intel-desktop"
        << "rpm"
        << intelCpu + QStringList{"1 NVIDIA GeForce RTX 3070", "1:GPU Temperature=61",
                                  "1:GPU Fan1=1450",           "1:GPU Power (Total)=215.5",
                                  "1:GPU Clock=1905",          "1:GPU Core Load=37"} +
               intelBoard;
    // Without the RPM call there is no fan reading: the percent is no RPM.
    QTest::newRow("intel desktop, NVML without RPM call")
        << "intel-desktop"
        << "norpm"
        << intelCpu +
               QStringList{"1 NVIDIA GeForce RTX 3070", "1:GPU Temperature=61",
                           "1:GPU Power (Total)=215.5", "1:GPU Clock=1905", "1:GPU Core Load=37"} +
               intelBoard;
    QStringList intelNoGpu = intelCpu + intelBoard;
    intelNoGpu.replaceInStrings(QRegularExpression("^2"), "1");
    QTest::newRow("intel desktop, no NVIDIA driver") << "intel-desktop"
                                                     << "" << intelNoGpu;
    QTest::newRow("amd desktop") << "amd-desktop"
                                 << ""
                                 << QStringList{"0 AMD Ryzen 9 5900X 12-Core Processor",
                                                "0:CPU (Tctl/Tdie)=55.25",
                                                "0:CPU Package Power=0",
                                                "0:Core 0 Clock=3593.25",
                                                "0:Total CPU Usage=8",
                                                "1 AMD Radeon GPU [0000:0b:00.0]",
                                                "1:GPU Temperature=48",
                                                "1:GPU Fan1=800",
                                                "1:GPU Power (Total)=35",
                                                "1:GPU Clock=1850",
                                                "1:GPU Core Load=17",
                                                "2 it8686",
                                                "2:CPU Fan=950",
                                                "2:Memory Clock=1800"};
    QTest::newRow("virtual machine")
        << "vm"
        << ""
        << QStringList{"0 QEMU Virtual CPU version 2.5+", "0:Core 0 Clock=2294.61",
                       "0:Total CPU Usage=12"};
    // A directory where a file belongs, words where numbers belong, a dangling
    // chip link: those readings are absent, the rest goes on.
    QTest::newRow("unreadable and malformed files")
        << "broken"
        << "" << QStringList{"0 Broken CPU", "1 nct6798", "1:Motherboard=30"};
    QTest::newRow("missing root") << "no-such-tree"
                                  << "" << QStringList{"0 CPU"};
}

void tst_linuxSensors::capturedTree()
{
    QFETCH(QString, tree);
    QFETCH(QString, nvml);
    QFETCH(QStringList, expected);
    LinuxSensors sensors(QString(kTrees + tree).toStdString(), nvmlPath(nvml).toStdString());
    sensors.discover(1000000);
    for (int s = 0; s < sensors.sensorCount(); ++s)
        sensors.refresh(s, 2000000);
    QCOMPARE(dump(sensors), expected);
}

void tst_linuxSensors::energyCounterWraps()
{
    QTemporaryDir dir;
    const QString root = copyTree(dir, "intel-desktop");
    QVERIFY(!root.isEmpty());
    const QString energy = root + "/sys/devices/virtual/powercap/intel-rapl/intel-rapl:0/energy_uj";
    QVERIFY(writeFile(energy, "262133000000\n")); // 10 J before max_energy_range_uj
    LinuxSensors sensors(root.toStdString(), nvmlPath({}).toStdString());
    sensors.discover(1000000);
    QVERIFY(writeFile(energy, "20000000\n"));
    sensors.refresh(0, 2000000);
    const SensorReading *power = sensors.reading(0, SensorKind::Power, 0);
    QVERIFY(power);
    QCOMPARE(QString::fromStdString(power->label), QStringLiteral("CPU Package Power"));
    QCOMPARE(power->value, 30.32885); // (328850 + 10e6 + 20e6) µJ over one second

    QVERIFY(writeFile(energy, "50000000\n"));
    sensors.refresh(0, 1500000 + 1000000); // half a second later
    QCOMPARE(sensors.reading(0, SensorKind::Power, 0)->value, 60.0);
}

void tst_linuxSensors::powerHelperStandsIn_data()
{
    QTest::addColumn<bool>("counterReadable");
    QTest::addColumn<int>("helperAgeMs"); // -1: no helper file
    QTest::addColumn<bool>("present");
    QTest::addColumn<double>("watts");
    QTest::newRow("root-only counter, fresh file") << false << 0 << true << 25.0;
    QTest::newRow("root-only counter, file 2.5 s old") << false << 2500 << true << 25.0;
    QTest::newRow("root-only counter, stale file") << false << 3500 << false << 0.0;
    QTest::newRow("root-only counter, no helper") << false << -1 << false << 0.0;
    // 1 J over one second from the counter itself.
    QTest::newRow("readable counter wins") << true << 0 << true << 1.0;
}

void tst_linuxSensors::powerHelperStandsIn()
{
    QFETCH(bool, counterReadable);
    QFETCH(int, helperAgeMs);
    QFETCH(bool, present);
    QFETCH(double, watts);
    QTemporaryDir dir;
    const QString root = copyTree(dir, QStringLiteral("intel-desktop"));
    QVERIFY(!root.isEmpty());
    const QString energy =
        root + QLatin1String("/sys/devices/virtual/powercap/intel-rapl/intel-rapl:0/energy_uj");
    if (!counterReadable) {
        // A folder in the file's place is unreadable even to root.
        QVERIFY(QFile::remove(energy));
        QVERIFY(QDir().mkdir(energy));
    }
    if (helperAgeMs >= 0) {
        QVERIFY(QDir().mkpath(root + QLatin1String("/run/quillon")));
        const uint64_t measured = boottimeNs() - static_cast<uint64_t>(helperAgeMs) * 1000000;
        QVERIFY(writeFile(root + QLatin1Char('/') + QLatin1String(kPowerHelperFile),
                          QByteArray::fromStdString(formatPowerHelperFile(25.0, measured))));
    }
    LinuxSensors sensors(root.toStdString(), nvmlPath({}).toStdString());
    sensors.discover(1000000);
    if (counterReadable)
        QVERIFY(writeFile(energy,
                          QByteArray::number(123456789ULL + 1000000) + QByteArrayLiteral("\n")));
    sensors.refresh(0, 2000000);
    const SensorReading *power = sensors.reading(0, SensorKind::Power, 0);
    QCOMPARE(power != nullptr, present);
    if (present) {
        QCOMPARE(QString::fromStdString(power->label), QStringLiteral("CPU Package Power"));
        QCOMPARE(power->value, watts);
    }
}

void tst_linuxSensors::firstUsageSample()
{
    QTemporaryDir dir;
    const QString root = copyTree(dir, "vm");
    QVERIFY(!root.isEmpty());
    LinuxSensors sensors(root.toStdString(), nvmlPath({}).toStdString());
    sensors.discover(1000000);
    // No tick since the baseline: the share since boot stands in.
    sensors.refresh(0, 2000000);
    const SensorReading *usage = sensors.reading(0, SensorKind::Usage, 0);
    QVERIFY(usage);
    QCOMPARE(usage->value, 12.0);
    // 1000 jiffies later, 150 of them busy.
    QVERIFY(writeFile(root + "/proc/stat", "cpu  900 0 450 9650 0 0 0 0 0 0\n"));
    sensors.refresh(0, 3000000);
    QCOMPARE(sensors.reading(0, SensorKind::Usage, 0)->value, 15.0);
    // A file that stops parsing makes the reading absent, not stale.
    QVERIFY(writeFile(root + "/proc/stat", "garbage\n"));
    sensors.refresh(0, 4000000);
    QVERIFY(!sensors.reading(0, SensorKind::Usage, 0));
}

void tst_linuxSensors::valuesChangeOnlyOnRefresh()
{
    QTemporaryDir dir;
    const QString root = copyTree(dir, "intel-desktop");
    QVERIFY(!root.isEmpty());
    LinuxSensors sensors(root.toStdString(), nvmlPath({}).toStdString());
    sensors.discover(1000000);
    QVERIFY(!sensors.reading(0, SensorKind::Temperature, 0)); // not refreshed yet
    sensors.refresh(0, 2000000);
    QCOMPARE(sensors.reading(0, SensorKind::Temperature, 0)->value, 52.0);
    QVERIFY(
        writeFile(root + "/sys/devices/platform/coretemp.0/hwmon/hwmon2/temp1_input", "70000\n"));
    QCOMPARE(sensors.reading(0, SensorKind::Temperature, 0)->value, 52.0);
    sensors.refresh(0, 3000000);
    QCOMPARE(sensors.reading(0, SensorKind::Temperature, 0)->value, 70.0);
}

void tst_linuxSensors::outOfRangeLookups()
{
    LinuxSensors sensors(QString(kTrees + "vm").toStdString(), nvmlPath({}).toStdString());
    sensors.discover(1000000);
    sensors.refresh(-1, 2000000);
    sensors.refresh(5, 2000000);
    QVERIFY(!sensors.reading(-1, SensorKind::Clock, 0));
    QVERIFY(!sensors.reading(1, SensorKind::Clock, 0));
    QVERIFY(!sensors.reading(0, SensorKind::Clock, -1));
    QVERIFY(!sensors.reading(0, SensorKind::Clock, 512));
    QCOMPARE(QString::fromStdString(sensors.sensorName(3)), QString());
}

QTEST_GUILESS_MAIN(tst_linuxSensors)
#include "tst_linuxsensors.moc"
