// quillon-sensors run on a captured Intel desktop whose energy counter is
// root-only and whose power helper does not run: one test per output form. Then the
// output forms fed hostile text and values directly.

#include "probeoutput.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

const QString kProbe = QStringLiteral(QUILLON_BUILD_DIR "/quillon-sensors");
const QString kTree = QStringLiteral(QUILLON_TEST_DATA "/../sensorlib/trees/intel-desktop");
const QString kHelperReason = QStringLiteral(
    "CPU power needs the power helper: `sudo systemctl enable --now quillon-powerd`");

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

private:
    QByteArray run(const QString &argument);
    QTemporaryDir m_dir;
    QString m_root;
};

void tst_probe::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_root = m_dir.filePath(QStringLiteral("tree"));
    QCOMPARE(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), kTree, m_root}), 0);
    // A folder in the counter's place is unreadable even to root.
    const QString energy =
        m_root + QLatin1String("/sys/devices/virtual/powercap/intel-rapl/intel-rapl:0/energy_uj");
    QVERIFY(QFile::remove(energy));
    QVERIFY(QDir().mkdir(energy));
}

QByteArray tst_probe::run(const QString &argument)
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLON_SENSORS_ROOT"), m_root);
    env.insert(QStringLiteral("QUILLON_NVML_LIBRARY"),
               QStringLiteral("/nonexistent/libnvidia-ml.so.1"));
    // Under a sanitizer dlopen() runs from its interceptor, which does not
    // have the probe's $ORIGIN run path.
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(QUILLON_BUILD_DIR));
    // No saved unit: the program's default, Celsius.
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
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
    } else {
        QVERIFY2(first.value(QStringLiteral("value")).isNull(), jsonBytes.constData());
    }
}

QTEST_GUILESS_MAIN(tst_probe)
#include "tst_probe.moc"
