// The Linux sensor collector on captured sysfs/procfs trees.

#include "linuxsensors.h"

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
    // Machines laid out from public sensor dumps (each tree's README names
    // its sources): every field from the source its owner would name, or none.
    QTest::newRow("intel, asus board with EC sensors, integrated graphics")
        << "intel-asus"
        << ""
        << QStringList{"0 12th Gen Intel(R) Core(TM) i9-12900K",
                       "0:CPU Package=58",
                       "0:CPU Package Power=0",
                       "0:Core 0 Clock=4900",
                       "0:Total CPU Usage=15",
                       "1 Intel Graphics [0000:00:02.0]",
                       "1:GPU Clock=1450",
                       "2 ASUSTeK COMPUTER INC. ROG STRIX Z690-E GAMING WIFI",
                       "2:Motherboard=36",
                       "2:CPU Fan=1210",
                       "2:Memory Clock=3000"};
    QTest::newRow("ryzen, msi nct6687, nvidia, root-only rapl")
        << "ryzen-msi"
        << "rpm"
        << QStringList{"0 AMD Ryzen 7 5800X 8-Core Processor",
                       "0:CPU (Tctl/Tdie)=61.25",
                       "0:Core 0 Clock=3801",
                       "0:Total CPU Usage=6",
                       "1 NVIDIA GeForce RTX 3070",
                       "1:GPU Temperature=61",
                       "1:GPU Fan1=1450",
                       "1:GPU Power (Total)=215.5",
                       "1:GPU Clock=1905",
                       "1:GPU Core Load=37",
                       "2 Micro-Star International Co., Ltd. MPG B550 GAMING PLUS (MS-7C56)",
                       "2:Motherboard=38",
                       "2:CPU Fan=1050",
                       "2:Memory Clock=1600"};
    // The integrated GPU comes first in hwmon order; the discrete card feeds
    // all five fields.
    QTest::newRow("ryzen 7000, integrated and discrete amdgpu")
        << "ryzen7000-dgpu"
        << ""
        << QStringList{"0 AMD Ryzen 9 7950X 16-Core Processor",
                       "0:CPU (Tctl/Tdie)=72.875",
                       "0:CPU Package Power=0",
                       "0:Core 0 Clock=5050",
                       "0:Total CPU Usage=15",
                       "1 AMD Radeon RX 7900 XTX",
                       "1:GPU Temperature=63",
                       "1:GPU Fan1=1320",
                       "1:GPU Power (Total)=212",
                       "1:GPU Clock=2450",
                       "1:GPU Core Load=41",
                       "2 ASUSTeK COMPUTER INC. TUF GAMING X670E-PLUS",
                       "2:Motherboard=33",
                       "2:CPU Fan=1380",
                       "2:Memory Clock=3000"};
    // The APU's PPT is the socket's power: CPU package power, never GPU power.
    QTest::newRow("ryzen apu alone") << "ryzen-apu"
                                     << ""
                                     << QStringList{"0 AMD Ryzen 7 5700G with Radeon Graphics",
                                                    "0:CPU (Tctl/Tdie)=47.125",
                                                    "0:CPU Package Power=18",
                                                    "0:Core 0 Clock=3400",
                                                    "0:Total CPU Usage=4",
                                                    "1 AMD Radeon GPU [0000:05:00.0]",
                                                    "1:GPU Temperature=45",
                                                    "1:GPU Clock=400",
                                                    "1:GPU Core Load=9",
                                                    "2 Motherboard",
                                                    "2:Memory Clock=1600"};
    QTest::newRow("fx family 15h, radeon, gigabyte it87")
        << "fx-radeon"
        << ""
        << QStringList{"0 AMD FX(tm)-8350 Eight-Core Processor",
                       "0:CPU Temperature=31.125",
                       "0:CPU Package Power=58.34",
                       "0:Core 0 Clock=4000",
                       "0:Total CPU Usage=9.1",
                       "1 AMD Radeon GPU [0000:01:00.0]",
                       "1:GPU Temperature=44",
                       "1:GPU Fan1=1150",
                       "2 Gigabyte Technology Co., Ltd. GA-990FXA-UD3",
                       "2:CPU Fan=1650",
                       "2:Memory Clock=933"};
    QTest::newRow("thinkpad") << "thinkpad"
                              << ""
                              << QStringList{"0 Intel(R) Core(TM) i5-8350U CPU @ 1.70GHz",
                                             "0:CPU Package=51",
                                             "0:CPU Package Power=0",
                                             "0:Core 0 Clock=1900",
                                             "0:Total CPU Usage=15",
                                             "1 Intel Graphics [0000:00:02.0]",
                                             "1:GPU Clock=300",
                                             "2 LENOVO 20L5CTO1WW",
                                             "2:PCH Temperature=42.5",
                                             "2:CPU Fan=2680",
                                             "2:Memory Clock=1200"};
    QTest::newRow("laptop, i915 and nouveau")
        << "laptop-nouveau"
        << ""
        << QStringList{"0 Intel(R) Core(TM) i7-7700HQ CPU @ 2.80GHz",
                       "0:CPU Package=62",
                       "0:CPU Package Power=0",
                       "0:Core 0 Clock=3400",
                       "0:Total CPU Usage=15",
                       "1 NVIDIA GPU [0000:01:00.0]",
                       "1:GPU Temperature=53",
                       "2 Dell Inc. 05FFDN",
                       "2:PCH Temperature=51.5",
                       "2:CPU Fan=2450",
                       "2:Memory Clock=1200"};
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
