#include "hidhotplugmonitor.h"

#include <cstring>

namespace {
constexpr quint32 WmDeviceChange = 0x0219;
constexpr quintptr DbtDeviceArrival = 0x8000;
constexpr quintptr DbtDeviceRemoveComplete = 0x8004;
constexpr quint32 DbtDevtypDeviceInterface = 5;
// DEV_BROADCAST_DEVICEINTERFACE_W: size, type, reserved, class GUID, then the name.
constexpr quint32 BroadcastNameOffset = 28;
// Windows paths stop well before this; it only bounds a record with a bogus size.
constexpr quint32 MaxNameUnits = 32768;
} // namespace

bool isMonitoredHidPath(const QString &path)
{
    return path.contains(QLatin1String("5131"), Qt::CaseInsensitive) &&
           path.contains(QLatin1String("2007"), Qt::CaseInsensitive);
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

bool parseDeviceChangeEvent(quint32 messageId, quintptr eventCode, const void *broadcast,
                            bool *arrival, QString *path)
{
    if (messageId != WmDeviceChange || !broadcast)
        return false;
    if (eventCode != DbtDeviceArrival && eventCode != DbtDeviceRemoveComplete)
        return false;

    const auto *bytes = static_cast<const unsigned char *>(broadcast);
    quint32 size = 0;
    quint32 deviceType = 0;
    std::memcpy(&size, bytes, sizeof size);
    std::memcpy(&deviceType, bytes + 4, sizeof deviceType);
    // Volumes, ports and the like: nothing past the header is read.
    if (deviceType != DbtDevtypDeviceInterface || size < BroadcastNameOffset)
        return false;

    const quint32 maxUnits = qMin((size - BroadcastNameOffset) / 2, MaxNameUnits);
    QString name;
    for (quint32 i = 0; i < maxUnits; ++i) {
        char16_t unit = 0;
        std::memcpy(&unit, bytes + BroadcastNameOffset + 2 * i, sizeof unit);
        if (unit == 0)
            break;
        name.append(QChar(unit));
    }
    if (arrival)
        *arrival = eventCode == DbtDeviceArrival;
    if (path)
        *path = name;
    return true;
}
