#include "sensors/labelmatch.h"

#include <QtTest>

#include <cstring>

Q_DECLARE_METATYPE(ReadingKind)

class tst_labelMatch : public QObject
{
    Q_OBJECT
private slots:
    void matchReading_data();
    void matchReading();
    void everyFieldHasOneGroup();
};

void tst_labelMatch::matchReading_data()
{
    QTest::addColumn<ReadingKind>("kind");
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<int>("alreadyFound"); // a field found earlier in the pass, or -1
    QTest::addColumn<int>("expected");     // the field filled, or -1

    const auto T = ReadingKind::Temperature, F = ReadingKind::Fan, P = ReadingKind::Power,
               C = ReadingKind::Clock, U = ReadingKind::Usage;
    auto f = [](SnapshotField field) { return static_cast<int>(field); };
    using S = SnapshotField;
    QTest::newRow("temp CPU") << T << QByteArray("CPU") << -1 << f(S::CpuTemperature);
    QTest::newRow("temp CPU Package")
        << T << QByteArray("CPU Package") << -1 << f(S::CpuTemperature);
    QTest::newRow("temp Tctl/Tdie")
        << T << QByteArray("CPU (Tctl/Tdie)") << -1 << f(S::CpuTemperature);
    QTest::newRow("temp case differs") << T << QByteArray("cpu package") << -1 << -1;
    QTest::newRow("temp longer label") << T << QByteArray("CPU Package Power") << -1 << -1;
    QTest::newRow("temp trailing space") << T << QByteArray("CPU ") << -1 << -1;
    QTest::newRow("temp GPU diode")
        << T << QByteArray("GPU Thermal Diode") << -1 << f(S::GpuTemperature);
    QTest::newRow("temp GPU TS0") << T << QByteArray("GPU TS0 (DispIO)") << -1
                                  << f(S::GpuTemperature);
    QTest::newRow("temp chipset") << T << QByteArray("Chipset 1 (xHCI)") << -1
                                  << f(S::MotherboardTemperature);
    QTest::newRow("temp PCH") << T << QByteArray("PCH Temperature") << -1
                              << f(S::MotherboardTemperature);
    QTest::newRow("temp CPU already found")
        << T << QByteArray("CPU (Tctl/Tdie)") << f(S::CpuTemperature) << -1;
    QTest::newRow("temp other group found")
        << T << QByteArray("Motherboard") << f(S::CpuTemperature) << f(S::MotherboardTemperature);
    QTest::newRow("fan CPU") << F << QByteArray("CPU") << -1 << f(S::CpuFanSpeed);
    QTest::newRow("fan SYSFANIN") << F << QByteArray("SYSFANIN") << -1 << f(S::CpuFanSpeed);
    QTest::newRow("fan CPUFANIN0") << F << QByteArray("CPUFANIN0") << -1 << f(S::CpuFanSpeed);
    QTest::newRow("fan CPUFANIN1") << F << QByteArray("CPUFANIN1") << -1 << -1;
    QTest::newRow("fan GPU Fan1") << F << QByteArray("GPU Fan1") << -1 << f(S::GpuFanSpeed);
    QTest::newRow("fan GPU Fan7") << F << QByteArray("GPU Fan7") << -1 << f(S::GpuFanSpeed);
    QTest::newRow("fan contains GPU Fan")
        << F << QByteArray("Aux GPU Fan") << -1 << f(S::GpuFanSpeed);
    QTest::newRow("fan gpu fan lower") << F << QByteArray("gpu fan1") << -1 << -1;
    QTest::newRow("fan GPU Fan taken") << F << QByteArray("GPU Fan2") << f(S::GpuFanSpeed) << -1;
    QTest::newRow("fan CPU as temp kind only") << T << QByteArray("CPU Fan") << -1 << -1;
    QTest::newRow("power CPU Package Power")
        << P << QByteArray("CPU Package Power") << -1 << f(S::CpuPower);
    QTest::newRow("power CPU Package") << P << QByteArray("CPU Package") << -1 << -1;
    QTest::newRow("power TGP") << P << QByteArray("Total Graphics Power (TGP)") << -1
                               << f(S::GpuPower);
    QTest::newRow("power SoC") << P << QByteArray("GPU SoC Power (VDDCR_SOC)") << -1
                               << f(S::GpuPower);
    QTest::newRow("clock Core 0 Clock") << C << QByteArray("Core 0 Clock") << -1 << f(S::CpuClock);
    QTest::newRow("clock Core 0 Clock (perf #1)")
        << C << QByteArray("Core 0 Clock (perf #1)") << -1 << f(S::CpuClock);
    QTest::newRow("clock P-core 0 Clock")
        << C << QByteArray("P-core 0 Clock") << -1 << f(S::CpuClock);
    QTest::newRow("clock Core 10 Clock") << C << QByteArray("Core 10 Clock") << -1 << -1;
    QTest::newRow("clock core 0 clock") << C << QByteArray("core 0 clock") << -1 << -1;
    QTest::newRow("clock GPU") << C << QByteArray("GPU Clock") << -1 << f(S::GpuClock);
    QTest::newRow("clock GPU Memory Clock") << C << QByteArray("GPU Memory Clock") << -1 << -1;
    QTest::newRow("clock Memory") << C << QByteArray("Memory Clock") << -1 << f(S::MemoryClock);
    QTest::newRow("usage total") << U << QByteArray("Total CPU Usage") << -1 << f(S::CpuUsage);
    QTest::newRow("usage D3D") << U << QByteArray("GPU D3D Usage") << -1 << f(S::GpuUsage);
    QTest::newRow("usage core load") << U << QByteArray("GPU Core Load") << -1 << f(S::GpuUsage);
    QTest::newRow("usage empty") << U << QByteArray() << -1 << -1;
    QTest::newRow("usage label as clock") << C << QByteArray("Total CPU Usage") << -1 << -1;
}

void tst_labelMatch::matchReading()
{
    QFETCH(ReadingKind, kind);
    QFETCH(QByteArray, label);
    QFETCH(int, alreadyFound);
    QFETCH(int, expected);
    FoundFlags found{};
    if (alreadyFound >= 0)
        found[alreadyFound] = true;
    SnapshotField field = SnapshotField::MemoryClock;
    const bool matched = ::matchReading(
        kind, std::string_view(label.constData(), size_t(label.size())), found, &field);
    QCOMPARE(matched ? static_cast<int>(field) : -1, expected);
}

// Each field is filled by exactly one group, and writes the member it names.
void tst_labelMatch::everyFieldHasOneGroup()
{
    int owners[kSnapshotFieldCount] = {};
    for (int k = 0; k < kReadingKindCount; ++k) {
        int count = 0;
        const LabelGroup *groups = labelGroups(static_cast<ReadingKind>(k), &count);
        for (int i = 0; i < count; ++i)
            ++owners[static_cast<int>(groups[i].field)];
    }
    for (int field = 0; field < kSnapshotFieldCount; ++field) {
        QCOMPARE(owners[field], 1);
        SensorSnapshot snapshot;
        snapshotField(snapshot, static_cast<SnapshotField>(field)) = 7.0f;
        static_assert(sizeof(SensorSnapshot) == kSnapshotFieldCount * sizeof(float), "packed");
        float raw[kSnapshotFieldCount];
        std::memcpy(raw, &snapshot, sizeof raw);
        for (int other = 0; other < kSnapshotFieldCount; ++other)
            QCOMPARE(raw[other], other == field ? 7.0f : 0.0f);
    }
}

QTEST_GUILESS_MAIN(tst_labelMatch)
#include "tst_labelmatch.moc"
