#include <QtTest>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <memory>

#include "device/mainhidinterface.h"
#include "sensors/getpcinfothread.h"
#include "shell/ddatamanager.h"
#include "ui/dmainwidget.h"
#include "widgets/gaugearc.h"

Q_DECLARE_METATYPE(EdgeRegion)

namespace {

QStringList capturedLog;
QtMessageHandler testLogHandler = nullptr;

// Keeps the debug lines for the checks and still hands everything to the test log.
void captureDebug(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg)
        capturedLog.append(message);
    if (testLogHandler)
        testLogHandler(type, context, message);
}

QSettings userSettings()
{
    return {QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MyCompanyVekmar"),
            QStringLiteral("Quillon")};
}

const QString kModelKey = QStringLiteral("TempShowModel/Model");

SensorSnapshot snapshotOf(float cpuTemperature, float gpuTemperature)
{
    SensorSnapshot snapshot;
    snapshot.cpuTemperature = cpuTemperature;
    snapshot.gpuTemperature = gpuTemperature;
    return snapshot;
}

} // namespace

class tst_DMainWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void construction();
    void trayMenu();
    void startUpStep();
    void sdkStatus_data();
    void sdkStatus();
    void refreshBeforeSdk();
    void runningMaxima_data();
    void runningMaxima();
    void usage();
    void gaugeTemperatures_data();
    void gaugeTemperatures();
    void memoryAndDrive();
    void storedUnit_data();
    void storedUnit();
    void unitSwitch();
    void hotplugGate_data();
    void hotplugGate();
    void removalAndWriteFailure();
    void edgeRegionByMouse_data();
    void edgeRegionByMouse();
    void resizeByMouse_data();
    void resizeByMouse();
    void dragTitle_data();
    void dragTitle();
    void closeWithoutTray();
    void trayActivation_data();
    void trayActivation();

private:
    std::unique_ptr<DMainWidget> shownWindow();
    static QLabel *label(DMainWidget &window, const char *name)
    {
        return window.findChild<QLabel *>(QLatin1String(name));
    }
    static QProgressBar *bar(DMainWidget &window, const char *name)
    {
        return window.findChild<QProgressBar *>(QLatin1String(name));
    }
    static GaugeArc *gauge(DMainWidget &window, const char *name)
    {
        return window.findChild<GaugeArc *>(QLatin1String(name));
    }
    static QRadioButton *radio(DMainWidget &window, const char *name)
    {
        return window.findChild<QRadioButton *>(QLatin1String(name));
    }
    static void setSdkReady(DMainWidget &window) { window.onTheSdkInitStatus(true, 0); }
    static void refresh(DMainWidget &window, const SensorSnapshot &snapshot)
    {
        window.refreshDisplay(snapshot);
    }
};

void tst_DMainWidget::initTestCase()
{
    // The data manager installs the program's file logger; the test log takes over
    // when the run starts, and this capture sits in front of it.
    DDataManager::instance();
    testLogHandler = qInstallMessageHandler(captureDebug);
}

void tst_DMainWidget::init()
{
    userSettings().remove(kModelKey);
    capturedLog.clear();
}

