#ifndef DEVICEBROADCAST_H
#define DEVICEBROADCAST_H

// Windows device-change broadcasts, read without the Windows headers and without Qt so
// that the same parser is tested on every platform and under Wine.

#include <cstdint>
#include <string>

// The display's IDs as hexadecimal digits, "5131" and "2007", both somewhere in the
// path, in either order. Digits have no case, so a plain search is case-insensitive.
bool containsDisplayIds(const std::u16string &path);

// messageId/eventCode are a window message and its wParam, broadcast its lParam. True
// for an arrival or completed removal of a device interface (type 5), with the
// interface path read from the record's name, bounded by the size in its header.
// Other records are not read past the device type of their header.
bool parseDeviceBroadcast(std::uint32_t messageId, std::uintptr_t eventCode, const void *broadcast,
                          bool *arrival, std::u16string *path);

#endif // DEVICEBROADCAST_H
