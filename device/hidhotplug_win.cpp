#include "hidhotplugmonitor.h"

#include <QDebug>

#include <windows.h>

#include <dbt.h>

struct HidHotplugMonitor::Private
{
};

HidHotplugMonitor::HidHotplugMonitor(QObject *parent) : QObject(parent), d(new Private) {}

HidHotplugMonitor::~HidHotplugMonitor() = default;

bool HidHotplugMonitor::start(QString *error)
{
    // Arrivals and removals reach the window as WM_DEVICECHANGE messages.
    Q_UNUSED(error)
    return true;
}

void HidHotplugMonitor::onMonitorReadable() {}

bool registerHidDeviceNotifications(quintptr windowHandle)
{
    // USB device interface, then disk device interface.
    static const GUID interfaceClasses[] = {
        {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}},
        {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},
    };
    static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32, "published record size");

    bool allRegistered = true;
    for (const GUID &interfaceClass : interfaceClasses) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter;
        ZeroMemory(&filter, sizeof filter);
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = interfaceClass;
        // The handle is kept by nobody: notifications last as long as the window.
        if (!RegisterDeviceNotificationW(reinterpret_cast<HANDLE>(windowHandle), &filter,
                                         DEVICE_NOTIFY_WINDOW_HANDLE)) {
            const unsigned long lastError = GetLastError();
            qDebug("Register device failed, GetLastError:%lu\n", lastError);
            allRegistered = false;
        }
    }
    return allRegistered;
}

bool parseDeviceChangeMessage(void *message, bool *arrival, QString *path)
{
    const MSG *msg = static_cast<const MSG *>(message);
    if (!msg)
        return false;
    return parseDeviceChangeEvent(msg->message, static_cast<quintptr>(msg->wParam),
                                  reinterpret_cast<const void *>(msg->lParam), arrival, path);
}
