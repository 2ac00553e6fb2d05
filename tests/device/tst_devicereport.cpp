#include "device/devicereport.h"

#include <QtTest>

Q_DECLARE_METATYPE(RefreshRecord)

namespace {

// The display's reference values: CPU 45 °C 12 % 3600 MHz 1200 RPM 65 W, GPU 50 °C 3 %
// 1500 MHz 0 RPM 20 W, memory 45 % of 16301 MiB, drive 74 % of 476 GiB.
RefreshRecord exampleRecord()
{
    RefreshRecord r;
    r.cpuTemperature = 45;
    r.cpuUsage = 12;
    r.cpuClock = 3600;
    r.cpuFanSpeed = 1200;
    r.cpuPower = 65;
    r.gpuTemperature = 50;
    r.gpuUsage = 3;
    r.gpuClock = 1500;
    r.gpuFanSpeed = 0;
    r.gpuPower = 20;
    r.memoryLoadPercent = 45;
    r.memoryTotalMiB = 16301;
    r.diskUsedPercent = 74;
    r.diskTotalGiB = 476;
    return r;
}

const QDateTime kExampleTime(QDate(2024, 5, 17), QTime(10, 30));

} // namespace

class tst_DeviceReport : public QObject
{
    Q_OBJECT

private slots:
    void fields_data();
    void fields();
    void secondsAreNotSent();
};

void tst_DeviceReport::fields_data()
{
    QTest::addColumn<RefreshRecord>("record");
    QTest::addColumn<bool>("celsius");
    QTest::addColumn<QDateTime>("localNow");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("expected"); // hex, from offset on

    const RefreshRecord example = exampleRecord();
    QTest::newRow("example, Celsius")
        << example << true << kExampleTime << 0
        << QByteArray("00 40 2D 0C 0E 10 04 B0 00 41 32 03 05 DC 00 00 "
                      "00 14 2D 3F AD 4A 01 DC 07 E8 05 11 0A 1E 23");
    // The two added 0x80 cancel out in the checksum.
    QTest::newRow("example, Fahrenheit")
        << example << false << kExampleTime << 0
        << QByteArray("00 40 AD 0C 0E 10 04 B0 00 41 B2 03 05 DC 00 00 "
                      "00 14 2D 3F AD 4A 01 DC 07 E8 05 11 0A 1E 23");

    RefreshRecord r = example;
    r.cpuClock = 4800;
    QTest::newRow("CPU clock 4800") << r << true << kExampleTime << 4 << QByteArray("12 C0");

    r = example;
    r.cpuUsage = 300;
    QTest::newRow("300 in a 1-byte field wraps to 44")
        << r << true << kExampleTime << 3 << QByteArray("2C");
    r = example;
    r.cpuFanSpeed = 70000;
    QTest::newRow("70000 in a 2-byte field wraps to 4464")
        << r << true << kExampleTime << 6 << QByteArray("11 70");
    r = example;
    r.gpuPower = -1;
    QTest::newRow("-1 in a 2-byte field") << r << true << kExampleTime << 16 << QByteArray("FF FF");
    r = example;
    r.cpuTemperature = -1;
    QTest::newRow("-1 temperature sets bit 7")
        << r << true << kExampleTime << 2 << QByteArray("FF");
    r = example;
    r.gpuTemperature = 105;
    QTest::newRow("105 °C, Fahrenheit flag")
        << r << false << kExampleTime << 10 << QByteArray("E9");
    r = example;
    r.memoryTotalMiB = 98304; // 96 GiB
    QTest::newRow("memory above 64 GiB keeps the low 16 bits")
        << r << true << kExampleTime << 19 << QByteArray("80 00");
    r = example;
    r.diskUsedPercent = 0;
    r.diskTotalGiB = 0;
    QTest::newRow("no drive C:") << r << true << kExampleTime << 21 << QByteArray("00 00 00");

    QTest::newRow("23:59 on 31 December 2024")
        << example << true << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)) << 24
        << QByteArray("07 E8 0C 1F 17 3B");
    QTest::newRow("midnight on 1 January")
        << example << true << QDateTime(QDate(2025, 1, 1), QTime(0, 0)) << 24
        << QByteArray("07 E9 01 01 00 00");
    QTest::newRow("invalid clock reading sends zeros")
        << example << true << QDateTime() << 24 << QByteArray("00 00 00 00 00 00");
    QTest::newRow("all zero") << RefreshRecord() << true << kExampleTime << 1
                              << QByteArray("40 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                            "00 00 00 00 00 00 00 07 E8 05 11 0A 1E 6D");
}

void tst_DeviceReport::fields()
{
    QFETCH(RefreshRecord, record);
    QFETCH(bool, celsius);
    QFETCH(QDateTime, localNow);
    QFETCH(int, offset);
    QFETCH(QByteArray, expected);

    const QByteArray report = buildDeviceReport(record, celsius, localNow);
    QCOMPARE(report.size(), 65);

    const QByteArray want = QByteArray::fromHex(expected);
    QCOMPARE(report.mid(offset, want.size()).toHex(' ').toUpper(), want.toHex(' ').toUpper());

    // Invariants of every report: report number, tag, checksum rule, reserved zeros.
    QCOMPARE(report.at(0), '\0');
    QCOMPARE(report.at(1), '\x40');
    quint32 sum = 0;
    for (int i = 1; i <= 29; ++i)
        sum += quint8(report.at(i));
    QCOMPARE(quint8(report.at(30)), quint8(sum & 0xFF));
    QCOMPARE(report.mid(31), QByteArray(34, '\0'));
}

void tst_DeviceReport::secondsAreNotSent()
{
    const RefreshRecord record = exampleRecord();
    QCOMPARE(
        buildDeviceReport(record, true, QDateTime(QDate(2024, 5, 17), QTime(10, 30, 0))),
        buildDeviceReport(record, true, QDateTime(QDate(2024, 5, 17), QTime(10, 30, 59, 999))));
}

QTEST_APPLESS_MAIN(tst_DeviceReport)
#include "tst_devicereport.moc"
