#include "dmainwidget.h"
#include "ui_dmainwidget.h"

#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include "device/devicereport.h"
#include "device/hidhotplugmonitor.h"
#include "device/mainhidinterface.h"
#include "sensors/getpcinfothread.h"
#include "shell/appconfig.h"
#include "shell/ddatamanager.h"
#include "shell/startuptask.h"
#include "shell/usersettings.h"
#include "startuptip.h"
#include "theme.h"
#include "usage/systemusage.h"
#include "widgets/gaugearc.h"
#include "windowtray.h"

DMainWidget::DMainWidget(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::DMainWidget>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowSystemMenuHint);
    ui->pushButton_Setting->hide();
    ui->pushButton_Max->hide();
    ui->label_AppName->setText(QStringLiteral("Quillon"));
    ui->label_AppVersion->setText(QStringLiteral("V_1.0.0.01"));
    ui->pushButton_Logo->hide();
    ui->label_CrashTest->hide();

    initDeviceNotify();
    // The native window exists now (the device notification needed its id).
    windowHandle()->installEventFilter(this);
    initTrayIcon();
    initTheme();
    initTempShowModel();

    connect(this, &DMainWidget::sigHidDeviceConnectChanging_Into, this,
            &DMainWidget::onHidDeviceConnectChanging_Into);
    connect(this, &DMainWidget::sigHidDeviceConnectChanging_Remove, this,
            &DMainWidget::onHidDeviceConnectChanging_Remove);

    sdkInitOk = false;
    pcInfoThread = std::make_unique<getPcInfoThread>(nullptr);
    connect(pcInfoThread.get(), &getPcInfoThread::sigTheSdkInitStatus, this,
            &DMainWidget::onTheSdkInitStatus);
    connect(pcInfoThread.get(), &getPcInfoThread::sigGetPcInfoOk, this,
            &DMainWidget::onGetPcInfoOk);

    QTimer::singleShot(200, this, &DMainWidget::onStartUpdateLater);
}

// Members stop their threads as they go; sensor threads stuck in an SDK call are left.
DMainWidget::~DMainWidget()
{
    if (!pcInfoThread->stopWithin())
        (void)pcInfoThread.release();
}

void DMainWidget::initDeviceNotify()
{
    hotplugMonitor = new HidHotplugMonitor(this);
    connect(hotplugMonitor, &HidHotplugMonitor::sigDeviceArrived, this,
            [this](const QString &path) { handleDeviceChange(true, path); });
    connect(hotplugMonitor, &HidHotplugMonitor::sigDeviceRemoved, this,
            [this](const QString &path) { handleDeviceChange(false, path); });
    // Each failure is logged by the monitor; without it the display is found at start only.
    hotplugMonitor->start(static_cast<quintptr>(winId()), nullptr);
}

bool DMainWidget::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(eventType)
    Q_UNUSED(result)
    hotplugMonitor->handleNativeEvent(message);
    return false;
}

void DMainWidget::initTrayIcon()
{
    tray = new WindowTray(DDataManager::instance()->getAppConfig(), this);
    connect(tray, &WindowTray::sigOpenRequested, this, &DMainWidget::showFromTray);
    connect(tray, &WindowTray::sigExitRequested, this, &DMainWidget::onQuitApp);
    connect(tray, &WindowTray::sigActivated, this, &DMainWidget::iconActivated);
}

QMenu *DMainWidget::trayContextMenu() const
{
    return tray->menu();
}

void DMainWidget::initTheme()
{
    const AppConfig config = DDataManager::instance()->getAppConfig();
    applyTheme(this, ui.get(), config);
    showStartupTaskTip(createStartupTask(config));
}

void DMainWidget::initTempShowModel()
{
    tempShowModel = 1;
    if (storedTemperatureMode() == 1) {
        qDebug() << "TempShowModel Init -> [℃]";
        on_radioButton_Model01_clicked();
        ui->radioButton_Model01->setChecked(true);
    } else {
        qDebug() << "TempShowModel Init -> [℉]";
        on_radioButton_Model02_clicked();
        ui->radioButton_Model02->setChecked(true);
    }
    resetValueDisplays();
}

std::array<DMainWidget::ReadingDisplay, 8> DMainWidget::readingDisplays() const
{
    return {{{ui->progressBar_CPU01, ui->label_CPU01},
             {ui->progressBar_CPU02, ui->label_CPU02},
             {ui->progressBar_CPU03, ui->label_CPU03},
             {ui->progressBar_CPU04, ui->label_CPU04},
             {ui->progressBar_GPU01, ui->label_GPU01},
             {ui->progressBar_GPU02, ui->label_GPU02},
             {ui->progressBar_GPU03, ui->label_GPU03},
             {ui->progressBar_GPU04, ui->label_GPU04}}};
}

