// quillon-sensors run on a captured Intel desktop whose energy counter is
// root-only and whose power helper does not run: one test per output form. Then the
// output forms fed hostile text and values directly, and the reason for an empty field
// drawn from what the library found on each captured tree. Then choosing a field's source:
// the listing and --choose on captured trees, with the user's sensors.conf.

#include "probe/choose.h"
#include "probe/probeoutput.h"
#include "sensorlib/linuxsensors.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include <cmath>
#include <limits>

namespace {

const QString kProbe = QStringLiteral(QUILLON_BUILD_DIR "/quillon-sensors");
const QString kTree = QStringLiteral(QUILLON_TEST_DATA "/../sensorlib/trees/intel-desktop");
const QString kHelperReason = QStringLiteral(
    "CPU power needs the power helper: `sudo systemctl enable --now quillon-powerd`");

const QString kTrees = QStringLiteral(QUILLON_TEST_DATA "/../sensorlib/trees/");

struct ProbeRun
{
    int status = -1;
    QByteArray out, err;
};

// The probe on a tree, with the user's configuration below `config`; `prefix`
// starts it through another program.
ProbeRun runProbe(const QString &tree, const QString &config, const QStringList &arguments,
                  const QStringList &prefix = {})
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLON_SENSORS_ROOT"), tree);
    env.insert(QStringLiteral("QUILLON_NVML_LIBRARY"),
               QStringLiteral("/nonexistent/libnvidia-ml.so.1"));
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(QUILLON_BUILD_DIR));
    env.insert(QStringLiteral("HOME"), config);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    probe.setProcessEnvironment(env);
    if (prefix.isEmpty())
        probe.start(kProbe, arguments);
    else
        probe.start(prefix.first(), prefix.mid(1) + QStringList{kProbe} + arguments);
    ProbeRun run;
    if (!probe.waitForFinished(20000)) {
        probe.kill();
        probe.waitForFinished(5000);
        return run;
    }
    run.status = probe.exitStatus() == QProcess::NormalExit ? probe.exitCode() : -1;
    run.out = probe.readAllStandardOutput();
    run.err = probe.readAllStandardError();
    return run;
}

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

QStringList texts(std::initializer_list<const char *> list)
{
    QStringList out;
    for (const char *text : list)
        out << QLatin1String(text);
    return out;
}

} // namespace

class tst_probe : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void plainListing();
    void jsonFields();
    void deviceReport();
    void hostileText_data();
    void hostileText();
    void emptyReason_data();
    void emptyReason();
    void choiceListing_data();
    void choiceListing();
    void chooseSource_data();
    void chooseSource();
    void choiceFieldsFollowLabelTable();

private:
    QByteArray run(const QString &argument);
    QTemporaryDir tempDir;
    QString treeRoot;
};

void tst_probe::initTestCase()
{
    QVERIFY(tempDir.isValid());
    treeRoot = tempDir.filePath(QStringLiteral("tree"));
    QCOMPARE(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), kTree, treeRoot}), 0);
    // A folder in the counter's place is unreadable even to root.
    const QString energy =
        treeRoot + QLatin1String("/sys/devices/virtual/powercap/intel-rapl/intel-rapl:0/energy_uj");
    QVERIFY(QFile::remove(energy));
    QVERIFY(QDir().mkdir(energy));
}

QByteArray tst_probe::run(const QString &argument)
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLON_SENSORS_ROOT"), treeRoot);
    env.insert(QStringLiteral("QUILLON_NVML_LIBRARY"),
               QStringLiteral("/nonexistent/libnvidia-ml.so.1"));
    // Under a sanitizer dlopen() runs from its interceptor, which does not
    // have the probe's $ORIGIN run path.
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(QUILLON_BUILD_DIR));
    // No saved unit: the program's default, Celsius.
    env.insert(QStringLiteral("HOME"), tempDir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), tempDir.filePath(QStringLiteral("config")));
    probe.setProcessEnvironment(env);
    probe.start(kProbe, argument.isEmpty() ? QStringList() : QStringList{argument});
    if (!probe.waitForFinished(20000)) {
        probe.kill();
        probe.waitForFinished(5000);
        return {};
    }
    if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        return {};
    return probe.readAllStandardOutput();
}

