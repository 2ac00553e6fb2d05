#include "nvmlgpu.h"

#include <cstdio>
#include <dlfcn.h>

namespace {

// The few NVML types used here, as the NVML ABI defines them.
using nvmlReturn_t = int;
using nvmlDevice_t = struct nvmlDevice_st *;
struct nvmlUtilization_t
{
    unsigned int gpu;
    unsigned int memory;
};
struct nvmlFanSpeedInfo_t
{
    unsigned int version;
    unsigned int fan;
    unsigned int speed;
};
struct nvmlPciInfo_t
{
    char busIdLegacy[16];
    unsigned int domain;
    unsigned int bus;
    unsigned int device;
    unsigned int pciDeviceId;
    unsigned int pciSubSystemId;
    char busId[32];
};
constexpr nvmlReturn_t NVML_SUCCESS = 0;
constexpr int NVML_TEMPERATURE_GPU = 0;
constexpr int NVML_CLOCK_GRAPHICS = 0;
constexpr unsigned kMaxGpus = 16;

} // namespace

struct NvmlGpus::Api
{
    nvmlReturn_t (*init)() = nullptr;
    nvmlReturn_t (*shutdown)() = nullptr;
    nvmlReturn_t (*getCount)(unsigned int *) = nullptr;
    nvmlReturn_t (*getHandle)(unsigned int, nvmlDevice_t *) = nullptr;
    nvmlReturn_t (*getName)(nvmlDevice_t, char *, unsigned int) = nullptr;
    nvmlReturn_t (*getTemperature)(nvmlDevice_t, int, unsigned int *) = nullptr;
    nvmlReturn_t (*getUtilization)(nvmlDevice_t, nvmlUtilization_t *) = nullptr;
    nvmlReturn_t (*getClock)(nvmlDevice_t, int, unsigned int *) = nullptr;
    nvmlReturn_t (*getPower)(nvmlDevice_t, unsigned int *) = nullptr;
    // Optional: older drivers lack it. The percent call is no substitute.
    nvmlReturn_t (*getFanRpm)(nvmlDevice_t, nvmlFanSpeedInfo_t *) = nullptr;
    // Optional: without it the card has no address to be ordered by.
    nvmlReturn_t (*getPciInfo)(nvmlDevice_t, nvmlPciInfo_t *) = nullptr;
    nvmlDevice_t devices[kMaxGpus] = {};
};

template <typename F> static void bind(void *library, F *target, const char *name, const char *alt)
{
    void *symbol = dlsym(library, name);
    if (!symbol && alt)
        symbol = dlsym(library, alt);
    *target = reinterpret_cast<F>(symbol);
}

bool NvmlGpus::open(const std::string &libraryPath)
{
    close();
    library = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return false;
    api = new Api;
    bind(library, &api->init, "nvmlInit_v2", "nvmlInit");
    bind(library, &api->shutdown, "nvmlShutdown", nullptr);
    bind(library, &api->getCount, "nvmlDeviceGetCount_v2", "nvmlDeviceGetCount");
    bind(library, &api->getHandle, "nvmlDeviceGetHandleByIndex_v2", "nvmlDeviceGetHandleByIndex");
    bind(library, &api->getName, "nvmlDeviceGetName", nullptr);
    bind(library, &api->getTemperature, "nvmlDeviceGetTemperature", nullptr);
    bind(library, &api->getUtilization, "nvmlDeviceGetUtilizationRates", nullptr);
    bind(library, &api->getClock, "nvmlDeviceGetClockInfo", nullptr);
    bind(library, &api->getPower, "nvmlDeviceGetPowerUsage", nullptr);
    bind(library, &api->getFanRpm, "nvmlDeviceGetFanSpeedRPM", nullptr);
    // Older drivers have only _v2, whose record has the fields read here at the
    // same places.
    bind(library, &api->getPciInfo, "nvmlDeviceGetPciInfo_v3", "nvmlDeviceGetPciInfo_v2");

    unsigned int count = 0;
    if (!api->init || !api->shutdown || !api->getCount || !api->getHandle ||
        api->init() != NVML_SUCCESS) {
        delete api;
        api = nullptr;
        dlclose(library);
        library = nullptr;
        return false;
    }
    if (api->getCount(&count) != NVML_SUCCESS)
        count = 0;
    for (unsigned i = 0; i < count && i < kMaxGpus; ++i) {
        if (api->getHandle(i, &api->devices[deviceCount]) == NVML_SUCCESS)
            ++deviceCount;
    }
    return true;
}

void NvmlGpus::close()
{
    if (api && api->shutdown)
        api->shutdown();
    delete api;
    api = nullptr;
    if (library)
        dlclose(library);
    library = nullptr;
    deviceCount = 0;
}

NvmlGpus::~NvmlGpus()
{
    close();
}

std::string NvmlGpus::name(int index) const
{
    char buffer[96] = {};
    if (index < 0 || index >= deviceCount || !api->getName ||
        api->getName(api->devices[index], buffer, sizeof buffer - 1) != NVML_SUCCESS)
        return "NVIDIA GPU";
    return buffer;
}

std::string NvmlGpus::pciAddress(int index) const
{
    nvmlPciInfo_t info{};
    if (index < 0 || index >= deviceCount || !api->getPciInfo ||
        api->getPciInfo(api->devices[index], &info) != NVML_SUCCESS || info.bus > 0xff ||
        info.device > 0x1f)
        return {};
    // As sysfs writes it; NVIDIA's GPU is function 0 of its device.
    char text[24];
    std::snprintf(text, sizeof text, "%04x:%02x:%02x.0", info.domain, info.bus, info.device);
    return text;
}

NvmlGpus::Values NvmlGpus::read(int index) const
{
    Values values;
    if (index < 0 || index >= deviceCount)
        return values;
    const nvmlDevice_t device = api->devices[index];
    unsigned int number = 0;
    if (api->getTemperature &&
        api->getTemperature(device, NVML_TEMPERATURE_GPU, &number) == NVML_SUCCESS) {
        values.hasTemperature = true;
        values.temperature = number;
    }
    nvmlUtilization_t utilization{};
    if (api->getUtilization && api->getUtilization(device, &utilization) == NVML_SUCCESS) {
        values.hasLoad = true;
        values.load = utilization.gpu;
    }
    if (api->getClock && api->getClock(device, NVML_CLOCK_GRAPHICS, &number) == NVML_SUCCESS) {
        values.hasClock = true;
        values.clock = number;
    }
    if (api->getPower && api->getPower(device, &number) == NVML_SUCCESS) {
        values.hasPower = true;
        values.power = number / 1000.0; // milliwatts
    }
    nvmlFanSpeedInfo_t fan{};
    fan.version = static_cast<unsigned>(sizeof(nvmlFanSpeedInfo_t)) | (1u << 24);
    fan.fan = 0;
    if (api->getFanRpm && api->getFanRpm(device, &fan) == NVML_SUCCESS) {
        values.hasFan = true;
        values.fan = fan.speed;
    }
    return values;
}