void DMainWidget::resetValueDisplays()
{
    for (const ReadingDisplay &reading : readingDisplays()) {
        reading.bar->setValue(0);
        reading.label->setText(QStringLiteral("0"));
    }
    ui->label_MemoryUsageNum->setText(QStringLiteral("0"));
    ui->progressBar_MemoryUsage->setValue(0);
    ui->label_MemoryUsage->setText(QStringLiteral("0G/0G"));
    ui->label_HardDiskUsageNum->setText(QStringLiteral("0"));
    ui->progressBar_HardDiskUsage->setValue(0);
    ui->label_HardDiskUsage->setText(QStringLiteral("0G/0G"));
}

void DMainWidget::on_radioButton_Model01_clicked()
{
    switchTemperatureMode(1);
}

void DMainWidget::on_radioButton_Model02_clicked()
{
    switchTemperatureMode(2);
}

void DMainWidget::switchTemperatureMode(int mode)
{
    if (tempShowModel == mode)
        return;
    tempShowModel = mode;
    const bool celsius = mode == 1;
    const QString unit = celsius ? QStringLiteral("℃") : QStringLiteral("℉");
    qDebug().noquote() << QStringLiteral("TempShowModel Changed -> [%1]").arg(unit);
    storeTemperatureMode(mode);
    ui->widget_CpuDashboard->setStrUnit(unit);
    ui->widget_GpuDashboard->setStrUnit(unit);
    const GaugeScale scale = gaugeScale(!celsius);
    ui->widget_CpuDashboard->setRange(scale.low, scale.high);
    ui->widget_GpuDashboard->setRange(scale.low, scale.high);
    const auto convert = celsius ? fahrenheitToCelsius : celsiusToFahrenheit;
    lastCpuTemperature = pinToGaugeScale(convert(lastCpuTemperature), !celsius);
    lastGpuTemperature = pinToGaugeScale(convert(lastGpuTemperature), !celsius);
    ui->widget_CpuDashboard->setValue(lastCpuTemperature);
    ui->widget_GpuDashboard->setValue(lastGpuTemperature);
    ui->widget_CpuDashboard->updateCurrentValue(mode);
    ui->widget_GpuDashboard->updateCurrentValue(mode);
}

void DMainWidget::onStartUpdateLater()
{
    qDebug() << "Start Update -> Start";
    initOverlay = buildInitOverlay(this, ui->frame_MainArea->width(),
                                   DDataManager::instance()->getAppConfig());
    ui->label_HidStatus->setText(QStringLiteral("Disconnected"));
    hidConnected = false;

    hidInterface = std::make_unique<MainHidInterFace>(nullptr);
    connect(hidInterface.get(), &MainHidInterFace::sigOpenHidSuccessful, this,
            &DMainWidget::onOpenHidSuccessful);
    connect(hidInterface.get(), &MainHidInterFace::sigHidWriteFailed, this,
            &DMainWidget::onHidWriteFailed);
    hidInterface->findHidDevice();

    qDebug() << "Start Update -> Over";
    qDebug() << "Start Thread Runing SDK -> GetComputerInfo [Start]";

    // Widgets belong to the GUI thread: the hide is posted there. A queued call without
    // arguments or functor keeps all cross-thread bookkeeping inside Qt; a functor made
    // on the worker and run here is a hand-over that ThreadSanitizer cannot see.
    pcInfoThread->startInitWorker(
        [this] { QMetaObject::invokeMethod(this, "onInitWorkerDone", Qt::QueuedConnection); });
}

void DMainWidget::onInitWorkerDone()
{
    if (initOverlay)
        initOverlay->hide();
}

void DMainWidget::onTheSdkInitStatus(bool isOK, int errorCode)
{
    if (isOK)
        qDebug() << "HWi32SDK init Over [Successful]";
    else
        qDebug() << "HWi32SDK init Over [Failed], errorCode:" << errorCode;
    sdkInitOk = isOK;
}

void DMainWidget::onOpenHidSuccessful()
{
    qDebug() << "onOpenHidSuccessful -----------------------";
    ui->label_HidStatus->setText(QStringLiteral("Connected"));
    hidConnected = true;
    if (hidInterface)
        hidInterface->start();
}

void DMainWidget::onGetPcInfoOk()
{
    if (!sdkInitOk) {
        qDebug() << "SDK Init doing ... ... wait monment ... ";
        return;
    }
    refreshDisplay(pcInfoThread->getPcInfo());
}