void tst_probe::plainListing()
{
    const QString out = QString::fromUtf8(run({}));
    QVERIFY2(out.contains(QStringLiteral("\n  12th Gen Intel(R) Core(TM) i7-12700K\n")),
             qPrintable(out));
    QVERIFY2(out.contains(QRegularExpression(
                 QStringLiteral("\n  cpuTemperature +52 °C +\"CPU Package\" of 12th Gen Intel"))),
             qPrintable(out));
    QVERIFY2(out.contains(QRegularExpression(QStringLiteral("\n  cpuPower +- +") +
                                             QRegularExpression::escape(kHelperReason) +
                                             QLatin1Char('\n'))),
             qPrintable(out));
    QVERIFY2(out.contains(QRegularExpression(
                 QStringLiteral("\n  gpuUsage +- +no GPU driver that gives readings"))),
             qPrintable(out));
}

void tst_probe::jsonFields()
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run(QStringLiteral("--json")), &error);
    QVERIFY2(doc.isObject(), qPrintable(error.errorString()));
    const QJsonObject fields = doc.object().value(QStringLiteral("fields")).toObject();
    const QStringList names =
        texts({"cpuTemperature", "cpuUsage", "cpuClock", "cpuPower", "cpuFanSpeed",
               "gpuTemperature", "gpuUsage", "gpuClock", "gpuPower", "gpuFanSpeed",
               "motherboardTemperature", "memoryClock"});
    QStringList sortedNames = names;
    sortedNames.sort();
    QCOMPARE(fields.keys(), sortedNames);

    const QJsonObject temperature = fields.value(QStringLiteral("cpuTemperature")).toObject();
    QCOMPARE(temperature.value(QStringLiteral("value")).toDouble(), 52.0);
    QCOMPARE(temperature.value(QStringLiteral("unit")).toString(), QStringLiteral("°C"));
    QCOMPARE(temperature.value(QStringLiteral("sensor")).toString(),
             QStringLiteral("12th Gen Intel(R) Core(TM) i7-12700K"));
    QCOMPARE(temperature.value(QStringLiteral("label")).toString(), QStringLiteral("CPU Package"));
    const QJsonObject fan = fields.value(QStringLiteral("cpuFanSpeed")).toObject();
    QCOMPARE(fan.value(QStringLiteral("value")).toDouble(), 1100.0);
    QCOMPARE(fan.value(QStringLiteral("unit")).toString(), QStringLiteral("RPM"));

    const QJsonObject power = fields.value(QStringLiteral("cpuPower")).toObject();
    QCOMPARE(power.keys(), texts({"reason", "value"}));
    QVERIFY(power.value(QStringLiteral("value")).isNull());
    QCOMPARE(power.value(QStringLiteral("reason")).toString(), kHelperReason);
    for (const QString &name : names) {
        const QJsonObject field = fields.value(name).toObject();
        QVERIFY2(field.value(QStringLiteral("value")).isDouble() ||
                     !field.value(QStringLiteral("reason")).toString().isEmpty(),
                 qPrintable(name));
    }
}

void tst_probe::deviceReport()
{
    const QString out = QString::fromUtf8(run(QStringLiteral("--report")));
    QStringList hex;
    for (const QString &line :
         out.split(QLatin1Char('\n'))
             .mid(out.split(QLatin1Char('\n')).indexOf(QStringLiteral("Hex:")) + 1))
        hex += line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(hex.size(), 65);
    QCOMPARE(hex.mid(0, 6), texts({"00", "40", "34", "07", "12", "5C"})); // 52 °C, 7 %, 4700 MHz
    QCOMPARE(hex.mid(6, 4), texts({"04", "4C", "00", "00"}));             // 1100 RPM, no CPU power
    uint sum = 0;
    for (int i = 1; i <= 29; ++i)
        sum += hex[i].toUInt(nullptr, 16);
    QCOMPARE(hex[30].toUInt(nullptr, 16), sum & 0xFF);
    QVERIFY2(out.contains(QRegularExpression(QStringLiteral("\n +2 +1 CPU temperature +52\n"))),
             qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("checksum matches")), qPrintable(out));
}

