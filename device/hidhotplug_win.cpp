#include "hidhotplugmonitor.h"

#include "devicebroadcast_win.h"

#include <QDebug>

struct HidHotplugMonitor::Private
{
};

HidHotplugMonitor::HidHotplugMonitor(QObject *parent) : QObject(parent), d(new Private) {}

HidHotplugMonitor::~HidHotplugMonitor() = default;

bool HidHotplugMonitor::start(quintptr windowHandle, QString *error)
{
    std::vector<unsigned long> failures;
    const bool allRegistered =
        registerDeviceInterfaceNotifications(reinterpret_cast<void *>(windowHandle), &failures);
    for (const unsigned long lastError : failures)
        qDebug("Register device failed, GetLastError:%lu\n", lastError);
    if (!allRegistered && error)
        *error = QStringLiteral("RegisterDeviceNotificationW failed");
    return allRegistered;
}

bool HidHotplugMonitor::handleNativeEvent(void *message)
{
    bool arrival = false;
    std::u16string path;
    if (!parseDeviceChangeMsg(message, &arrival, &path))
        return false;
    handleBroadcast(arrival, QString::fromStdU16String(path));
    return true;
}

// Arrivals and removals reach the window as WM_DEVICECHANGE messages.
void HidHotplugMonitor::onMonitorReadable() {}