void DMainWidget::refreshDisplay(const SensorSnapshot &snapshot)
{
    DriveUsage drive;
    const bool driveMeasured = querySystemDriveUsage(&drive);
    const RefreshOutcome outcome =
        composeRefresh(snapshot, ui->radioButton_Model02->isChecked(), queryMemoryStatus(),
                       driveMeasured ? &drive : nullptr, maxima);
    maxima = outcome.maxima;
    showRefresh(outcome);

    if (hidConnected) {
        const QByteArray report = buildDeviceReport(
            outcome.record, ui->radioButton_Model01->isChecked(), QDateTime::currentDateTime());
        hidInterface->sendHidData(report.constData(), 64);
    }
    emit sigDisplayRefreshed();
}

void DMainWidget::showRefresh(const RefreshOutcome &outcome)
{
    const RefreshRecord &record = outcome.record;
    lastCpuTemperature = outcome.cpuGauge;
    lastGpuTemperature = outcome.gpuGauge;
    ui->widget_CpuDashboard->setValue(outcome.cpuGauge);
    ui->widget_GpuDashboard->setValue(outcome.gpuGauge);

    // In readingDisplays() order; usage keeps the form's 0..100, the others follow their
    // running maximum, set first: a value beyond the old range would be refused.
    const RunningMaxima &maxima = outcome.maxima;
    const int values[] = {record.cpuUsage, record.cpuClock, record.cpuFanSpeed, record.cpuPower,
                          record.gpuUsage, record.gpuClock, record.gpuFanSpeed, record.gpuPower};
    const int ranges[] = {0, maxima.cpuClock, maxima.cpuFan, maxima.cpuPower,
                          0, maxima.gpuClock, maxima.gpuFan, maxima.gpuPower};
    const auto displays = readingDisplays();
    for (size_t i = 0; i < displays.size(); ++i) {
        if (ranges[i] > 0)
            displays[i].bar->setRange(0, ranges[i]);
        displays[i].label->setText(QString::number(values[i]));
        displays[i].bar->setValue(values[i]);
    }

    ui->label_MemoryUsageNum->setText(QString::number(record.memoryLoadPercent));
    ui->progressBar_MemoryUsage->setValue(record.memoryLoadPercent);
    ui->label_MemoryUsage->setText(outcome.memoryText);
    if (outcome.driveMeasured) {
        ui->label_HardDiskUsageNum->setText(QString::number(record.diskUsedPercent));
        ui->progressBar_HardDiskUsage->setValue(record.diskUsedPercent);
        ui->label_HardDiskUsage->setText(outcome.driveText);
    }
}

void DMainWidget::handleDeviceChange(bool arrival, const QString &path)
{
    if (!isMonitoredHidPath(path))
        return;
    if (arrival == hidConnected)
        return;
    // The device needs a moment after the notification before it can be opened.
    QThread::msleep(300);
    if (arrival)
        emit sigHidDeviceConnectChanging_Into(path);
    else
        emit sigHidDeviceConnectChanging_Remove(path);
}

void DMainWidget::onHidDeviceConnectChanging_Into(QString hidPath)
{
    qDebug() << "Insert a new device --------------- hidPath:" << hidPath;
    if (!hidInterface)
        return;
    hidConnected = false;
    hidInterface->findHidDevice();
}

void DMainWidget::onHidDeviceConnectChanging_Remove(QString hidPath)
{
    qDebug() << "Pull out a device --------------- hidPath:" << hidPath;
    if (!hidInterface)
        return;
    closeDeviceLink();
}

void DMainWidget::onHidWriteFailed()
{
    if (!hidInterface || !hidConnected)
        return;
    qDebug() << "Device write failed, closing the device";
    closeDeviceLink();
}

void DMainWidget::closeDeviceLink()
{
    ui->label_HidStatus->setText(QStringLiteral("Disconnected"));
    hidConnected = false;
    hidInterface->closeHid();
}

void DMainWidget::onQuitApp()
{
    // Every wait is bounded: an SDK call that never returns must not hold the exit.
    if (!pcInfoThread->stopWithin())
        qDebug() << "HWi32SDK UNinit skipped: a sensor call has not returned";
    else if (sdkInitOk) {
        const int errorCode = pcInfoThread->uninitSdk();
        qDebug() << "HWi32SDK UNinit Over [Status],errorCode:" << errorCode;
    }
    if (hidConnected) {
        hidConnected = false;
        hidInterface->closeHid();
    }
    qDebug() << "Exit app runing [Normal]";
    close();
    // Status 0 through the event loop rather than exit(0) from inside it: the process
    // entry then releases its single-instance segment, which a System V segment would
    // otherwise outlive the process.
    QCoreApplication::exit(0);
}
