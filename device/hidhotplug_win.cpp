#include "hidhotplugmonitor.h"

#include "devicebroadcast.h"

#include <QDebug>

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
    std::vector<unsigned long> failures;
    const bool allRegistered =
        registerDeviceInterfaceNotifications(reinterpret_cast<void *>(windowHandle), &failures);
    for (const unsigned long lastError : failures)
        qDebug("Register device failed, GetLastError:%lu\n", lastError);
    return allRegistered;
}

bool parseDeviceChangeMessage(void *message, bool *arrival, QString *path)
{
    std::u16string name;
    if (!parseDeviceChangeMsg(message, arrival, &name))
        return false;
    if (path)
        *path = QString::fromStdU16String(name);
    return true;
}