std::unique_ptr<DMainWidget> tst_DMainWidget::shownWindow()
{
    auto window = std::make_unique<DMainWidget>();
    window->setGeometry(100, 100, 1200, 596);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

void tst_DMainWidget::construction()
{
    DMainWidget window;
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    for (const char *name : {"pushButton_Setting", "pushButton_Max", "pushButton_Logo"})
        QVERIFY2(window.findChild<QPushButton *>(QLatin1String(name))->isHidden(), name);
    QVERIFY(label(window, "label_CrashTest")->isHidden());
    QCOMPARE(window.isSdkInitOk(), false);
    QCOMPARE(window.isHidConnected(), false);

    // Every value display starts at zero, whatever the form said.
    for (const char *name :
         {"label_CPU01", "label_CPU02", "label_CPU03", "label_CPU04", "label_GPU01", "label_GPU02",
          "label_GPU03", "label_GPU04", "label_MemoryUsageNum", "label_HardDiskUsageNum"})
        QCOMPARE(label(window, name)->text(), QStringLiteral("0"));
    for (const char *name : {"progressBar_CPU01", "progressBar_CPU02", "progressBar_GPU04",
                             "progressBar_MemoryUsage", "progressBar_HardDiskUsage"})
        QCOMPARE(bar(window, name)->value(), 0);
    QCOMPARE(label(window, "label_MemoryUsage")->text(), QStringLiteral("0G/0G"));
    QCOMPARE(label(window, "label_HardDiskUsage")->text(), QStringLiteral("0G/0G"));

    // The window is built quietly up to the deferred start-up step.
    QVERIFY(!capturedLog.contains(QStringLiteral("Start Update -> Start")));
    QVERIFY(!window.deviceLink());
}

void tst_DMainWidget::trayMenu()
{
    DMainWidget window;
    QVERIFY(window.trayContextMenu());
    const QList<QAction *> actions = window.trayContextMenu()->actions();
    QCOMPARE(actions.size(), 3);
    QCOMPARE(actions.at(0)->text(),
             QStringLiteral("Open ") + DDataManager::instance()->getAppConfig().appName);
    QVERIFY(actions.at(1)->isSeparator());
    QCOMPARE(actions.at(2)->text(), QStringLiteral("Exit"));
    // The offscreen platform has no tray: no icon, but the menu still exists.
    QCOMPARE((window.findChild<QSystemTrayIcon *>() != nullptr),
             QSystemTrayIcon::isSystemTrayAvailable());

    window.hide();
    actions.at(0)->trigger();
    QVERIFY(window.isVisible());
}

void tst_DMainWidget::startUpStep()
{
    DMainWidget window;
    QTRY_VERIFY(
        capturedLog.contains(QStringLiteral("Start Thread Runing SDK -> GetComputerInfo [Start]")));
    const int start = capturedLog.indexOf(QStringLiteral("Start Update -> Start"));
    const int over = capturedLog.indexOf(QStringLiteral("Start Update -> Over"));
    QVERIFY(start >= 0 && start < over);
    QCOMPARE(label(window, "label_HidStatus")->text(), QStringLiteral("Disconnected"));
    QVERIFY(window.deviceLink());
    QVERIFY(window.findChild<QWidget *>(QStringLiteral("widget")));
    QCOMPARE(window.findChild<QWidget *>(QStringLiteral("widget"))->objectName(),
             QStringLiteral("widget"));
    QVERIFY(window.findChild<QWidget *>(QStringLiteral("widget"))->isHidden());

    // The worker reports the SDK status once, queued to this thread.
    QTRY_VERIFY(std::any_of(capturedLog.cbegin(), capturedLog.cend(), [](const QString &line) {
        return line.startsWith(QLatin1String("HWi32SDK init Over ["));
    }));
    QTRY_VERIFY(window.acquisitionThread()->isRunning());
}

void tst_DMainWidget::sdkStatus_data()
{
    QTest::addColumn<bool>("isOK");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QString>("line");
    QTest::newRow("success") << true << 0 << "HWi32SDK init Over [Successful]";
    QTest::newRow("library missing")
        << false << -111 << "HWi32SDK init Over [Failed], errorCode: -111";
    QTest::newRow("refused") << false << 5 << "HWi32SDK init Over [Failed], errorCode: 5";
}

void tst_DMainWidget::sdkStatus()
{
    QFETCH(bool, isOK);
    QFETCH(int, errorCode);
    QFETCH(QString, line);
    DMainWidget window;
    window.onTheSdkInitStatus(isOK, errorCode);
    QCOMPARE(window.isSdkInitOk(), isOK);
    QCOMPARE(capturedLog.last(), line);
}

void tst_DMainWidget::refreshBeforeSdk()
{
    DMainWidget window;
    window.onGetPcInfoOk();
    QCOMPARE(capturedLog.last(), QStringLiteral("SDK Init doing ... ... wait monment ... "));
    QCOMPARE(label(window, "label_MemoryUsage")->text(), QStringLiteral("0G/0G"));
    QCOMPARE(bar(window, "progressBar_CPU02")->maximum(), 100); // the form's, untouched
}

void tst_DMainWidget::runningMaxima_data()
{
    QTest::addColumn<int>("field"); // offset of the float in SensorSnapshot
    QTest::addColumn<QByteArray>("bar");
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<QList<int>>("maxima");
    const QList<int> clocks{3500, 3400, 3501, 3600};
    const QList<int> clockMaxima{3501, 3501, 3501, 3601};
    const auto offset = [](float SensorSnapshot::*member) {
        SensorSnapshot s;
        return int(reinterpret_cast<char *>(&(s.*member)) - reinterpret_cast<char *>(&s));
    };
    QTest::newRow("cpu clock") << offset(&SensorSnapshot::cpuClock)
                               << QByteArray("progressBar_CPU02") << QByteArray("label_CPU02")
                               << clocks << clockMaxima;
    QTest::newRow("gpu clock") << offset(&SensorSnapshot::gpuClock)
                               << QByteArray("progressBar_GPU02") << QByteArray("label_GPU02")
                               << clocks << clockMaxima;
    QTest::newRow("cpu fan") << offset(&SensorSnapshot::cpuFanSpeed)
                             << QByteArray("progressBar_CPU03") << QByteArray("label_CPU03")
                             << QList<int>{1200, 0, 1300} << QList<int>{1201, 1201, 1301};
    QTest::newRow("gpu fan") << offset(&SensorSnapshot::gpuFanSpeed)
                             << QByteArray("progressBar_GPU03") << QByteArray("label_GPU03")
                             << QList<int>{0, 0} << QList<int>{1, 1};
    QTest::newRow("cpu power") << offset(&SensorSnapshot::cpuPower)
                               << QByteArray("progressBar_CPU04") << QByteArray("label_CPU04")
                               << QList<int>{65, 1, 66} << QList<int>{66, 66, 66};
    QTest::newRow("gpu power") << offset(&SensorSnapshot::gpuPower)
                               << QByteArray("progressBar_GPU04") << QByteArray("label_GPU04")
                               << QList<int>{0, 1, 2} << QList<int>{1, 1, 3};
}

void tst_DMainWidget::runningMaxima()
{
    QFETCH(int, field);
    QFETCH(QByteArray, bar);
    QFETCH(QByteArray, number);
    QFETCH(QList<int>, values);
    QFETCH(QList<int>, maxima);
    DMainWidget window;
    setSdkReady(window);
    for (int i = 0; i < values.size(); ++i) {
        SensorSnapshot snapshot;
        *reinterpret_cast<float *>(reinterpret_cast<char *>(&snapshot) + field) =
            float(values.at(i)) + 0.75f; // truncated, never rounded
        refresh(window, snapshot);
        QCOMPARE(this->bar(window, bar.constData())->maximum(), maxima.at(i));
        QCOMPARE(this->bar(window, bar.constData())->value(), values.at(i));
        QCOMPARE(label(window, number.constData())->text(), QString::number(values.at(i)));
    }
    // All other bars saw zeros only: their maxima are 1.
    for (const char *name : {"progressBar_CPU02", "progressBar_CPU03", "progressBar_CPU04",
                             "progressBar_GPU02", "progressBar_GPU03", "progressBar_GPU04"}) {
        if (bar != name)
            QCOMPARE(this->bar(window, name)->maximum(), 1);
    }
}

void tst_DMainWidget::usage()
{
    DMainWidget window;
    setSdkReady(window);
    SensorSnapshot snapshot;
    snapshot.cpuUsage = 12.9f;
    snapshot.gpuUsage = 3.0f;
    refresh(window, snapshot);
    QCOMPARE(bar(window, "progressBar_CPU01")->value(), 12);
    QCOMPARE(label(window, "label_CPU01")->text(), QStringLiteral("12"));
    QCOMPARE(bar(window, "progressBar_GPU01")->value(), 3);

    // Beyond the bar's 0..100 the bar keeps its value; the number still shows it.
    snapshot.cpuUsage = 150.0f;
    snapshot.gpuUsage = std::numeric_limits<float>::quiet_NaN();
    refresh(window, snapshot);
    QCOMPARE(bar(window, "progressBar_CPU01")->value(), 12);
    QCOMPARE(label(window, "label_CPU01")->text(), QStringLiteral("150"));
    QCOMPARE(label(window, "label_GPU01")->text(), QStringLiteral("0"));
}

void tst_DMainWidget::gaugeTemperatures_data()
{
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<QList<float>>("celsius"); // successive CPU readings; GPU gets +5
    QTest::addColumn<int>("cpuGauge");
    QTest::addColumn<int>("gpuGauge");
    QTest::newRow("celsius truncated") << false << QList<float>{45.9f} << 45 << 50;
    QTest::newRow("fahrenheit 45.9") << true << QList<float>{45.9f} << 113 << 122;
    // Off the scale a dial shows its nearer end, never the last value in range.
    QTest::newRow("105 C pinned at the top")
        << false << QList<float>{45.0f, 105.0f} << 100 << 100; // GPU 110 too
    QTest::newRow("105 C in fahrenheit") << true << QList<float>{105.0f} << 212 << 212;
    QTest::newRow("0 C in fahrenheit") << true << QList<float>{0.0f, 45.0f} << 113 << 122;
    QTest::newRow("huge reading") << false << QList<float>{30.0f, 1e30f} << 100 << 100;
}

void tst_DMainWidget::gaugeTemperatures()
{
    QFETCH(bool, fahrenheit);
    QFETCH(QList<float>, celsius);
    QFETCH(int, cpuGauge);
    QFETCH(int, gpuGauge);
    DMainWidget window;
    setSdkReady(window);
    if (fahrenheit)
        radio(window, "radioButton_Model02")->click();
    for (float value : celsius)
        refresh(window, snapshotOf(value, value + 5.0f));
    QCOMPARE(gauge(window, "widget_CpuDashboard")->getValue(), double(cpuGauge));
    QCOMPARE(gauge(window, "widget_GpuDashboard")->getValue(), double(gpuGauge));
}

void tst_DMainWidget::memoryAndDrive()
{
    DMainWidget window;
    setSdkReady(window);
    refresh(window, SensorSnapshot());
    const QString memory = label(window, "label_MemoryUsage")->text();
    QVERIFY2(
        QRegularExpression(QStringLiteral("^\\d+\\.\\dG/\\d+\\.\\dG$")).match(memory).hasMatch(),
        qPrintable(memory));
    QCOMPARE(label(window, "label_MemoryUsageNum")->text(),
             QString::number(bar(window, "progressBar_MemoryUsage")->value()));
    const QString drive = label(window, "label_HardDiskUsage")->text();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+G/\\d+G$")).match(drive).hasMatch(),
             qPrintable(drive));
    QCOMPARE(label(window, "label_HardDiskUsageNum")->text(),
             QString::number(bar(window, "progressBar_HardDiskUsage")->value()));
}

