#ifndef DMAINWIDGET_H
#define DMAINWIDGET_H

#include <QPoint>
#include <QSystemTrayIcon>
#include <QWidget>

#include <thread>

#include "chrome.h"

class QMenu;
class HidHotplugMonitor;
class MainHidInterFace;
class getPcInfoThread;
struct SensorSnapshot;

namespace Ui {
class DMainWidget;
}

// The main window and the controller of the running program: it builds the form,
// starts the sensor acquisition and the device link, refreshes the display after
// every acquisition pass, follows the device being plugged in and out, and
// supplies the frame, tray and exit of a frameless window.
class DMainWidget : public QWidget
{
    Q_OBJECT

public:
    explicit DMainWidget(QWidget *parent = nullptr);
    ~DMainWidget() override;

signals:
    void sigHidDeviceConnectChanging_Into(QString hidPath);
    void sigHidDeviceConnectChanging_Remove(QString hidPath);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private slots:
    void onQuitApp();
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void onHidDeviceConnectChanging_Into(QString hidPath);
    void onHidDeviceConnectChanging_Remove(QString hidPath);
    void onHidWriteFailed();
    void onStartUpdateLater();
    void onGetPcInfoOk();
    void onTheSdkInitStatus(bool isOK, int errorCode);
    void onOpenHidSuccessful();
    void onHideMainWindowLater();

    void on_pushButton_Close_clicked();
    void on_pushButton_Min_clicked();
    void on_pushButton_Max_clicked();
    void on_pushButton_Setting_clicked();
    void on_pushButton_Logo_clicked();
    void on_radioButton_Model01_clicked();
    void on_radioButton_Model02_clicked();

private:
    void initDeviceNotify();
    void initTrayIcon();
    void initTheme();
    void initTempShowModel();
    // Both unit buttons: mode 1 is Celsius, 2 Fahrenheit.
    void switchTemperatureMode(int mode);
    void resetValueDisplays();
    void buildInitOverlay();
    // The refresh proper, from one snapshot: widgets, then the report while connected.
    void refreshDisplay(const SensorSnapshot &snapshot);
    // Hot-plug input of every platform: the path test, the connection gate, the
    // settling delay and the signal.
    void handleDeviceChange(bool arrival, const QString &path);
    void closeDeviceLink();
    void updateEdgeRegion(const QPoint &globalPos);
    void saveTestScreenshot();

    Ui::DMainWidget *ui;
    QWidget *initOverlay = nullptr;
    int lastCpuTemperature = 0;
    int lastGpuTemperature = 0;
    int tempShowModel = 1;
    bool sdkInitOk = false;
    getPcInfoThread *pcInfoThread = nullptr;
    int maxCpuClock = 0;
    int maxGpuClock = 0;
    int maxCpuFan = 0;
    int maxGpuFan = 0;
    int maxCpuPower = 0;
    int maxGpuPower = 0;
    MainHidInterFace *hidInterface = nullptr;
    bool hidConnected = false;

    QSystemTrayIcon *trayIcon = nullptr;
    QMenu *trayMenu = nullptr;
    QPoint dragOffset;
    bool dragging = false;
    bool leftPressed = false;
    EdgeRegion edgeRegion = EdgeNone;

    HidHotplugMonitor *hotplugMonitor = nullptr;
    std::thread startupWorker;
    int refreshCount = 0; // passes seen by the test picture hook
    bool screenshotTaken = false;

    friend class tst_DMainWidget;
};

#endif // DMAINWIDGET_H
