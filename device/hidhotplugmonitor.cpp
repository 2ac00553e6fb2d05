#include "hidhotplugmonitor.h"

#include "devicebroadcast.h"

#include <cstring>

bool isMonitoredHidPath(const QString &path)
{
    return containsDisplayIds(path.toStdU16String());
}

HotplugEvent translateUdevEvent(const char *action, const char *sysPath)
{
    HotplugEvent event;
    if (!action || !sysPath)
        return event;
    if (std::strcmp(action, "add") == 0)
        event.kind = HotplugEvent::Arrival;
    else if (std::strcmp(action, "remove") == 0)
        event.kind = HotplugEvent::Removal;
    else
        return event;
    event.path = QString::fromLocal8Bit(sysPath);
    return event;
}

void HidHotplugMonitor::handleBroadcast(bool arrival, const QString &path)
{
    if (arrival)
        emit sigDeviceArrived(path);
    else
        emit sigDeviceRemoved(path);
}
