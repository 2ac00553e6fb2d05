#ifndef DMAINWIDGET_H
#define DMAINWIDGET_H

#include <QPoint>
#include <QSystemTrayIcon>
#include <QWidget>

#include <array>
#include <memory>

#include "chrome.h"
#include "refresh/refresh.h"

class QLabel;
class QMenu;
class QProgressBar;
class WindowTray;
class HidHotplugMonitor;
class MainHidInterFace;
class getPcInfoThread;
struct SensorSnapshot;

namespace Ui {
class DMainWidget;
}

// The main window: it builds the form, starts the sensor acquisition and the device
// link, shows every acquisition pass and hands its record to the device, follows the
// device being plugged in and out, and supplies the frame, tray and exit of a
// frameless window.
class DMainWidget : public QWidget
{
    Q_OBJECT

public:
    explicit DMainWidget(QWidget *parent = nullptr);
    ~DMainWidget() override;

    // What the window holds, for whoever watches it (the tests, the picture hook).
    bool isSdkInitOk() const { return sdkInitOk; }
    bool isHidConnected() const { return hidConnected; }
    MainHidInterFace *deviceLink() const { return hidInterface.get(); }
    getPcInfoThread *acquisitionThread() const { return pcInfoThread.get(); }
    QMenu *trayContextMenu() const;
    // Whether hiding leaves a way back (the tray icon); otherwise the window minimises.
    bool hasTrayIcon() const;
    EdgeRegion currentEdgeRegion() const { return edgeRegion; }
    bool isDraggingTitle() const { return dragging; }
    bool isLeftButtonHeld() const { return leftPressed; }

signals:
    void sigHidDeviceConnectChanging_Into(QString hidPath);
    void sigHidDeviceConnectChanging_Remove(QString hidPath);
    // After every refresh that reached the widgets.
    void sigDisplayRefreshed();

public slots:
    void onQuitApp();
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void onHidDeviceConnectChanging_Into(QString hidPath);
    void onHidDeviceConnectChanging_Remove(QString hidPath);
    void onHidWriteFailed();
    void onGetPcInfoOk();
    void onTheSdkInitStatus(bool isOK, int errorCode);
    void onOpenHidSuccessful();
    void onHideMainWindowLater();
    // The refresh proper, from one snapshot: widgets, then the report while connected.
    void refreshDisplay(const SensorSnapshot &snapshot);
    // Hot-plug input of every platform: the path test, the connection gate, the
    // settling delay and the signal.
    void handleDeviceChange(bool arrival, const QString &path);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Moves with no button held, for the resize cursor on the edge band.
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private slots:
    void onStartUpdateLater();
    // The start-up worker has initialised the SDK: the overlay goes.
    void onInitWorkerDone();

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
    // The usage, clock, fan and power bar and number of the CPU, then of the GPU.
    struct ReadingDisplay
    {
        QProgressBar *bar;
        QLabel *label;
    };
    std::array<ReadingDisplay, 8> readingDisplays() const;
    void resetValueDisplays();
    void showRefresh(const RefreshOutcome &outcome);
    void closeDeviceLink();
    void updateEdgeRegion(const QPoint &globalPos);
    void showFromTray();

    std::unique_ptr<Ui::DMainWidget> ui;
    QWidget *initOverlay = nullptr;
    int lastCpuTemperature = 0;
    int lastGpuTemperature = 0;
    int tempShowModel = 1;
    bool sdkInitOk = false;
    RunningMaxima maxima;
    bool hidConnected = false;

    WindowTray *tray = nullptr;
    QPoint dragOffset;
    bool dragging = false;
    bool leftPressed = false;
    EdgeRegion edgeRegion = EdgeNone;
    HidHotplugMonitor *hotplugMonitor = nullptr;

    // Threads, each stopped by its owner going; the acquisition owns the start-up worker.
    std::unique_ptr<MainHidInterFace> hidInterface;
    std::unique_ptr<getPcInfoThread> pcInfoThread;
};

#endif // DMAINWIDGET_H