void tst_probe::hostileText_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown"); // in the listing
    QTest::addColumn<QString>("json");  // the JSON string, decoded
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("terminal escapes in the CPU model")
        << "sensor" << QByteArray("Evil\x1b]0;PWNED\x07 CPU\x1b[2J") << 50.0
        << "\n  Evil\\x1b]0;PWNED\\x07 CPU\\x1b[2J\n"
        << "Evil\u001b]0;PWNED\u0007 CPU\u001b[2J";
    QTest::newRow("C1 control in a GPU's label") << "label"
                                                 << QByteArray("GPU\xc2\x9b"
                                                               "2J Temperature")
                                                 << 50.0 << "GPU\\u009b2J Temperature"
                                                 << QString::fromUtf8("GPU\xc2\x9b"
                                                                      "2J Temperature");
    QTest::newRow("terminal escapes in a DMI string")
        << "dmi" << QByteArray("Evil\x1b[2J VM\r") << 50.0 << "(Evil\\x1b[2J VM\\x0d)"
        << "(Evil\u001b[2J VM\r)";
    QTest::newRow("byte 0xff in a name")
        << "sensor" << QByteArray("GPU \xff x") << 50.0 << "\n  GPU \\xff x\n"
        << QString::fromUtf8("GPU \xef\xbf\xbd x");
    QTest::newRow("character cut at 255 bytes")
        << "sensor" << QByteArray(253, 'a') + "\xe2\x84" << 50.0
        << "\n  " + QString(253, QLatin1Char('a')) + "\n"
        << QString(253, QLatin1Char('a'));
    QTest::newRow("terminal escapes in a driver's name")
        << "finding" << QByteArray("evil\x1b[2J") << 50.0 << "(evil\\x1b[2J): "
        << "evil\u001b[2J";
    QTest::newRow("NaN value") << "value" << QByteArray() << nan << "nan" << QString();
    QTest::newRow("infinite value") << "value" << QByteArray() << -inf << "-inf" << QString();
}

void tst_probe::hostileText()
{
    QFETCH(QString, where);
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QFETCH(QString, shown);
    QFETCH(QString, json);
    ProbeResult result;
    result.root = "/";
    result.pass.sensorNames = {"GPU"};
    PassRecord::Reading reading;
    reading.kind = ReadingKind::Temperature;
    reading.label = "GPU Temperature";
    reading.value = value;
    reading.accepted = std::isfinite(value);
    reading.fills = reading.accepted;
    reading.field = SnapshotField::GpuTemperature;
    if (where == QLatin1String("sensor"))
        result.pass.sensorNames[0] = text.toStdString();
    else if (where == QLatin1String("label"))
        reading.label = text.toStdString();
    else if (where == QLatin1String("dmi"))
        result.facts.virtualMachine = text.toStdString();
    else if (where == QLatin1String("finding"))
        result.findings.push_back(Finding{Finding::Kind::Gpu, "sys/class/drm/card0",
                                          text.toStdString(), Finding::Outcome::PassedOver,
                                          "its driver gives no readings"});
    result.pass.readings.push_back(reading);

    // The listing reaches the terminal as UTF-8 with no control character but its line
    // ends.
    const QByteArray plain = QByteArray::fromStdString(::plainListing(result));
    for (const QChar c : QString::fromUtf8(plain))
        QVERIFY2(c == QLatin1Char('\n') || c.category() != QChar::Other_Control, plain.constData());
    QCOMPARE(QString::fromUtf8(plain).toUtf8(), plain);
    QVERIFY2(QString::fromUtf8(plain).contains(shown), plain.constData());

    QJsonParseError error;
    const QByteArray jsonBytes = QByteArray::fromStdString(jsonListing(result));
    const QJsonObject doc = QJsonDocument::fromJson(jsonBytes, &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError,
             qPrintable(error.errorString() + QLatin1Char('\n') + QString::fromUtf8(jsonBytes)));
    const QJsonObject sensor = doc.value(QStringLiteral("sensors")).toArray().at(0).toObject();
    const QJsonObject first = sensor.value(QStringLiteral("readings")).toArray().at(0).toObject();
    if (where == QLatin1String("sensor")) {
        QCOMPARE(sensor.value(QStringLiteral("name")).toString(), json);
    } else if (where == QLatin1String("label")) {
        QCOMPARE(first.value(QStringLiteral("label")).toString(), json);
    } else if (where == QLatin1String("dmi")) {
        const QJsonObject fields = doc.value(QStringLiteral("fields")).toObject();
        QVERIFY2(fields.value(QStringLiteral("cpuTemperature"))
                     .toObject()
                     .value(QStringLiteral("reason"))
                     .toString()
                     .contains(json),
                 jsonBytes.constData());
    } else if (where == QLatin1String("finding")) {
        const QJsonObject finding =
            doc.value(QStringLiteral("discovery")).toArray().at(0).toObject();
        QCOMPARE(finding.value(QStringLiteral("name")).toString(), json);
    } else {
        QVERIFY2(first.value(QStringLiteral("value")).isNull(), jsonBytes.constData());
    }
}

