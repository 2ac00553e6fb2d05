// The Linux sensor collector on captured sysfs/procfs trees.

#include "../decimalcommalocale.h"
#include "sensorlib/chosensensors.h"
#include "sensorlib/linuxsensors.h"
#include "sensorlib/powerhelperfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kTrees = QStringLiteral(QUILLON_TEST_DATA "/trees/");
const QString kFakeNvmlDir = QStringLiteral(QUILLON_BUILD_DIR "/tests/fakenvml/");

QString nvmlPath(const QString &variant)
{
    return variant.isEmpty() ? QStringLiteral("/nonexistent/libnvidia-ml.so.1")
                             : kFakeNvmlDir + variant + "/libnvidia-ml.so.1";
}

// "N name" per sensor, then "N:label=value" per present reading in query order.
template <typename Sensors> QStringList dump(const Sensors &sensors)
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

// Changes below `root`: "path=text" writes a file, "path->target" makes a
// link, "path|" a FIFO, "path!" removes. "hwmonN/" abbreviates
// "sys/class/hwmon/hwmonN/".
bool plant(const QString &root, const QStringList &entries)
{
    for (QString entry : entries) {
        if (entry.startsWith(QLatin1String("hwmon")))
            entry.prepend(QLatin1String("sys/class/hwmon/"));
        const int link = entry.indexOf(QLatin1String("->"));
        const int equals = entry.indexOf('=');
        const QString path = root + '/' +
                             entry.left(link >= 0     ? link
                                        : equals >= 0 ? equals
                                                      : entry.size() - 1);
        QDir().mkpath(QFileInfo(path).path());
        // A file is rewritten in place: the library keeps attributes open.
        if (link >= 0 || equals < 0)
            QFile::remove(path);
        if (entry.endsWith('!'))
            continue;
        bool ok = true;
        if (link >= 0)
            ok = QFile::link(entry.mid(link + 2), path);
        else if (equals >= 0)
            ok = writeFile(path, entry.mid(equals + 1).toUtf8() + '\n');
        else if (entry.endsWith('|'))
            ok = QProcess::execute("mkfifo", {path}) == 0;
        if (!ok)
            return false;
    }
    return true;
}

