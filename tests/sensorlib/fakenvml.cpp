// A stand-in NVML library: one GPU (FAKENVML_COUNT overrides) with fixed
// readings, on PCI bus 1 (FAKENVML_BUS overrides). Built with and without
// nvmlDeviceGetFanSpeedRPM, which older drivers lack; the percent call always
// exists and must never be read as RPM.

#include <cstdlib>
#include <cstring>

#define NVML_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
struct Device
{
    int index;
};
Device devices[8] = {{0}, {1}, {2}, {3}, {4}, {5}, {6}, {7}};
bool initialised = false;
constexpr int kSuccess = 0, kUninitialized = 1, kInvalidArgument = 2, kArgumentVersionMismatch = 25;

unsigned deviceCount()
{
    const char *count = std::getenv("FAKENVML_COUNT");
    const int n = count ? std::atoi(count) : 1;
    return n < 0 ? 0u : n > 8 ? 8u : unsigned(n);
}
} // namespace

struct nvmlUtilization_t
{
    unsigned gpu, memory;
};
struct nvmlFanSpeedInfo_t
{
    unsigned version, fan, speed;
};
struct nvmlPciInfo_t
{
    char busIdLegacy[16];
    unsigned domain, bus, device, pciDeviceId, pciSubSystemId;
    char busId[32];
};

NVML_EXPORT int nvmlInit_v2()
{
    initialised = true;
    return kSuccess;
}
NVML_EXPORT int nvmlShutdown()
{
    initialised = false;
    return kSuccess;
}
NVML_EXPORT int nvmlDeviceGetCount_v2(unsigned *count)
{
    if (!initialised)
        return kUninitialized;
    *count = deviceCount();
    return kSuccess;
}
NVML_EXPORT int nvmlDeviceGetHandleByIndex_v2(unsigned index, Device **device)
{
    if (index >= deviceCount())
        return kInvalidArgument;
    *device = &devices[index];
    return kSuccess;
}
NVML_EXPORT int nvmlDeviceGetName(Device *, char *name, unsigned length)
{
    std::strncpy(name, "NVIDIA GeForce RTX 3070", length);
    name[length - 1] = 0;
    return kSuccess;
}
NVML_EXPORT int nvmlDeviceGetTemperature(Device *, int sensor, unsigned *temperature)
{
    if (sensor != 0)
        return kInvalidArgument;
    *temperature = 61;
    return kSuccess;
}
NVML_EXPORT int nvmlDeviceGetUtilizationRates(Device *, nvmlUtilization_t *utilization)
{
    utilization->gpu = 37;
    utilization->memory = 12;
    return kSuccess;
}
NVML_EXPORT int nvmlDeviceGetClockInfo(Device *, int type, unsigned *clock)
{
    *clock = type == 0 ? 1905 : 7000; // graphics, else memory or SM
    return kSuccess;
}
NVML_EXPORT int nvmlDeviceGetPowerUsage(Device *, unsigned *milliwatts)
{
    *milliwatts = 215500;
    return kSuccess;
}
// Device i sits on bus FAKENVML_BUS + i (hex, default 1).
NVML_EXPORT int nvmlDeviceGetPciInfo_v3(Device *device, nvmlPciInfo_t *info)
{
    const char *bus = std::getenv("FAKENVML_BUS");
    std::memset(info, 0, sizeof *info);
    info->bus = (bus ? unsigned(std::strtoul(bus, nullptr, 16)) : 1u) + unsigned(device->index);
    return kSuccess;
}
NVML_EXPORT int nvmlDeviceGetFanSpeed(Device *, unsigned *percent)
{
    *percent = 40;
    return kSuccess;
}
#ifdef FAKENVML_RPM
NVML_EXPORT int nvmlDeviceGetFanSpeedRPM(Device *, nvmlFanSpeedInfo_t *info)
{
    if (info->version != (sizeof(nvmlFanSpeedInfo_t) | (1u << 24)))
        return kArgumentVersionMismatch;
    info->speed = info->fan == 0 ? 1450 : 0;
    return kSuccess;
}
#endif