void tst_probe::emptyReason_data()
{
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("nvml"); // the stand-in NVML's variant; empty for none
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("reason");

    const auto row = [](const char *name, const char *tree, const char *nvml, SnapshotField field,
                        const char *reason) {
        QTest::newRow(name) << tree << nvml << static_cast<int>(field) << QString::fromUtf8(reason);
    };
    using F = SnapshotField;
    const char *superIo = "the board's Super-I/O driver is not loaded — see `sensors-detect`; "
                          "for Nuvoton chips `sudo modprobe nct6775`";
    row("a virtual machine", "vm", "", F::CpuTemperature,
        "a virtual machine (hypervisor flag in /proc/cpuinfo): the host's sensors do not reach it");
    row("a guest still has its own clock", "vm", "", F::CpuClock,
        "no cpufreq and no \"cpu MHz\" in /proc/cpuinfo");
    row("a root-only counter, no helper", "ryzen-msi", "", F::CpuPower,
        "CPU power needs the power helper: `sudo systemctl enable --now quillon-powerd`");
    row("no RAPL zone", "rpi5", "", F::CpuPower,
        "no RAPL package counters in /sys/class/powercap: `sudo modprobe intel_rapl_msr` (AMD "
        "needs Linux 5.11 or later)");
    row("nothing at all", "no-such-tree", "", F::CpuTemperature,
        "no CPU temperature driver: `sudo modprobe coretemp` (Intel) or `sudo modprobe k10temp` "
        "(AMD)");
    row("a driver whose reading is unreadable", "broken", "", F::CpuTemperature,
        "no reading with one of this field's labels");
    row("no fan anywhere", "ryzen-apu", "", F::CpuFanSpeed,
        (std::string("no fan sensors: ") + superIo).c_str());
    row("fans, none on the CPU header", "broken", "", F::CpuFanSpeed,
        "no fan labelled for the CPU, and the Super-I/O's CPU header reads nothing: is the fan "
        "on another header?");
    row("no Super-I/O", "ryzen-apu", "", F::MotherboardTemperature,
        (std::string("no board temperature: ") + superIo).c_str());
    row("a Super-I/O without a board channel", "amd-desktop", "", F::MotherboardTemperature,
        "it8686 gives no board temperature its driver documents (SYSTIN on Nuvoton), and no "
        "chipset sensor is there: `sensors` shows its readings");
    row("NVIDIA's driver without NVML", "ryzen-msi", "", F::GpuTemperature,
        "nvidia gives no GPU temperature through NVML (is libnvidia-ml.so.1 installed?)");
    row("NVML without the RPM call", "intel-desktop", "norpm", F::GpuFanSpeed,
        "nvidia gives no GPU fan speed through NVML");
    row("nouveau", "laptop-nouveau", "", F::GpuClock,
        "nouveau gives no GPU clock; the NVIDIA driver does, through NVML");
    row("radeon", "fx-radeon", "", F::GpuPower, "radeon gives no GPU power");
    row("integrated Intel graphics", "thinkpad", "", F::GpuTemperature,
        "i915 gives no GPU temperature");
    row("an APU's graphics, whose power is the CPU's", "ryzen-apu", "", F::GpuPower,
        "amdgpu gives no GPU power");
    row("no GPU", "intel-desktop", "", F::GpuUsage,
        "no GPU driver that gives readings (amdgpu, radeon, nouveau, i915, xe, or NVIDIA's with "
        "NVML)");
    row("udev's record without a speed", "broken", "", F::MemoryClock,
        "udev's DMI record has no MEMORY_DEVICE_*_SPEED_MTS: the firmware gives no memory speed");
    row("no udev record", "rpi5", "", F::MemoryClock,
        "no memory speed: udev's DMI record run/udev/data/+dmi:id is missing (systemd-udevd "
        "writes it at boot)");
}