void tst_DMainWidget::storedUnit_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QVariant>("storedAfter");
    const QStringList celsiusLines{QStringLiteral("TempShowModel Init -> [℃]")};
    const QStringList fahrenheitLines{QStringLiteral("TempShowModel Init -> [℉]"),
                                      QStringLiteral("TempShowModel Changed -> [℉]")};
    QTest::newRow("first start") << QVariant() << false << celsiusLines << QVariant();
    QTest::newRow("stored 1") << QVariant(1) << false << celsiusLines << QVariant(1);
    QTest::newRow("stored 2") << QVariant(2) << true << fahrenheitLines << QVariant(2);
    QTest::newRow("stored 5") << QVariant(5) << true << fahrenheitLines << QVariant(2);
    QTest::newRow("stored text") << QVariant(QStringLiteral("abc")) << true << fahrenheitLines
                                 << QVariant(2);
}

void tst_DMainWidget::storedUnit()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, fahrenheit);
    QFETCH(QStringList, lines);
    QFETCH(QVariant, storedAfter);
    if (stored.isValid())
        userSettings().setValue(kModelKey, stored);

    DMainWidget window;
    QCOMPARE(radio(window, "radioButton_Model01")->isChecked(), !fahrenheit);
    QCOMPARE(radio(window, "radioButton_Model02")->isChecked(), fahrenheit);
    QStringList unitLines;
    for (const QString &line : qAsConst(capturedLog)) {
        if (line.startsWith(QLatin1String("TempShowModel")))
            unitLines.append(line);
    }
    QCOMPARE(unitLines, lines);
    const QVariant after = userSettings().value(kModelKey);
    QCOMPARE(after.isValid(), storedAfter.isValid());
    if (storedAfter.isValid())
        QCOMPARE(after.toInt(), storedAfter.toInt());

    for (const char *name : {"widget_CpuDashboard", "widget_GpuDashboard"}) {
        GaugeArc *dial = gauge(window, name);
        QCOMPARE(dial->getStrUnit(), fahrenheit ? QStringLiteral("℉") : QStringLiteral("℃"));
        QCOMPARE(dial->getMinValue(), fahrenheit ? 32.0 : 0.0);
        QCOMPARE(dial->getMaxValue(), fahrenheit ? 212.0 : 100.0);
    }
}

