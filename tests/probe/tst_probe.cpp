// quillon-sensors run on a captured Intel desktop whose energy counter is
// root-only and whose power helper does not run: one test per output form.

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

QTEST_GUILESS_MAIN(tst_probe)
#include "tst_probe.moc"
