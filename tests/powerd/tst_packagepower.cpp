// The power helper's one-second average: wrap, reset, unreadable counters; and
// the helper itself when its folder goes.

#include "powerd/packagepower.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using Samples = std::vector<EnergySample>;
Q_DECLARE_METATYPE(Samples)

namespace {

const QString kHelper = QStringLiteral(QUILLON_BUILD_DIR "/quillon-powerd");
const QString kTree = QStringLiteral(QUILLON_TEST_DATA "/../sensorlib/trees/intel-desktop");

EnergySample counter(uint64_t energyUj, uint64_t maxRangeUj = 262143328850ULL)
{
    EnergySample s;
    s.readable = true;
    s.energyUj = energyUj;
    s.maxRangeUj = maxRangeUj;
    return s;
}

} // namespace

class tst_packagePower : public QObject
{
    Q_OBJECT
private slots:
    void average_data();
    void average();
    void folderGoes_data();
    void folderGoes();
};

void tst_packagePower::average_data()
{
    QTest::addColumn<Samples>("previous");
    QTest::addColumn<Samples>("current");
    QTest::addColumn<qulonglong>("elapsedUs");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("watts");

    QTest::newRow("25 J in one second")
        << Samples{counter(1000000)} << Samples{counter(26000000)} << 1000000ull << true << 25.0;
    QTest::newRow("two packages summed")
        << Samples{counter(0), counter(500)} << Samples{counter(10000000), counter(15000500)}
        << 1000000ull << true << 25.0;
    QTest::newRow("longer interval averaged")
        << Samples{counter(0)} << Samples{counter(50000000)} << 2000000ull << true << 25.0;
    QTest::newRow("rounded to 0.1 W up")
        << Samples{counter(0)} << Samples{counter(25060000)} << 1000000ull << true << 25.1;
    QTest::newRow("rounded to 0.1 W down")
        << Samples{counter(0)} << Samples{counter(25040000)} << 1000000ull << true << 25.0;
    QTest::newRow("idle package") << Samples{counter(7)} << Samples{counter(7)} << 1000000ull
                                  << true << 0.0;
    QTest::newRow("wrapped at its range")
        << Samples{counter(262133328850ULL)} << Samples{counter(15000000)} << 1000000ull << true
        << 25.0;
    QTest::newRow("wrapped to exactly zero")
        << Samples{counter(75000000, 100000000)} << Samples{counter(0, 100000000)} << 1000000ull
        << true << 25.0;
    QTest::newRow("went down without a range")
        << Samples{counter(90, 0)} << Samples{counter(10, 0)} << 1000000ull << false << 0.0;
    QTest::newRow("earlier value beyond the range")
        << Samples{counter(150, 100)} << Samples{counter(10, 100)} << 1000000ull << false << 0.0;
    QTest::newRow("went down far below its top: a reset")
        << Samples{counter(5000000000ULL)} << Samples{counter(1000000)} << 1000000ull << false
        << 0.0;
    QTest::newRow("beyond its range")
        << Samples{counter(1000000, 100000000)} << Samples{counter(150000000, 100000000)}
        << 1000000ull << false << 0.0;
    QTest::newRow("beyond any machine's draw")
        << Samples{counter(0)} << Samples{counter(2500000000ULL)} << 1000000ull << false << 0.0;
    QTest::newRow("an interval of ten periods, as after a suspend")
        << Samples{counter(0)} << Samples{counter(250000000)} << 10000000ull << false << 0.0;
    QTest::newRow("unreadable now")
        << Samples{counter(0)} << Samples{EnergySample{}} << 1000000ull << false << 0.0;
    QTest::newRow("unreadable before")
        << Samples{counter(0), EnergySample{}} << Samples{counter(5), counter(5)} << 1000000ull
        << false << 0.0;
    QTest::newRow("a package vanished")
        << Samples{counter(0), counter(0)} << Samples{counter(5)} << 1000000ull << false << 0.0;
    QTest::newRow("no packages") << Samples{} << Samples{} << 1000000ull << false << 0.0;
    QTest::newRow("no time passed")
        << Samples{counter(0)} << Samples{counter(5)} << 0ull << false << 0.0;
}

void tst_packagePower::average()
{
    QFETCH(Samples, previous);
    QFETCH(Samples, current);
    QFETCH(qulonglong, elapsedUs);
    QFETCH(bool, ok);
    QFETCH(double, watts);
    double result = -1.0;
    QCOMPARE(averagePackagePower(previous, current, elapsedUs, &result), ok);
    if (ok)
        QCOMPARE(result, watts);
    else
        QCOMPARE(result, -1.0); // untouched
}

void tst_packagePower::folderGoes_data()
{
    QTest::addColumn<bool>("replaced"); // by a new folder of the same name
    QTest::newRow("folder removed") << false;
    QTest::newRow("folder replaced") << true;
}

void tst_packagePower::folderGoes()
{
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.filePath(QStringLiteral("tree"));
    QCOMPARE(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), kTree, root}), 0);
    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLON_SENSORS_ROOT"), root);
    helper.setProcessEnvironment(env);
    helper.start(kHelper, QStringList());
    QVERIFY(helper.waitForStarted());
    const QString folder = root + QStringLiteral("/run/quillon");
    // The first figure needs two samples a second apart.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + QStringLiteral("/cpu-power")), 10000);
    if (replaced) {
        // Moved away first, so that the new folder cannot reuse its inode.
        QVERIFY(QDir().rename(folder, folder + QStringLiteral(".old")));
        QVERIFY(QDir().mkdir(folder));
    } else {
        QVERIFY(QDir(folder).removeRecursively());
    }
    // Its unit restarts it after a failure, with the folder made afresh.
    const bool ended = helper.waitForFinished(5000);
    if (!ended) {
        helper.kill();
        helper.waitForFinished(5000);
    }
    QVERIFY2(ended, "the helper runs on without its folder");
    QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
    QVERIFY(helper.exitCode() != 0);
}

QTEST_GUILESS_MAIN(tst_packagePower)
#include "tst_packagepower.moc"
