#ifndef HIDHOTPLUGMONITOR_H
#define HIDHOTPLUGMONITOR_H

#include <QObject>
#include <QString>

#include <memory>

// Reports hidraw devices being added and removed, on the thread the monitor lives on
// (the GUI thread). Every hidraw event is passed on; the receiver decides with
// isMonitoredHidPath() whether it concerns the display.
//
// Linux: a libudev monitor on the "udev" netlink source, read through a QSocketNotifier;
// the path is the device's sysfs path, which names the HID device as
// "0003:5131:2007.000N". Windows: nothing to start, the window's native event hook
// feeds on registerHidDeviceNotifications() and parseDeviceChangeMessage() instead.
class HidHotplugMonitor : public QObject
{
    Q_OBJECT

public:
    explicit HidHotplugMonitor(QObject *parent = nullptr);
    ~HidHotplugMonitor() override;

    // False, with a reason in *error, when no events can come: without a running udev
    // daemon (containers, CI) libudev opens its socket but nothing ever arrives.
    bool start(QString *error);

signals:
    void sigDeviceArrived(QString sysPath);
    void sigDeviceRemoved(QString sysPath);

private slots:
    void onMonitorReadable();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The display's IDs as hexadecimal digits, "5131" and "2007", both somewhere in the path,
// in either order, case-insensitive.
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

// WM_DEVICECHANGE parsing without the Windows headers, so it is tested everywhere:
// messageId/eventCode are the message and its wParam, broadcast its lParam. True for an
// arrival or completed removal of a device interface (type 5), with the interface path
// read from the record's name, bounded by the size in its header.
bool parseDeviceChangeEvent(quint32 messageId, quintptr eventCode, const void *broadcast,
                            bool *arrival, QString *path);

// Windows only (hidhotplug_win.cpp): registers the window for the USB device and disk
// device interface classes, logging each failure; true when both succeeded.
bool registerHidDeviceNotifications(quintptr windowHandle);
// Windows only: message is the MSG* handed to QWidget::nativeEvent.
bool parseDeviceChangeMessage(void *message, bool *arrival, QString *path);

#endif // HIDHOTPLUGMONITOR_H
