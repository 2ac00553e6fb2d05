#include "devicebroadcast_win.h"

#include <windows.h>

#include <dbt.h>

#include <cstddef>

static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32, "published record size");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) == 28,
              "the parser reads the name at offset 28");

bool registerDeviceInterfaceNotifications(void *window, std::vector<unsigned long> *failures)
{
    // USB device interface, then disk device interface.
    static const GUID interfaceClasses[] = {
        {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}},
        {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},
    };

    bool allRegistered = true;
    for (const GUID &interfaceClass : interfaceClasses) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter;
        ZeroMemory(&filter, sizeof filter);
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = interfaceClass;
        // The handle is kept by nobody: notifications last as long as the window.
        if (!RegisterDeviceNotificationW(static_cast<HANDLE>(window), &filter,
                                         DEVICE_NOTIFY_WINDOW_HANDLE)) {
            if (failures)
                failures->push_back(GetLastError());
            allRegistered = false;
        }
    }
    return allRegistered;
}

bool parseDeviceChangeMsg(const void *message, bool *arrival, std::u16string *path)
{
    const MSG *msg = static_cast<const MSG *>(message);
    if (!msg)
        return false;
    return parseDeviceBroadcast(msg->message, static_cast<std::uintptr_t>(msg->wParam),
                                reinterpret_cast<const void *>(msg->lParam), arrival, path);
}