void tst_DMainWidget::unitSwitch()
{
    DMainWidget window;
    setSdkReady(window);
    refresh(window, snapshotOf(45.0f, 45.0f));
    capturedLog.clear();

    radio(window, "radioButton_Model02")->click();
    QCOMPARE(capturedLog, QStringList{QStringLiteral("TempShowModel Changed -> [℉]")});
    QCOMPARE(userSettings().value(kModelKey).toInt(), 2);
    for (const char *name : {"widget_CpuDashboard", "widget_GpuDashboard"}) {
        GaugeArc *dial = gauge(window, name);
        QCOMPARE(dial->getValue(), 113.0);
        QCOMPARE(dial->getStrUnit(), QStringLiteral("℉"));
        QCOMPARE(dial->getMinValue(), 32.0);
        QCOMPARE(dial->getMaxValue(), 212.0);
        // The drawn value is converted at once, not animated across scales.
        QVERIFY(dial->getCurrentValue() >= 32.0);
    }

    // The button of the current mode: nothing logged, nothing stored.
    capturedLog.clear();
    userSettings().remove(kModelKey);
    radio(window, "radioButton_Model02")->click();
    QVERIFY(capturedLog.isEmpty());
    QVERIFY(!userSettings().contains(kModelKey));

    // Fahrenheit showing 32 (0 °C), back to Celsius: 0, inside the Celsius scale.
    refresh(window, snapshotOf(0.0f, 0.0f));
    QCOMPARE(gauge(window, "widget_CpuDashboard")->getValue(), 32.0);
    radio(window, "radioButton_Model01")->click();
    QCOMPARE(capturedLog, QStringList{QStringLiteral("TempShowModel Changed -> [℃]")});
    QCOMPARE(userSettings().value(kModelKey).toInt(), 1);
    QCOMPARE(gauge(window, "widget_CpuDashboard")->getValue(), 0.0);
    QCOMPARE(gauge(window, "widget_CpuDashboard")->getStrUnit(), QStringLiteral("℃"));
}

