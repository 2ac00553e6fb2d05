#ifndef DEVICEBROADCAST_WIN_H
#define DEVICEBROADCAST_WIN_H

// The Windows side of device broadcasts: registration and the native message.

#include "devicebroadcast.h"

#include <vector>

// Registers `window` (an HWND) for the USB device and disk device interface classes,
// in that order. The GetLastError() code of each class that failed is appended to
// *failures; true when both succeeded.
bool registerDeviceInterfaceNotifications(void *window, std::vector<unsigned long> *failures);

// `message` is the MSG* that the window's native event hook receives.
bool parseDeviceChangeMsg(const void *message, bool *arrival, std::u16string *path);

#endif // DEVICEBROADCAST_WIN_H