QStringList discoverAndDump(const QString &root, const QStringList &later = {})
{
    LinuxSensors sensors(root.toStdString(), nvmlPath({}).toStdString());
    sensors.discover(1000000);
    if (!plant(root, later))
        return {"cannot change the tree"};
    for (int s = 0; s < sensors.sensorCount(); ++s)
        sensors.refresh(s, 2000000);
    return dump(sensors);
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
    void decimalCommaLocale_data();
    void decimalCommaLocale();
    void firstUsageSample();
    void valuesChangeOnlyOnRefresh();
    void outOfRangeLookups();
    void cpuFanRule_data();
    void cpuFanRule();
    void boardTemperatureRule_data();
    void boardTemperatureRule();
    void socTemperatureZone_data();
    void socTemperatureZone();
    void gpuChoice_data();
    void gpuChoice();
    void badInput_data();
    void badInput();
    void fieldChoice_data();
    void fieldChoice();
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
    const QStringList ryzen7000 = QStringList{"0 AMD Ryzen 9 7950X 16-Core Processor",
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
    QTest::newRow("ryzen 7000, integrated and discrete amdgpu") << "ryzen7000-dgpu"
                                                                << "" << ryzen7000;
    // Two discrete cards: the first by PCI address (the amdgpu is at 03:00.0).
    QTest::newRow("ryzen 7000, discrete amdgpu before an NVIDIA card") << "ryzen7000-dgpu"
                                                                       << "rpm@0a" << ryzen7000;
    QStringList nvidiaFirst = ryzen7000;
    nvidiaFirst.replace(5, QStringLiteral("1 NVIDIA GeForce RTX 3070"));
    nvidiaFirst.replace(6, QStringLiteral("1:GPU Temperature=61"));
    nvidiaFirst.replace(7, QStringLiteral("1:GPU Fan1=1450"));
    nvidiaFirst.replace(8, QStringLiteral("1:GPU Power (Total)=215.5"));
    nvidiaFirst.replace(9, QStringLiteral("1:GPU Clock=1905"));
    nvidiaFirst.replace(10, QStringLiteral("1:GPU Core Load=37"));
    QTest::newRow("ryzen 7000, an NVIDIA card before the discrete amdgpu")
        << "ryzen7000-dgpu"
        << "rpm@02" << nvidiaFirst;
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
    // No CPU driver: the SoC's thermal zone; the clock from cpufreq.
    QTest::newRow("raspberry pi 5") << "rpi5"
                                    << ""
                                    << QStringList{"0 CPU", "0:CPU Temperature=53.7",
                                                   "0:Core 0 Clock=2400", "0:Total CPU Usage=15"};
    QTest::newRow("missing root") << "no-such-tree"
                                  << "" << QStringList{"0 CPU"};
}

void tst_linuxSensors::capturedTree()
{
    QFETCH(QString, tree);
    QFETCH(QString, nvml);
    QFETCH(QStringList, expected);
    // "variant@bus": the stand-in NVML's card on that PCI bus.
    const QStringList variant = nvml.split('@');
    if (variant.size() > 1)
        qputenv("FAKENVML_BUS", variant[1].toLatin1());
    else
        qunsetenv("FAKENVML_BUS");
    LinuxSensors sensors(QString(kTrees + tree).toStdString(), nvmlPath(variant[0]).toStdString());
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
    // Who owns the file: "" the test's user, who made the folder too; "helper"
    // another user who owns the folder as well; "stranger" another user.
    QTest::addColumn<QString>("owner");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("present");
    QTest::addColumn<double>("watts");
    QTest::newRow("root-only counter, fresh file") << false << 0 << "" << 0644 << true << 25.0;
    QTest::newRow("root-only counter, file 2.5 s old")
        << false << 2500 << "" << 0644 << true << 25.0;
    QTest::newRow("root-only counter, stale file") << false << 3500 << "" << 0644 << false << 0.0;
    QTest::newRow("root-only counter, no helper") << false << -1 << "" << 0644 << false << 0.0;
    // 1 J over one second from the counter itself.
    QTest::newRow("readable counter wins") << true << 0 << "" << 0644 << true << 1.0;
    // Anyone who may write the file may write any figure into it.
    QTest::newRow("file the group may write") << false << 0 << "" << 0664 << false << 0.0;
    QTest::newRow("file others may write") << false << 0 << "" << 0646 << false << 0.0;
    QTest::newRow("file of a stranger") << false << 0 << "stranger" << 0644 << false << 0.0;
    // The helper runs as a user of its own whose folder systemd makes.
    QTest::newRow("file of the folder's owner") << false << 0 << "helper" << 0644 << true << 25.0;
}

void tst_linuxSensors::powerHelperStandsIn()
{
    QFETCH(bool, counterReadable);
    QFETCH(int, helperAgeMs);
    QFETCH(QString, owner);
    QFETCH(int, mode);
    QFETCH(bool, present);
    QFETCH(double, watts);
    // nobody: neither root nor, when the test runs as root, the test's user.
    const uid_t otherUser = 65534;
    if (!owner.isEmpty() && ::geteuid() != 0)
        QSKIP("giving a file to another user needs root");
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
        const QString folder = root + QLatin1String("/run/quillon");
        const QString file = root + QLatin1Char('/') + QLatin1String(kPowerHelperFile);
        QVERIFY(QDir().mkpath(folder));
        const uint64_t measured = boottimeNs() - static_cast<uint64_t>(helperAgeMs) * 1000000;
        QVERIFY(writeFile(file, QByteArray::fromStdString(formatPowerHelperFile(25.0, measured))));
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), static_cast<mode_t>(mode)), 0);
        if (owner == QLatin1String("helper"))
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), otherUser, otherUser), 0);
        if (!owner.isEmpty())
            QCOMPARE(::chown(QFile::encodeName(file).constData(), otherUser, otherUser), 0);
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