void tst_DMainWidget::hotplugGate_data()
{
    QTest::addColumn<bool>("arrival");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("into");
    QTest::addColumn<int>("removed");
    const QString display = QStringLiteral(
        "/sys/devices/pci0000:00/usb1/1-1/1-1:1.0/0003:5131:2007.0004/hidraw/hidraw3");
    QTest::newRow("arrival while disconnected") << true << false << display << 1 << 0;
    QTest::newRow("IDs reversed, any case")
        << true << false << QStringLiteral("\\\\?\\HID#VID_2007&PID_5131#a") << 1 << 0;
    QTest::newRow("vendor only") << true << false << QStringLiteral("/x/0003:5131:1234.0001") << 0
                                 << 0;
    QTest::newRow("product only") << true << false << QStringLiteral("/x/0003:1234:2007.0001") << 0
                                  << 0;
    QTest::newRow("arrival while connected") << true << true << display << 0 << 0;
    QTest::newRow("removal while connected") << false << true << display << 0 << 1;
    QTest::newRow("removal while disconnected") << false << false << display << 0 << 0;
}

void tst_DMainWidget::hotplugGate()
{
    QFETCH(bool, arrival);
    QFETCH(bool, connected);
    QFETCH(QString, path);
    QFETCH(int, into);
    QFETCH(int, removed);
    DMainWidget window; // before the start-up step: no transport yet
    if (connected)
        window.onOpenHidSuccessful();
    QSignalSpy intoSpy(&window, &DMainWidget::sigHidDeviceConnectChanging_Into);
    QSignalSpy removeSpy(&window, &DMainWidget::sigHidDeviceConnectChanging_Remove);
    window.handleDeviceChange(arrival, path);
    QCOMPARE(intoSpy.count(), into);
    QCOMPARE(removeSpy.count(), removed);
    if (into)
        QCOMPARE(capturedLog.last(),
                 QStringLiteral("Insert a new device --------------- hidPath: \"%1\"")
                     .arg(QString(path).replace(QLatin1String("\\"), QLatin1String("\\\\"))));
    if (removed)
        QVERIFY(capturedLog.last().startsWith(
            QLatin1String("Pull out a device --------------- hidPath: \"")));
    // Without a transport the slots only log.
    QCOMPARE(window.isHidConnected(), connected);
}

