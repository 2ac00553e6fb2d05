#ifndef HIDHOTPLUGMONITOR_H
#define HIDHOTPLUGMONITOR_H

#include <QObject>
#include <QString>

#include <memory>

// The one hot-plug interface of every platform: device arrivals and removals come out
// as signals on the thread the monitor lives on (the GUI thread). Every event is passed
// on; the receiver decides with isMonitoredHidPath() whether it concerns the display.
//
// Linux: a libudev monitor of hidraw devices on the "udev" netlink source, read through
// a QSocketNotifier; the path is the device's sysfs path, which names the HID device as
// "0003:5131:2007.000N". Windows: device-interface notifications registered for the
// window, whose native event hook hands each message to handleNativeEvent().
class HidHotplugMonitor : public QObject
{
    Q_OBJECT

public:
    explicit HidHotplugMonitor(QObject *parent = nullptr);
    ~HidHotplugMonitor() override;

    // Starts the platform's source of events; windowHandle is the native window the
    // Windows notifications are registered for (not used on Linux). Each failure is
    // logged; false, with a reason in *error, when the platform's events cannot come:
    // without a running udev daemon (containers, CI) libudev opens its socket but
    // nothing arrives, so the Linux monitor then looks for the display every 5 s and
    // signals its appearing and going (said once in the log).
    bool start(quintptr windowHandle, QString *error);

    // A native window message (the MSG* of QWidget::nativeEvent on Windows). True when
    // it was a device arrival or removal, which has then been signalled.
    bool handleNativeEvent(void *message);

signals:
    void sigDeviceArrived(QString path);
    void sigDeviceRemoved(QString path);

private slots:
    void onMonitorReadable();

private:
    // Where both platforms' broadcasts end.
    void handleBroadcast(bool arrival, const QString &path);
    void startPolling(const QString &why);

    struct Private;
    std::unique_ptr<Private> d;
};

// containsDisplayIds() for a Qt string.
bool isMonitoredHidPath(const QString &path);

struct HotplugEvent
{
    enum Kind
    {
        None,
        Arrival,
        Removal
    };
    Kind kind = None;
    QString path;
};

// A udev event's action and sysfs path as an arrival ("add") or a removal ("remove");
// anything else, or a missing string, is None.
HotplugEvent translateUdevEvent(const char *action, const char *sysPath);

#endif // HIDHOTPLUGMONITOR_H
