#include <QtTest>

#include "usage/systemusage.h"

class tst_SystemUsage : public QObject
{
    Q_OBJECT

private slots:
    void memInfo_data();
    void memInfo();
    void liveFigures();
};

void tst_SystemUsage::memInfo_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint64>("total");
    QTest::addColumn<quint64>("available");
    QTest::addColumn<uint>("load");
    QTest::newRow("16 GiB, half available")
        << QByteArray("MemTotal:       16777216 kB\nMemFree:         1000000 kB\n"
                      "MemAvailable:    8388608 kB\nBuffers:          200000 kB\n")
        << true << Q_UINT64_C(17179869184) << Q_UINT64_C(8589934592) << 50u;
    QTest::newRow("load truncated") << QByteArray("MemTotal: 1000 kB\nMemAvailable: 255 kB\n")
                                    << true << Q_UINT64_C(1024000) << Q_UINT64_C(261120) << 74u;
    QTest::newRow("fields in either order") << QByteArray("MemAvailable: 0 kB\nMemTotal: 4 kB\n")
                                            << true << Q_UINT64_C(4096) << quint64(0) << 100u;
    QTest::newRow("available above total is capped")
        << QByteArray("MemTotal: 4 kB\nMemAvailable: 8 kB\n") << true << Q_UINT64_C(4096)
        << Q_UINT64_C(4096) << 0u;
    QTest::newRow("no MemAvailable")
        << QByteArray("MemTotal: 4 kB\nMemFree: 1 kB\n") << false << quint64(0) << quint64(0) << 0u;
    QTest::newRow("zero total") << QByteArray("MemTotal: 0 kB\nMemAvailable: 0 kB\n") << false
                                << quint64(0) << quint64(0) << 0u;
    QTest::newRow("garbage number") << QByteArray("MemTotal: lots kB\nMemAvailable: 1 kB\n")
                                    << false << quint64(0) << quint64(0) << 0u;
    QTest::newRow("overflowing number")
        << QByteArray("MemTotal: 99999999999999999999 kB\nMemAvailable: 1 kB\n") << false
        << quint64(0) << quint64(0) << 0u;
    QTest::newRow("prefix is not the key") << QByteArray("MemTotalX: 4 kB\nMemAvailable: 1 kB\n")
                                           << false << quint64(0) << quint64(0) << 0u;
    QTest::newRow("last line without a line feed")
        << QByteArray("MemTotal: 4 kB\nMemAvailable: 1 kB") << true << Q_UINT64_C(4096)
        << Q_UINT64_C(1024) << 75u;
    QTest::newRow("empty") << QByteArray() << false << quint64(0) << quint64(0) << 0u;
}

void tst_SystemUsage::memInfo()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(quint64, total);
    QFETCH(quint64, available);
    QFETCH(uint, load);
    MemoryStatus status;
    QCOMPARE(parseMemInfo(text, &status), ok);
    QCOMPARE(status.totalBytes, total);
    QCOMPARE(status.availableBytes, available);
    QCOMPARE(status.loadPercent, load);
}

// The figures of this machine: plausible, not exact.
void tst_SystemUsage::liveFigures()
{
    const MemoryStatus memory = queryMemoryStatus();
    QVERIFY2(memory.totalBytes > 0, "no memory total read");
    QVERIFY(memory.availableBytes <= memory.totalBytes);
    QVERIFY(memory.loadPercent <= 100);

    DriveUsage drive;
    QVERIFY2(querySystemDriveUsage(&drive), "system drive not measured");
    QVERIFY(drive.usedPercent >= 0 && drive.usedPercent <= 100);
    QVERIFY(drive.text.endsWith(QLatin1Char('G')));
}

QTEST_APPLESS_MAIN(tst_SystemUsage)
#include "tst_systemusage.moc"