void tst_DMainWidget::removalAndWriteFailure()
{
    DMainWidget window;
    QTRY_VERIFY(window.deviceLink());
    QLabel *status = label(window, "label_HidStatus");

    window.onOpenHidSuccessful();
    QCOMPARE(status->text(), QStringLiteral("Connected"));
    window.onHidDeviceConnectChanging_Remove(QStringLiteral("/dev/x"));
    QCOMPARE(status->text(), QStringLiteral("Disconnected"));
    QCOMPARE(window.isHidConnected(), false);

    // A failed write is a removal the notification did not report.
    window.onOpenHidSuccessful();
    QCOMPARE(status->text(), QStringLiteral("Connected"));
    emit window.deviceLink()->sigHidWriteFailed();
    QTRY_COMPARE(status->text(), QStringLiteral("Disconnected"));
    QCOMPARE(window.isHidConnected(), false);

    // An arrival re-runs the search; no device here, so the window stays disconnected.
    window.onHidDeviceConnectChanging_Into(QStringLiteral("/dev/x"));
    QCOMPARE(window.isHidConnected(), false);
    QCOMPARE(status->text(), QStringLiteral("Disconnected"));
}

void tst_DMainWidget::edgeRegionByMouse_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<EdgeRegion>("region");
    QTest::addColumn<int>("shape");
    // Window 1200 x 596: local x 0..1199, y 0..595.
    QTest::newRow("top-left") << QPoint(2, 2) << EdgeTopLeft << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-right") << QPoint(1197, 4) << EdgeTopRight << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-left") << QPoint(0, 593) << EdgeBottomLeft << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-right") << QPoint(1195, 591) << EdgeBottomRight
                                  << int(Qt::SizeFDiagCursor);
    QTest::newRow("left") << QPoint(4, 300) << EdgeLeft << int(Qt::SizeHorCursor);
    QTest::newRow("right") << QPoint(1199, 300) << EdgeRight << int(Qt::SizeHorCursor);
    QTest::newRow("top") << QPoint(600, 0) << EdgeTop << int(Qt::SizeVerCursor);
    QTest::newRow("bottom") << QPoint(600, 595) << EdgeBottom << int(Qt::SizeVerCursor);
    QTest::newRow("inside") << QPoint(5, 300) << EdgeNone << int(Qt::ArrowCursor);
}

