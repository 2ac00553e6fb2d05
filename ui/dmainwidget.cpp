#include "dmainwidget.h"
#include "ui_dmainwidget.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDebug>
#include <QDesktopWidget>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "appconfig.h"
#include "ddatamanager.h"
#include "devicereport.h"
#include "gaugearc.h"
#include "getpcinfothread.h"
#include "hidhotplugmonitor.h"
#include "mainhidinterface.h"
#include "startuptask.h"
#include "startuptip.h"
#include "systemusage.h"
#include "theme.h"

namespace {

const char settingsOrganization[] = "MyCompanyVekmar";
const char settingsApplication[] = "Quillon";
const char tempShowModelKey[] = "TempShowModel/Model";

// A settings object per access, released right after it.
QSettings openUserSettings()
{
    return {QSettings::NativeFormat, QSettings::UserScope,
            QString::fromLatin1(settingsOrganization), QString::fromLatin1(settingsApplication)};
}

} // namespace

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

// The members stop their threads as they go (see the header for the order).
DMainWidget::~DMainWidget() = default;

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
    const AppConfig config = DDataManager::instance()->getAppConfig();
    auto *openAction = new QAction(QStringLiteral("Open ") + config.appName, this);
    auto *exitAction = new QAction(QStringLiteral("Exit"), this);
    connect(openAction, &QAction::triggered, this, &QWidget::showNormal);
    connect(exitAction, &QAction::triggered, this, &DMainWidget::onQuitApp);
    trayMenu = new QMenu(QApplication::desktop());
    trayMenu->addAction(openAction);
    trayMenu->addSeparator();
    trayMenu->addAction(exitAction);

    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    trayIcon = new QSystemTrayIcon(this);
    trayIcon->setIcon(QIcon(config.appIcoSel01));
    trayIcon->setToolTip(config.appName);
    trayIcon->setContextMenu(trayMenu);
    trayIcon->show();
    connect(trayIcon, &QSystemTrayIcon::activated, this, &DMainWidget::iconActivated);
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
    int model = 1;
    {
        QSettings settings = openUserSettings();
        if (settings.contains(QLatin1String(tempShowModelKey)))
            model = settings.value(QLatin1String(tempShowModelKey)).toInt();
    }
    if (model == 1) {
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

void DMainWidget::resetValueDisplays()
{
    const std::pair<QProgressBar *, QLabel *> readings[] = {
        {ui->progressBar_CPU01, ui->label_CPU01}, {ui->progressBar_CPU02, ui->label_CPU02},
        {ui->progressBar_CPU03, ui->label_CPU03}, {ui->progressBar_CPU04, ui->label_CPU04},
        {ui->progressBar_GPU01, ui->label_GPU01}, {ui->progressBar_GPU02, ui->label_GPU02},
        {ui->progressBar_GPU03, ui->label_GPU03}, {ui->progressBar_GPU04, ui->label_GPU04},
    };
    for (const auto &reading : readings) {
        reading.first->setValue(0);
        reading.second->setText(QStringLiteral("0"));
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
    openUserSettings().setValue(QLatin1String(tempShowModelKey), mode);
    ui->widget_CpuDashboard->setStrUnit(unit);
    ui->widget_GpuDashboard->setStrUnit(unit);
    const int low = celsius ? 0 : 32;
    const int high = celsius ? 100 : 212;
    ui->widget_CpuDashboard->setRange(low, high);
    ui->widget_GpuDashboard->setRange(low, high);
    const auto convert = celsius ? fahrenheitToCelsius : celsiusToFahrenheit;
    lastCpuTemperature = convert(lastCpuTemperature);
    lastGpuTemperature = convert(lastGpuTemperature);
    ui->widget_CpuDashboard->setValue(lastCpuTemperature);
    ui->widget_GpuDashboard->setValue(lastGpuTemperature);
    ui->widget_CpuDashboard->updateCurrentValue(mode);
    ui->widget_GpuDashboard->updateCurrentValue(mode);
}

void DMainWidget::onStartUpdateLater()
{
    qDebug() << "Start Update -> Start";
    buildInitOverlay();
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

    getPcInfoThread *acquisition = pcInfoThread.get();
    startupWorker.start([this, acquisition] {
        // Widgets belong to the GUI thread: the hide is posted there.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (initOverlay)
                    initOverlay->hide();
            },
            Qt::QueuedConnection);
        acquisition->onStartInitSdkLater();
        acquisition->start();
    });
}

