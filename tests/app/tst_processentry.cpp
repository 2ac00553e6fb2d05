#include "app/processentry.h"

#include <QtTest>

class tst_ProcessEntry : public QObject
{
    Q_OBJECT

private slots:
    void argumentScan_data();
    void argumentScan();
};

void tst_ProcessEntry::argumentScan_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("byTask");
    const QString program = QStringLiteral("/opt/quillon/quillon");
    QTest::newRow("no arguments") << QStringList{program} << false;
    QTest::newRow("task argument") << QStringList{program, "---StartupByTaskMinWindow"} << true;
    QTest::newRow("task argument after others")
        << QStringList{program, "-x", "foo", "---StartupByTaskMinWindow"} << true;
    QTest::newRow("task argument twice")
        << QStringList{program, "---StartupByTaskMinWindow", "---StartupByTaskMinWindow"} << true;
    QTest::newRow("two hyphens") << QStringList{program, "--StartupByTaskMinWindow"} << false;
    QTest::newRow("four hyphens") << QStringList{program, "----StartupByTaskMinWindow"} << false;
    QTest::newRow("other case") << QStringList{program, "---startupbytaskminwindow"} << false;
    QTest::newRow("with a value") << QStringList{program, "---StartupByTaskMinWindow=1"} << false;
    QTest::newRow("trailing blank") << QStringList{program, "---StartupByTaskMinWindow "} << false;
    QTest::newRow("program name itself does not count")
        << QStringList{"---StartupByTaskMinWindow"} << false;
    QTest::newRow("empty list") << QStringList() << false;
}

void tst_ProcessEntry::argumentScan()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, byTask);
    QCOMPARE(isStartedByTask(arguments), byTask);
    QCOMPARE(QByteArray(startedByTaskLine(byTask)),
             byTask ? QByteArray("Program was started by Task Scheduler.")
                    : QByteArray("Program was not started by Task Scheduler."));
}

QTEST_GUILESS_MAIN(tst_ProcessEntry)
#include "tst_processentry.moc"