void tst_DMainWidget::edgeRegionByMouse()
{
    QFETCH(QPoint, pos);
    QFETCH(EdgeRegion, region);
    QFETCH(int, shape);
    auto window = shownWindow();
    QVERIFY(window);
    QWindow *handle = window->windowHandle();
    // Without mouse tracking, moves arrive only while a button is held: the right one
    // finds the region, as the left one would start a resize.
    // A move with no button held finds it too, over whichever child covers the band.
    QTest::mouseMove(handle, QPoint(600, 300));
    QTest::mouseMove(handle, pos);
    QCOMPARE(window->currentEdgeRegion(), region);
    QCOMPARE(int(window->cursor().shape()), shape);
    QTest::mousePress(handle, Qt::RightButton, {}, QPoint(600, 300));
    QTest::mouseMove(handle, pos);
    QCOMPARE(window->currentEdgeRegion(), region);
    QCOMPARE(int(window->cursor().shape()), shape);
    QTest::mouseRelease(handle, Qt::RightButton, {}, pos);
    QCOMPARE(window->currentEdgeRegion(), region); // only the left button's release resets it
    QCOMPARE(window->geometry(), QRect(100, 100, 1200, 596));

    QTest::mousePress(handle, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, pos);
    QCOMPARE(window->currentEdgeRegion(), EdgeNone);
    QCOMPARE(int(window->cursor().shape()), int(Qt::ArrowCursor));
}

void tst_DMainWidget::resizeByMouse_data()
{
    QTest::addColumn<QPoint>("edge");      // local point that selects the region
    QTest::addColumn<QPoint>("target");    // global cursor position of the drag
    QTest::addColumn<QString>("expected"); // which rule applies
    QTest::addColumn<bool>("pressOnly");   // no move finds the region before the press
    // Window at (100, 100) 1200 x 596: global right 1299, bottom 695.
    QTest::newRow("left outward") << QPoint(1, 300) << QPoint(60, 400) << "left" << false;
    QTest::newRow("left beyond minimum width")
        << QPoint(1, 300) << QPoint(1290, 400) << "left" << false;
    QTest::newRow("top outward") << QPoint(600, 1) << QPoint(700, 40) << "top" << false;
    QTest::newRow("top beyond minimum height")
        << QPoint(600, 1) << QPoint(700, 690) << "top" << false;
    QTest::newRow("right") << QPoint(1198, 300) << QPoint(1400, 300) << "right" << false;
    QTest::newRow("bottom") << QPoint(600, 594) << QPoint(600, 800) << "bottom" << false;
    QTest::newRow("top-left") << QPoint(1, 1) << QPoint(50, 60) << "top-left" << false;
    QTest::newRow("none") << QPoint(600, 300) << QPoint(650, 350) << "none" << false;
    QTest::newRow("bottom-right by the press alone")
        << QPoint(1197, 593) << QPoint(1400, 800) << "bottom-right" << true;
    QTest::newRow("left by the press alone") << QPoint(2, 300) << QPoint(60, 400) << "left" << true;
    QTest::newRow("title band top edge resizes")
        << QPoint(600, 0) << QPoint(700, 40) << "top" << true;
}