void tst_linuxSensors::decimalCommaLocale_data()
{
    QTest::addColumn<QString>("tree");
    QTest::addColumn<bool>("helper"); // a fresh power helper file, the counter root-only
    QTest::addColumn<QString>("expected");
    // No cpufreq: the clock is the text of /proc/cpuinfo.
    QTest::newRow("cpu MHz of a virtual machine") << "vm" << false << "0:Core 0 Clock=2294.61";
    QTest::newRow("the power helper's figure")
        << "intel-desktop" << true << "0:CPU Package Power=25.5";
}

void tst_linuxSensors::decimalCommaLocale()
{
    QFETCH(QString, tree);
    QFETCH(bool, helper);
    QFETCH(QString, expected);
    QByteArray locPath;
    QString why;
    if (!decimalCommaLocPath(&locPath, &why))
        QSKIP(qPrintable(why));
    QTemporaryDir dir;
    const QString root = copyTree(dir, tree);
    QVERIFY(!root.isEmpty());
    if (helper) {
        const QString energy =
            root + QLatin1String("/sys/devices/virtual/powercap/intel-rapl/intel-rapl:0/"
                                 "energy_uj");
        QVERIFY(QFile::remove(energy));
        QVERIFY(QDir().mkdir(energy));
        QVERIFY(QDir().mkpath(root + QLatin1String("/run/quillon")));
        const QString file = root + QLatin1Char('/') + QLatin1String(kPowerHelperFile);
        QVERIFY(
            writeFile(file, QByteArray::fromStdString(formatPowerHelperFile(25.5, boottimeNs()))));
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    }
    // The numeric locale the program runs with once QApplication has set it.
    const QByteArray saved = ::setlocale(LC_NUMERIC, nullptr);
    if (!locPath.isEmpty())
        qputenv("LOCPATH", locPath);
    QVERIFY(::setlocale(LC_NUMERIC, kDecimalCommaLocale));
    const QStringList lines = discoverAndDump(root);
    ::setlocale(LC_NUMERIC, saved.constData());
    qunsetenv("LOCPATH");
    QVERIFY2(lines.contains(expected), qPrintable(lines.join(QLatin1Char('\n'))));
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

void tst_linuxSensors::cpuFanRule_data()
{
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("expected"); // the CPU fan reading, or empty

    QTest::newRow("an exact label beats the chip's header")
        << QStringList{"hwmon0/name=nct6798", "hwmon0/fan2_input=900", "hwmon0/fan5_label=CPU_FAN",
                       "hwmon0/fan5_input=1500"}
        << "1500";
    QTest::newRow("CPU_Opt is no CPU fan")
        << QStringList{"hwmon0/name=asusec", "hwmon0/fan1_label=CPU_Opt", "hwmon0/fan1_input=700",
                       "hwmon1/name=nct6798", "hwmon1/fan2_input=1100"}
        << "1100";
    QTest::newRow("a label only containing cpu")
        << QStringList{"hwmon0/name=foo", "hwmon0/fan1_label=CPU fan duct", "hwmon0/fan1_input=700"}
        << "";
    QTest::newRow("nct6775 CPUFANIN")
        << QStringList{"hwmon0/name=nct6775", "hwmon0/fan1_input=800", "hwmon0/fan2_input=1200"}
        << "1200";
    QTest::newRow("nct6799 CPUFANIN")
        << QStringList{"hwmon0/name=nct6799", "hwmon0/fan1_input=800", "hwmon0/fan2_input=1250"}
        << "1250";
    QTest::newRow("nct6106 is no nct6775-family layout")
        << QStringList{"hwmon0/name=nct6106", "hwmon0/fan2_input=1250"} << "";
    QTest::newRow("nct6687 fan1, fan2 the pump")
        << QStringList{"hwmon0/name=nct6687", "hwmon0/fan1_input=990", "hwmon0/fan2_input=2600"}
        << "990";
    QTest::newRow("nct6683 fan1") << QStringList{"hwmon0/name=nct6683", "hwmon0/fan1_input=980",
                                                 "hwmon0/fan2_input=2600"}
                                  << "980";
    QTest::newRow("it87 fan1") << QStringList{"hwmon0/name=it8792", "hwmon0/fan1_input=1300",
                                              "hwmon0/fan2_input=700"}
                               << "1300";
    QTest::newRow("thinkpad fan1")
        << QStringList{"hwmon0/name=thinkpad", "hwmon0/fan1_input=2900"} << "2900";
    QTest::newRow("dell_smm labelled processor fan")
        << QStringList{"hwmon0/name=dell_smm", "hwmon0/fan1_label=Video Fan",
                       "hwmon0/fan1_input=2000", "hwmon0/fan2_label=Processor Fan",
                       "hwmon0/fan2_input=2200"}
        << "2200";
    QTest::newRow("dell_smm unlabelled")
        << QStringList{"hwmon0/name=dell_smm", "hwmon0/fan1_input=2100"} << "2100";
    QTest::newRow("asus laptop cpu_fan")
        << QStringList{"hwmon0/name=asus", "hwmon0/fan1_label=cpu_fan", "hwmon0/fan1_input=3100"}
        << "3100";
    QTest::newRow("a GPU's fan never")
        << QStringList{"hwmon0/name=amdgpu", "hwmon0/fan1_label=CPU Fan", "hwmon0/fan1_input=900"}
        << "";
    QTest::newRow("unknown chip") << QStringList{"hwmon0/name=w83627ehf", "hwmon0/fan1_input=900"}
                                  << "";
    QTest::newRow("stalled counter")
        << QStringList{"hwmon0/name=nct6798", "hwmon0/fan2_input=65535"} << "";
}

void tst_linuxSensors::cpuFanRule()
{
    QFETCH(QStringList, tree);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(plant(dir.path(), tree));
    const QStringList fans = discoverAndDump(dir.path()).filter(QStringLiteral(":CPU Fan="));
    QCOMPARE(fans.isEmpty() ? QString() : fans.first().section('=', 1), expected);
}

void tst_linuxSensors::boardTemperatureRule_data()
{
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("expected"); // "label=value", or empty

    const QStringList nct{"hwmon1/name=nct6798", "hwmon1/temp1_label=SYSTIN",
                          "hwmon1/temp1_input=31000", "hwmon1/temp2_label=CPUTIN",
                          "hwmon1/temp2_input=45000"};
    QTest::newRow("asus_wmi_sensors before the Super-I/O")
        << QStringList{"hwmon0/name=asus_wmi_sensors", "hwmon0/temp2_label=Motherboard",
                       "hwmon0/temp2_input=35000"} +
               nct
        << "Motherboard=35";
    QTest::newRow("asus-ec-sensors before the Super-I/O")
        << nct + QStringList{"hwmon2/name=asusec", "hwmon2/temp3_label=Motherboard",
                             "hwmon2/temp3_input=36000"}
        << "Motherboard=36";
    QTest::newRow("nct6775 family SYSTIN") << nct << "Motherboard=31";
    QTest::newRow("CPUTIN and AUXTIN never")
        << QStringList{"hwmon0/name=nct6798", "hwmon0/temp2_label=CPUTIN",
                       "hwmon0/temp2_input=45000", "hwmon0/temp3_label=AUXTIN0",
                       "hwmon0/temp3_input=30000"}
        << "";
    QTest::newRow("nct6687 System")
        << QStringList{"hwmon0/name=nct6687", "hwmon0/temp1_label=CPU", "hwmon0/temp1_input=50000",
                       "hwmon0/temp2_label=System", "hwmon0/temp2_input=37000"}
        << "Motherboard=37";
    QTest::newRow("gigabyte_wmi has no documented board channel")
        << QStringList{"hwmon0/name=gigabyte_wmi", "hwmon0/temp1_input=33000"} << "";
    QTest::newRow("it87 has no documented board channel")
        << QStringList{"hwmon0/name=it8686", "hwmon0/temp1_input=33000"} << "";
    QTest::newRow("nct6775 family PCH_CHIP_TEMP")
        << QStringList{"hwmon0/name=nct6796", "hwmon0/temp7_label=PCH_CHIP_TEMP",
                       "hwmon0/temp7_input=52000"}
        << "PCH Temperature=52";
    QTest::newRow("pch chip") << QStringList{"hwmon0/name=pch_cannonlake",
                                             "hwmon0/temp1_input=48000"}
                              << "PCH Temperature=48";
    QTest::newRow("pch thermal zone")
        << QStringList{"sys/class/thermal/thermal_zone0/type=pch_skylake",
                       "sys/class/thermal/thermal_zone0/temp=47000"}
        << "PCH Temperature=47";
    QTest::newRow("acpitz never") << QStringList{"hwmon0/name=acpitz", "hwmon0/temp1_input=27800"}
                                  << "";
    QTest::newRow("no sensor marker")
        << QStringList{"hwmon0/name=nct6798", "hwmon0/temp1_label=SYSTIN",
                       "hwmon0/temp1_input=127000"}
        << "";
}

void tst_linuxSensors::boardTemperatureRule()
{
    QFETCH(QStringList, tree);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(plant(dir.path(), tree));
    QStringList lines = discoverAndDump(dir.path());
    lines = lines.filter(QRegularExpression("^1:(Motherboard|PCH Temperature)="));
    QCOMPARE(lines.isEmpty() ? QString() : lines.first().mid(2), expected);
}

void tst_linuxSensors::socTemperatureZone_data()
{
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("expected"); // the CPU temperature line, or empty

    const auto zone = [](const char *type) {
        return QStringList{QStringLiteral("sys/class/thermal/thermal_zone0/type=") +
                               QLatin1String(type),
                           "sys/class/thermal/thermal_zone0/temp=47000"};
    };
    for (const char *type : {"cpu-thermal", "cpu_thermal", "soc-thermal", "soc_thermal",
                             "cpu0-thermal", "cpu0_thermal", "package-thermal"})
        QTest::newRow(type) << zone(type) << "0:CPU Temperature=47";
    QTest::newRow("the CPU's zone after the GPU's")
        << QStringList{"sys/class/thermal/thermal_zone0/type=gpu-thermal",
                       "sys/class/thermal/thermal_zone0/temp=52000",
                       "sys/class/thermal/thermal_zone1/type=cpu-thermal",
                       "sys/class/thermal/thermal_zone1/temp=48000"}
        << "0:CPU Temperature=48";
    QTest::newRow("a CPU driver without a reading: never the zone")
        << zone("cpu-thermal") + QStringList{"hwmon0/name=k10temp"} << "";
}

void tst_linuxSensors::socTemperatureZone()
{
    QFETCH(QStringList, tree);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(plant(dir.path(), tree));
    const QStringList lines =
        discoverAndDump(dir.path()).filter(QRegularExpression("^0:CPU (Temperature|Package)="));
    QCOMPARE(lines.isEmpty() ? QString() : lines.first(), expected);
}

void tst_linuxSensors::gpuChoice_data()
{
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QStringList>("later");    // changes after discovery
    QTest::addColumn<QStringList>("expected"); // the GPU sensor's lines

    const QString bridge = "sys/devices/pci0000:00/0000:00:01.1/";
    QTest::newRow("two discrete cards: the lower PCI address")
        << QStringList{"hwmon0->../../devices/pci0000:00/0000:00:03.1/0000:0a:00.0/hwmon/hwmon0",
                       "sys/devices/pci0000:00/0000:00:03.1/0000:0a:00.0/hwmon/hwmon0/name=amdgpu",
                       "sys/devices/pci0000:00/0000:00:03.1/0000:0a:00.0/hwmon/hwmon0/device->../"
                       "..",
                       "hwmon0/fan1_input=1000",
                       "hwmon1->../../devices/pci0000:00/0000:00:01.1/0000:03:00.0/hwmon/hwmon1",
                       bridge + "0000:03:00.0/hwmon/hwmon1/name=amdgpu",
                       bridge + "0000:03:00.0/hwmon/hwmon1/device->../..",
                       "hwmon1/fan1_input=2000"}
        << QStringList{} << QStringList{"1 AMD Radeon GPU [0000:03:00.0]", "1:GPU Fan1=2000"};
    QTest::newRow("a card without its device link is left out")
        << QStringList{"hwmon0/name=amdgpu", "hwmon0/fan1_input=1000"} << QStringList{}
        << QStringList{};
    QTest::newRow("nouveau: temperature, fan, power")
        << QStringList{"hwmon0->../../devices/pci0000:00/0000:00:01.1/0000:01:00.0/hwmon/hwmon0",
                       bridge + "0000:01:00.0/hwmon/hwmon0/name=nouveau",
                       bridge + "0000:01:00.0/hwmon/hwmon0/device->../..",
                       "hwmon0/temp1_input=50000",
                       "hwmon0/fan1_input=1400",
                       "hwmon0/power1_input=35000000"}
        << QStringList{}
        << QStringList{"1 NVIDIA GPU [0000:01:00.0]", "1:GPU Temperature=50", "1:GPU Fan1=1400",
                       "1:GPU Power (Total)=35"};
    // Discrete Arc on xe: power from the energy counter over the interval.
    const QString arc = bridge + "0000:03:00.0/";
    QTest::newRow("xe discrete card")
        << QStringList{"sys/bus/pci/drivers/xe/.keep=",
                       arc + "driver->../../../../bus/pci/drivers/xe",
                       "sys/class/drm/card0->../../devices/pci0000:00/0000:00:01.1/0000:03:00.0/"
                       "drm/card0",
                       arc + "drm/card0/device->../..",
                       arc + "tile0/gt0/freq0/act_freq=2100",
                       "hwmon2->../../devices/pci0000:00/0000:00:01.1/0000:03:00.0/hwmon/hwmon2",
                       arc + "hwmon/hwmon2/name=xe",
                       arc + "hwmon/hwmon2/device->../..",
                       "hwmon2/temp2_label=pkg",
                       "hwmon2/temp2_input=58000",
                       "hwmon2/fan1_input=1100",
                       "hwmon2/energy1_input=1000000"}
        << QStringList{"hwmon2/energy1_input=91000000"}
        << QStringList{"1 Intel Graphics [0000:03:00.0]", "1:GPU Temperature=58", "1:GPU Fan1=1100",
                       "1:GPU Power (Total)=90", "1:GPU Clock=2100"};
    QTest::newRow("i915 integrated: the clock only")
        << QStringList{"sys/bus/pci/drivers/i915/.keep=",
                       "sys/devices/pci0000:00/0000:00:02.0/driver->../../../bus/pci/drivers/i915",
                       "sys/class/drm/card1->../../devices/pci0000:00/0000:00:02.0/drm/card1",
                       "sys/devices/pci0000:00/0000:00:02.0/drm/card1/device->../..",
                       "sys/devices/pci0000:00/0000:00:02.0/drm/card1/gt_act_freq_mhz=1100"}
        << QStringList{} << QStringList{"1 Intel Graphics [0000:00:02.0]", "1:GPU Clock=1100"};
}

void tst_linuxSensors::gpuChoice()
{
    QFETCH(QStringList, tree);
    QFETCH(QStringList, later);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    QVERIFY(plant(dir.path(), tree));
    QCOMPARE(discoverAndDump(dir.path(), later).filter(QRegularExpression("^1[ :]")), expected);
}

void tst_linuxSensors::badInput_data()
{
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QStringList>("lost"); // lines that go, all others stay

    const QString coretemp = "sys/devices/platform/coretemp.0/hwmon/hwmon1/";
    QTest::newRow("a FIFO where an attribute belongs")
        << "intel-asus" << QStringList{coretemp + "temp1_input|"}
        << QStringList{"0:CPU Package=58"};
    QTest::newRow("a link where an attribute belongs")
        << "intel-asus" << QStringList{coretemp + "temp1_input->temp2_input"}
        << QStringList{"0:CPU Package=58"};
    QTest::newRow("a chip without its name file")
        << "intel-asus" << QStringList{coretemp + "name!"} << QStringList{"0:CPU Package=58"};
    QTest::newRow("a stalled fan counter")
        << "intel-asus"
        << QStringList{"sys/devices/platform/nct6775.656/hwmon/hwmon2/fan2_input=65535"}
        << QStringList{"2:CPU Fan=1210"};
    QTest::newRow("a no-sensor temperature")
        << "intel-asus"
        << QStringList{"sys/devices/platform/asus-ec-sensors/hwmon/hwmon3/temp3_input=127000"}
        << QStringList{"2:Motherboard=36"};
    const QString dgpu =
        "sys/devices/pci0000:00/0000:00:01.1/0000:01:00.0/0000:02:00.0/0000:03:00.0/";
    QTest::newRow("a negative power")
        << "ryzen7000-dgpu" << QStringList{dgpu + "hwmon/hwmon2/power1_average=-5000000"}
        << QStringList{"1:GPU Power (Total)=212"};
    // The card is still known by its drm entry, without its hwmon readings.
    QTest::newRow("a card whose hwmon device link is missing")
        << "ryzen7000-dgpu" << QStringList{dgpu + "hwmon/hwmon2/device!"}
        << QStringList{"1:GPU Temperature=63", "1:GPU Fan1=1320", "1:GPU Power (Total)=212",
                       "1:GPU Clock=2450"};
}

void tst_linuxSensors::badInput()
{
    QFETCH(QString, tree);
    QFETCH(QStringList, changes);
    QFETCH(QStringList, lost);
    QTemporaryDir dir;
    const QString root = copyTree(dir, tree);
    QVERIFY(!root.isEmpty());
    QStringList expected = discoverAndDump(root);
    for (const QString &line : lost)
        QVERIFY2(expected.removeOne(line), qPrintable(line));
    QVERIFY(plant(root, changes));
    QCOMPARE(discoverAndDump(root), expected);
}

void tst_linuxSensors::fieldChoice_data()
{
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("nvml");
    QTest::addColumn<QByteArray>("system"); // etc/quillon/sensors.conf below the root
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QString>("userFile");  // what stands at the user's path
    QTest::addColumn<QStringList>("lost");  // lines that go, all others stay
    QTest::addColumn<QStringList>("added"); // lines after the rules' sensors

    const QByteArray fanAndNoBoard = "; mine\n[Other]\ncpuFanSpeed=asusec/fan1\n[Fields]\n"
                                     "# the chassis fan\ncpuFanSpeed=nct6798/fan3\n"
                                     "motherboardTemperature=none\n";
    const QStringList fanAndNoBoardLost{"2:CPU Fan=1210", "2:Motherboard=36"};
    const QStringList fanAdded{"3 nct6798", "3:CPU Fan=742"};
    QTest::newRow("a fan chosen, the board kept empty")
        << "intel-asus"
        << "" << QByteArray() << fanAndNoBoard << "file" << fanAndNoBoardLost << fanAdded;
    QTest::newRow("the user's line over the system's, the system's where the user has none")
        << "intel-asus"
        << "" << QByteArray("[Fields]\ncpuFanSpeed=asusec/fan1\nmotherboardTemperature=none\n")
        << QByteArray("[Fields]\ncpuFanSpeed=nct6798/fan3\n") << "file" << fanAndNoBoardLost
        << fanAdded;
    QTest::newRow("auto over a system line")
        << "intel-asus"
        << "" << QByteArray("[Fields]\nmotherboardTemperature=none\n")
        << QByteArray("[Fields]\nmotherboardTemperature=auto\n") << "file" << QStringList()
        << QStringList();
    QTest::newRow("an NVIDIA card by its address")
        << "intel-desktop"
        << "rpm" << QByteArray() << QByteArray("[Fields]\ngpuPower=nvml@0000:01:00.0/power\n")
        << "file" << QStringList{"1:GPU Power (Total)=215.5"}
        << QStringList{"3 nvml@0000:01:00.0", "3:GPU Power (Total)=215.5"};
    QTest::newRow("one of two amdgpu chips by its address")
        << "ryzen7000-dgpu"
        << "" << QByteArray() << QByteArray("[Fields]\ngpuTemperature=amdgpu@0000:03:00.0/temp2\n")
        << "file" << QStringList{"1:GPU Temperature=63"}
        << QStringList{"3 amdgpu@0000:03:00.0", "3:GPU Temperature=77"};
    QTest::newRow("the Raspberry Pi's cooler for the CPU fan")
        << "rpi5"
        << "" << QByteArray() << QByteArray("[Fields]\ncpuFanSpeed=pwmfan/fan1\n") << "file"
        << QStringList() << QStringList{"1 pwmfan", "1:CPU Fan=1468"};

    // Each leaves the rules' choice as it was.
    const auto unused = [](const char *name, const char *tree, const QByteArray &user,
                           const char *userFile) {
        QTest::newRow(name) << tree << "" << QByteArray() << user << userFile << QStringList()
                            << QStringList();
    };
    unused("a bare name that two chips carry", "ryzen7000-dgpu",
           "[Fields]\ngpuTemperature=amdgpu/temp2\n", "file");
    unused("a source not on this machine", "intel-asus", "[Fields]\ncpuFanSpeed=nct6798/fan9\n",
           "file");
    unused("an unknown field", "intel-asus", "[Fields]\ncpuFan=nct6798/fan3\n", "file");
    unused("malformed lines", "intel-asus",
           "[Fields]\ncpuFanSpeed nct6798/fan3\nmotherboardTemperature=fan3\n", "file");
    unused("a field chosen twice", "intel-asus",
           "[Fields]\ncpuFanSpeed=nct6798/fan3\ncpuFanSpeed=nct6798/fan3\n", "file");
    unused("a source of another kind", "intel-asus", "[Fields]\ncpuFanSpeed=coretemp/temp1\n",
           "file");
    unused("a file over 64 KiB", "intel-asus", fanAndNoBoard + QByteArray(64 * 1024, '#'), "file");
    unused("a FIFO", "intel-asus", fanAndNoBoard, "fifo");
    unused("a folder", "intel-asus", fanAndNoBoard, "folder");
    unused("a link to elsewhere", "intel-asus", fanAndNoBoard, "link");
    unused("an unreadable file", "intel-asus", fanAndNoBoard, "unreadable");
}

void tst_linuxSensors::fieldChoice()
{
    QFETCH(QString, tree);
    QFETCH(QString, nvml);
    QFETCH(QByteArray, system);
    QFETCH(QByteArray, user);
    QFETCH(QString, userFile);
    QFETCH(QStringList, lost);
    QFETCH(QStringList, added);
    if (userFile == QLatin1String("unreadable") && ::geteuid() == 0)
        QSKIP("root reads a file of mode 0");
    qunsetenv("FAKENVML_BUS");
    QTemporaryDir dir;
    const QString root = copyTree(dir, tree);
    QVERIFY(!root.isEmpty());
    if (!system.isEmpty())
        QVERIFY(plant(root, {"etc/quillon/sensors.conf=" + QString::fromLatin1(system)}));
    const QString file = dir.filePath("config/quillon/sensors.conf");
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    if (userFile == QLatin1String("fifo"))
        QCOMPARE(QProcess::execute("mkfifo", {file}), 0);
    else if (userFile == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(file));
    else if (userFile == QLatin1String("link"))
        QVERIFY(writeFile(file + ".elsewhere", user) && QFile::link(file + ".elsewhere", file));
    else
        QVERIFY(writeFile(file, user));
    if (userFile == QLatin1String("unreadable"))
        QVERIFY(QFile::setPermissions(file, {}));

    LinuxSensors rules(root.toStdString(), nvmlPath(nvml).toStdString());
    rules.discover(1000000);
    for (int s = 0; s < rules.sensorCount(); ++s)
        rules.refresh(s, 2000000);
    QStringList expected = dump(rules);
    for (const QString &line : lost)
        QVERIFY2(expected.removeOne(line), qPrintable(line));
    expected += added;

    ChosenSensors chosen(
        root.toStdString(), nvmlPath(nvml).toStdString(),
        loadFieldChoices(systemChoiceFile(SysRoot(root.toStdString())), file.toStdString()));
    chosen.discover(1000000);
    for (int s = 0; s < chosen.sensorCount(); ++s)
        chosen.refresh(s, 2000000);
    QCOMPARE(dump(chosen), expected);
}

QTEST_GUILESS_MAIN(tst_linuxSensors)
#include "tst_linuxsensors.moc"