// The reason as the probe gives it, drawn from the library's own discovery.
void tst_probe::emptyReason()
{
    QFETCH(QString, tree);
    QFETCH(QString, nvml);
    QFETCH(int, field);
    QFETCH(QString, reason);
    const QString library = nvml.isEmpty() ? QStringLiteral("/nonexistent/libnvidia-ml.so.1")
                                           : QStringLiteral(QUILLON_BUILD_DIR "/tests/fakenvml/") +
                                                 nvml + QStringLiteral("/libnvidia-ml.so.1");
    LinuxSensors sensors(QString(kTrees + tree).toStdString(), library.toStdString());
    sensors.discover(1000000);
    const TreeFacts facts = treeFacts(sensors.findings());
    QCOMPARE(QString::fromStdString(emptyFieldReason(static_cast<SnapshotField>(field), facts)),
             reason);
}

void tst_probe::choiceListing_data()
{
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QByteArray>("conf"); // the user's sensors.conf
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("by");     // in the JSON
    QTest::addColumn<QString>("source"); // in the JSON; empty for null
    QTest::addColumn<QStringList>("plain");

    const QByteArray fanAndNoBoard =
        "[Fields]\ncpuFanSpeed=nct6798/fan3\nmotherboardTemperature=none\n";
    QTest::newRow("no file: the rule's pick marked")
        << "intel-asus" << QByteArray() << "cpuFanSpeed"
        << "rule"
        << "nct6798/fan2"
        << QStringList{"\n  cpuFanSpeed: by rule, nct6798/fan2\n",
                       "\n    \\* cpuFanSpeed=nct6798/fan2 +1210 RPM\n",
                       "\n      cpuFanSpeed=nct6798/fan3 +742 RPM\n"};
    QTest::newRow("a fan chosen") << "intel-asus" << fanAndNoBoard << "cpuFanSpeed"
                                  << "choice"
                                  << "nct6798/fan3"
                                  << QStringList{
                                         "\n  cpuFanSpeed +742 RPM +\"CPU Fan\" of nct6798\n",
                                         "\n  cpuFanSpeed: by your choice, nct6798/fan3 "
                                         "\\(.*sensors.conf line 2; the rule takes "
                                         "nct6798/fan2\\)\n",
                                         "\n    \\* cpuFanSpeed=nct6798/fan3 +742 RPM\n"};
    QTest::newRow("the board kept empty")
        << "intel-asus" << fanAndNoBoard << "motherboardTemperature"
        << "none"
        << ""
        << QStringList{"\n  motherboardTemperature +- +kept empty by your choice: "
                       ".*/quillon/sensors.conf line 3\n"};
    QTest::newRow("a source not on this machine, in words")
        << "intel-asus" << QByteArray("[Fields]\ncpuFanSpeed=nct6798/fan9\n") << "cpuFanSpeed"
        << "rule"
        << "nct6798/fan2"
        << QStringList{"sensors.conf line 2 \"cpuFanSpeed=nct6798/fan9\": no source "
                       "nct6798/fan9 on this machine; the rule decides\n"};
    QTest::newRow("a Raspberry Pi's zone by its hwmon twin")
        << "rpi5" << QByteArray() << "cpuTemperature"
        << "rule"
        << "cpu_thermal/temp1"
        << QStringList{"\n    \\* cpuTemperature=cpu_thermal/temp1 +53.7 °C\n"};
}

