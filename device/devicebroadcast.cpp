#include "devicebroadcast.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::uint32_t kWmDeviceChange = 0x0219;
constexpr std::uintptr_t kDbtDeviceArrival = 0x8000;
constexpr std::uintptr_t kDbtDeviceRemoveComplete = 0x8004;
constexpr std::uint32_t kDbtDevtypDeviceInterface = 5;
// DEV_BROADCAST_DEVICEINTERFACE_W: size, type, reserved, class GUID, then the name.
constexpr std::uint32_t kBroadcastNameOffset = 28;
// Windows paths stop well before this; it only bounds a record with a bogus size.
constexpr std::uint32_t kMaxNameUnits = 32768;
} // namespace

bool containsDisplayIds(const std::u16string &path)
{
    return path.find(u"5131") != std::u16string::npos && path.find(u"2007") != std::u16string::npos;
}

bool parseDeviceBroadcast(std::uint32_t messageId, std::uintptr_t eventCode, const void *broadcast,
                          bool *arrival, std::u16string *path)
{
    if (messageId != kWmDeviceChange || !broadcast)
        return false;
    if (eventCode != kDbtDeviceArrival && eventCode != kDbtDeviceRemoveComplete)
        return false;

    const auto *bytes = static_cast<const unsigned char *>(broadcast);
    std::uint32_t size = 0;
    std::uint32_t deviceType = 0;
    std::memcpy(&size, bytes, sizeof size);
    std::memcpy(&deviceType, bytes + 4, sizeof deviceType);
    // Volumes, ports and the like: nothing past the header is read.
    if (deviceType != kDbtDevtypDeviceInterface || size < kBroadcastNameOffset)
        return false;

    const std::uint32_t maxUnits = std::min((size - kBroadcastNameOffset) / 2, kMaxNameUnits);
    std::u16string name;
    for (std::uint32_t i = 0; i < maxUnits; ++i) {
        char16_t unit = 0;
        std::memcpy(&unit, bytes + kBroadcastNameOffset + 2 * i, sizeof unit);
        if (unit == 0)
            break;
        name.push_back(unit);
    }
    if (arrival)
        *arrival = eventCode == kDbtDeviceArrival;
    if (path)
        *path = std::move(name);
    return true;
}