void DMainWidget::buildInitOverlay()
{
    const AppConfig config = DDataManager::instance()->getAppConfig();
    initOverlay = new QWidget(this);
    initOverlay->setWindowFlags(Qt::FramelessWindowHint);
    initOverlay->resize(size());
    initOverlay->setObjectName(QStringLiteral("widget"));
    initOverlay->setStyleSheet(
        QStringLiteral("#widget {background-color:rgba(10, 10, 10, 128); border-radius:0px;}"));
    initOverlay->hide();

    auto *label = new QLabel(QStringLiteral("Initialization..."), initOverlay);
    label->setFixedWidth(ui->frame_MainArea->width());
    label->setFixedHeight(150);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("QLabel{color: rgb(%1);font: 75 40pt \"%2\";}")
                             .arg(config.roundTextColor, config.textFont));
    auto *layout = new QVBoxLayout(initOverlay);
    layout->setContentsMargins(0, 90, 0, 0);
    layout->addWidget(label);
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

    ui->progressBar_CPU01->setValue(record.cpuUsage);
    ui->label_CPU01->setText(QString::number(record.cpuUsage));
    ui->progressBar_GPU01->setValue(record.gpuUsage);
    ui->label_GPU01->setText(QString::number(record.gpuUsage));

    // A bar's range first: a value beyond the old one would be refused.
    struct ScaledBar
    {
        int value;
        int maximum;
        QProgressBar *bar;
        QLabel *label;
    };
    const ScaledBar bars[] = {
        {record.cpuClock, outcome.maxima.cpuClock, ui->progressBar_CPU02, ui->label_CPU02},
        {record.gpuClock, outcome.maxima.gpuClock, ui->progressBar_GPU02, ui->label_GPU02},
        {record.cpuFanSpeed, outcome.maxima.cpuFan, ui->progressBar_CPU03, ui->label_CPU03},
        {record.gpuFanSpeed, outcome.maxima.gpuFan, ui->progressBar_GPU03, ui->label_GPU03},
        {record.cpuPower, outcome.maxima.cpuPower, ui->progressBar_CPU04, ui->label_CPU04},
        {record.gpuPower, outcome.maxima.gpuPower, ui->progressBar_GPU04, ui->label_GPU04},
    };
    for (const ScaledBar &scaled : bars) {
        scaled.bar->setRange(0, scaled.maximum);
        scaled.label->setText(QString::number(scaled.value));
        scaled.bar->setValue(scaled.value);
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
    // The worker may still be starting the acquisition; after it the loop can be stopped for good.
    startupWorker.join();
    pcInfoThread->stopLoop();
    if (sdkInitOk) {
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

void DMainWidget::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
        showNormal();
}

void DMainWidget::onHideMainWindowLater()
{
    hide();
}

void DMainWidget::on_pushButton_Close_clicked()
{
    hide();
}

void DMainWidget::on_pushButton_Min_clicked()
{
    showMinimized();
}

void DMainWidget::on_pushButton_Max_clicked()
{
    if (isMaximized() || isFullScreen()) {
        showNormal();
        setCursor(Qt::ArrowCursor);
    } else {
        showMaximized();
    }
}

void DMainWidget::on_pushButton_Setting_clicked() {}

// The logo button stays hidden for the whole run; the slot exists for the form's
// connection by name and has nothing to open.
void DMainWidget::on_pushButton_Logo_clicked() {}

void DMainWidget::mousePressEvent(QMouseEvent *event)
{
    dragging = false;
    if (event->button() == Qt::LeftButton) {
        leftPressed = true;
        if (ui->frame_4->geometry().contains(event->pos())) {
            dragOffset = event->globalPos() - frameGeometry().topLeft();
            event->accept();
            dragging = true;
        }
    } else if (event->button() != Qt::RightButton) {
        QWidget::mousePressEvent(event);
    }
}

void DMainWidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint cursor = event->globalPos();
    const bool maximised = isMaximized() || isFullScreen();
    if (!leftPressed) {
        updateEdgeRegion(cursor);
    } else if (!dragging && !maximised) {
        const QPoint topLeft = mapToGlobal(rect().topLeft());
        const QPoint bottomRight = mapToGlobal(rect().bottomRight());
        setGeometry(resizedGeometry(topLeft, bottomRight, cursor, edgeRegion, minimumWidth(),
                                    minimumHeight()));
    } else if (dragging && !maximised) {
        move(cursor - dragOffset);
        event->accept();
    }
    QWidget::mouseMoveEvent(event);
}

void DMainWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    leftPressed = false;
    dragging = false;
    if (edgeRegion != EdgeNone) {
        releaseMouse();
        setCursor(Qt::ArrowCursor);
        edgeRegion = EdgeNone;
    }
}

void DMainWidget::updateEdgeRegion(const QPoint &globalPos)
{
    edgeRegion =
        edgeRegionAt(globalPos, mapToGlobal(rect().topLeft()), mapToGlobal(rect().bottomRight()));
    setCursor(cursorShapeFor(edgeRegion));
}

void DMainWidget::closeEvent(QCloseEvent *event)
{
    if (trayIcon)
        trayIcon->hide();
    QWidget::closeEvent(event);
}