void tst_probe::choiceListing()
{
    QFETCH(QString, tree);
    QFETCH(QByteArray, conf);
    QFETCH(QString, field);
    QFETCH(QString, by);
    QFETCH(QString, source);
    QFETCH(QStringList, plain);
    QTemporaryDir config;
    if (!conf.isEmpty()) {
        QVERIFY(QDir().mkpath(config.filePath(QStringLiteral("quillon"))));
        QFile file(config.filePath(QStringLiteral("quillon/sensors.conf")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(conf) == conf.size());
    }
    const ProbeRun text = runProbe(kTrees + tree, config.path(), {});
    QCOMPARE(text.status, 0);
    for (const QString &pattern : plain)
        QVERIFY2(QString::fromUtf8(text.out).contains(QRegularExpression(pattern)),
                 qPrintable(pattern + QStringLiteral("\n") + QString::fromUtf8(text.out)));

    const ProbeRun json = runProbe(kTrees + tree, config.path(), {QStringLiteral("--json")});
    const QJsonObject doc = QJsonDocument::fromJson(json.out).object();
    const QJsonObject choice = doc.value(QStringLiteral("choices"))
                                   .toObject()
                                   .value(QStringLiteral("fields"))
                                   .toObject()
                                   .value(field)
                                   .toObject();
    QCOMPARE(choice.value(QStringLiteral("by")).toString(), by);
    QCOMPARE(choice.value(QStringLiteral("source")).toString(), source);
    if (by == QLatin1String("none"))
        QVERIFY(doc.value(QStringLiteral("fields"))
                    .toObject()
                    .value(field)
                    .toObject()
                    .value(QStringLiteral("reason"))
                    .toString()
                    .startsWith(QStringLiteral("kept empty by your choice")));
}

void tst_probe::chooseSource_data()
{
    QTest::addColumn<QByteArray>("before"); // the user's file; "->..." a link to a file of "..."
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("obstacle"); // "full disk", "read-only folder"
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("after");

    const QByteArray kept = "; mine\n[Fields]\n# the chassis fan\ncpuFanSpeed=nct6798/fan3\n\n"
                            "[Other]\nk=v\n";
    QTest::newRow("a fan into a new file")
        << QByteArray("<none>") << QStringList{"cpuFanSpeed", "nct6798/fan3"} << "" << 0
        << "Wrote cpuFanSpeed=nct6798/fan3 into "
        << QByteArray("[Fields]\ncpuFanSpeed=nct6798/fan3\n");
    QTest::newRow("none after the group's last line, comments and other groups kept")
        << kept << QStringList{"motherboardTemperature", "none"} << "" << 0
        << "Wrote motherboardTemperature=none into "
        << QByteArray("; mine\n[Fields]\n# the chassis fan\ncpuFanSpeed=nct6798/fan3\n"
                      "motherboardTemperature=none\n\n[Other]\nk=v\n");
    QTest::newRow("a line replaced in place, its duplicate gone")
        << QByteArray("[Fields]\ncpuFanSpeed=asusec/fan1\nmotherboardTemperature=none\n"
                      "cpuFanSpeed=nct6798/fan2\n")
        << QStringList{"cpuFanSpeed", "nct6798/fan3"} << "" << 0 << "Wrote "
        << QByteArray("[Fields]\ncpuFanSpeed=nct6798/fan3\nmotherboardTemperature=none\n");
    QTest::newRow("auto removes only that line")
        << kept << QStringList{"cpuFanSpeed", "auto"} << "" << 0
        << "Removed cpuFanSpeed from .*: the rule decides it"
        << QByteArray("; mine\n[Fields]\n# the chassis fan\n\n[Other]\nk=v\n");
    QTest::newRow("an unknown field")
        << kept << QStringList{"cpuFan", "nct6798/fan3"} << "" << 2
        << "no field \"cpuFan\"; the fields are cpuTemperature, .* Nothing written" << kept;
    QTest::newRow("a source not on this machine")
        << kept << QStringList{"cpuFanSpeed", "nct6798/fan9"} << "" << 2
        << "no source nct6798/fan9 on this machine.* Nothing written" << kept;
    QTest::newRow("a source of another kind")
        << kept << QStringList{"cpuFanSpeed", "coretemp/temp1"} << "" << 2
        << "coretemp/temp1 is a temperature reading; cpuFanSpeed takes a fan speed" << kept;
    QTest::newRow("a full disk leaves the old file whole")
        << kept << QStringList{"motherboardTemperature", "none"} << "full disk" << 1
        << "could not write .*; it is left as it was" << kept;
    QTest::newRow("a read-only folder leaves the old file whole")
        << kept << QStringList{"motherboardTemperature", "none"} << "read-only folder" << 1
        << "could not write .*; it is left as it was" << kept;
    QTest::newRow("a link in the file's place is not written through")
        << QByteArray("->") + kept << QStringList{"motherboardTemperature", "none"} << "" << 1
        << "a symbolic link, which is not followed; it is left as it is" << QByteArray("->") + kept;
}

void tst_probe::chooseSource()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, arguments);
    QFETCH(QString, obstacle);
    if (obstacle == QLatin1String("read-only folder") && ::geteuid() == 0)
        QSKIP("root writes into a folder of mode 0555");
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QByteArray, after);
    QTemporaryDir config;
    const QString file = config.filePath(QStringLiteral("quillon/sensors.conf"));
    const bool link = before.startsWith("->");
    if (before != "<none>") {
        QVERIFY(QDir().mkpath(config.filePath(QStringLiteral("quillon"))));
        QFile target(link ? file + QStringLiteral(".elsewhere") : file);
        QVERIFY(target.open(QIODevice::WriteOnly) && target.write(before.mid(link ? 2 : 0)) >= 0);
        if (link)
            QVERIFY(QFile::link(target.fileName(), file));
    }
    if (obstacle == QLatin1String("read-only folder"))
        QVERIFY(QFile::setPermissions(config.filePath(QStringLiteral("quillon")),
                                      QFile::ReadOwner | QFile::ExeOwner));
    // Writes beyond a few bytes fail as on a full disk; the signal would end the probe.
    const QStringList prefix =
        obstacle == QLatin1String("full disk")
            ? QStringList{"sh", "-c", "trap '' XFSZ; exec prlimit --fsize=8 \"$@\"", "sh"}
            : QStringList();
    const ProbeRun run = runProbe(kTrees + QStringLiteral("intel-asus"), config.path(),
                                  QStringList{QStringLiteral("--choose")} + arguments, prefix);
    QFile::setPermissions(config.filePath(QStringLiteral("quillon")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString said = QString::fromUtf8(run.out + run.err);
    QCOMPARE(run.status, status);
    QVERIFY2(said.contains(QRegularExpression(message)), qPrintable(said));
    if (link) {
        QVERIFY(QFileInfo(file).isSymLink());
        QCOMPARE(QByteArray("->") + fileContent(file + QStringLiteral(".elsewhere")), after);
    } else {
        QCOMPARE(fileContent(file), after);
    }
    // Nothing is left beside it, a temporary file included.
    QCOMPARE(QDir(config.filePath(QStringLiteral("quillon"))).entryList(QDir::Files).size(),
             (before == "<none>" && status != 0) ? 0
             : link                              ? 2
                                                 : 1);
}

void tst_probe::choiceFieldsFollowLabelTable()
{
    // Every label of the program's table lands in the field the library's table
    // gives it, and back: a chosen reading fills its field, a rule's gives way.
    FoundFlags none{};
    for (int k = 0; k < kReadingKindCount; ++k) {
        int count = 0;
        const LabelGroup *groups = labelGroups(static_cast<ReadingKind>(k), &count);
        for (int g = 0; g < count; ++g) {
            const int field = choiceFieldIndex(snapshotFieldName(groups[g].field));
            QCOMPARE(static_cast<int>(choiceFields()[static_cast<size_t>(field)].kind), k);
            for (const char *label : groups[g].labels) {
                if (label)
                    QVERIFY2(isFieldLabel(field, label), label);
            }
        }
    }
    for (int f = 0; f < kChoiceFieldCount; ++f) {
        const ChoiceField &field = choiceFields()[static_cast<size_t>(f)];
        SnapshotField matched;
        for (const char *label : field.labels) {
            if (!label)
                continue;
            QVERIFY2(matchReading(static_cast<ReadingKind>(field.kind), label, none, &matched),
                     label);
            QCOMPARE(QLatin1String(snapshotFieldName(matched)), QLatin1String(field.name));
        }
        QVERIFY(matchReading(static_cast<ReadingKind>(field.kind), field.report, none, &matched));
        QCOMPARE(QLatin1String(snapshotFieldName(matched)), QLatin1String(field.name));
    }
}

QTEST_GUILESS_MAIN(tst_probe)
#include "tst_probe.moc"