void tst_DMainWidget::resizeByMouse()
{
    QFETCH(QPoint, edge);
    QFETCH(QPoint, target);
    QFETCH(QString, expected);
    QFETCH(bool, pressOnly);
    auto window = shownWindow();
    QVERIFY(window);
    QWindow *handle = window->windowHandle();
    const int minWidth = window->minimumWidth();
    const int minHeight = window->minimumHeight();
    const QRect before(100, 100, 1200, 596);
    QCOMPARE(window->geometry(), before);

    if (!pressOnly) {
        QTest::mousePress(handle, Qt::RightButton, {}, QPoint(600, 300));
        QTest::mouseMove(handle, edge);
        QTest::mouseRelease(handle, Qt::RightButton, {}, edge);
    }
    QTest::mousePress(handle, Qt::LeftButton, {}, edge);
    QTest::mouseMove(handle, target - before.topLeft());

    QRect want = before;
    if (expected == QLatin1String("left") || expected == QLatin1String("top-left")) {
        if (before.right() - target.x() > minWidth)
            want.setLeft(target.x());
    }
    if (expected == QLatin1String("top") || expected == QLatin1String("top-left")) {
        if (before.bottom() - target.y() > minHeight)
            want.setTop(target.y());
    }
    if (expected == QLatin1String("right") || expected == QLatin1String("bottom-right"))
        want.setWidth(target.x() - before.left());
    if (expected == QLatin1String("bottom") || expected == QLatin1String("bottom-right"))
        want.setHeight(target.y() - before.top());
    QTRY_COMPARE(window->geometry(), want);
    // Moving the left or top edge never moves the opposite one.
    QCOMPARE(window->geometry().right(), want.right());
    QCOMPARE(window->geometry().bottom(), want.bottom());
    QTest::mouseRelease(handle, Qt::LeftButton, {}, target - want.topLeft());
}

void tst_DMainWidget::dragTitle_data()
{
    QTest::addColumn<bool>("maximised");
    QTest::newRow("normal window follows") << false;
    QTest::newRow("maximised window stays") << true;
}

void tst_DMainWidget::dragTitle()
{
    QFETCH(bool, maximised);
    auto window = shownWindow();
    QVERIFY(window);
    if (maximised) {
        window->showMaximized();
        QTRY_VERIFY(window->isMaximized());
        QTRY_COMPARE(window->pos(), window->screen()->availableGeometry().topLeft());
    }
    const QPoint start = window->pos();
    QWindow *handle = window->windowHandle();
    // The title frame's rectangle, as the press test reads it (relative to its parent).
    const QPoint grip = window->findChild<QFrame *>(QStringLiteral("frame_4"))->geometry().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QVERIFY(window->isDraggingTitle());
    QTest::mouseMove(handle, grip + QPoint(30, 20));
    if (maximised)
        QCOMPARE(window->pos(), start);
    else
        QTRY_COMPARE(window->pos(), start + QPoint(30, 20));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip);
    QVERIFY(!window->isDraggingTitle());
    QVERIFY(!window->isLeftButtonHeld());
}

void tst_DMainWidget::closeWithoutTray()
{
    auto window = shownWindow();
    QVERIFY(window);
    // The offscreen platform has no tray: hidden, the window could never come back.
    QVERIFY(!window->hasTrayIcon());
    window->findChild<QPushButton *>(QStringLiteral("pushButton_Close"))->click();
    QVERIFY(window->isVisible());
    QVERIFY(window->isMinimized());
    window->onHideMainWindowLater();
    window->onHideMainWindowLater();
    QVERIFY(window->isHidden());
}

void tst_DMainWidget::trayActivation_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("shown");
    QTest::newRow("single click") << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("context click") << int(QSystemTrayIcon::Context) << false;
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << false;
}

void tst_DMainWidget::trayActivation()
{
    QFETCH(int, reason);
    QFETCH(bool, shown);
    DMainWidget window;
    window.hide();
    window.iconActivated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(window.isVisible(), shown);
}

int main(int argc, char *argv[])
{
    // Settings, the log folder and the autostart entry go to a throw-away home.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    tst_DMainWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dmainwidget.moc"
