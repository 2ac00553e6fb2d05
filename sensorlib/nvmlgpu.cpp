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
    m_library = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_library)
        return false;
    m_api = new Api;
    bind(m_library, &m_api->init, "nvmlInit_v2", "nvmlInit");
    bind(m_library, &m_api->shutdown, "nvmlShutdown", nullptr);
    bind(m_library, &m_api->getCount, "nvmlDeviceGetCount_v2", "nvmlDeviceGetCount");
    bind(m_library, &m_api->getHandle, "nvmlDeviceGetHandleByIndex_v2",
         "nvmlDeviceGetHandleByIndex");
    bind(m_library, &m_api->getName, "nvmlDeviceGetName", nullptr);
    bind(m_library, &m_api->getTemperature, "nvmlDeviceGetTemperature", nullptr);
    bind(m_library, &m_api->getUtilization, "nvmlDeviceGetUtilizationRates", nullptr);
    bind(m_library, &m_api->getClock, "nvmlDeviceGetClockInfo", nullptr);
    bind(m_library, &m_api->getPower, "nvmlDeviceGetPowerUsage", nullptr);
    bind(m_library, &m_api->getFanRpm, "nvmlDeviceGetFanSpeedRPM", nullptr);
    // Older drivers have only _v2, whose record has the fields read here at the
    // same places.
    bind(m_library, &m_api->getPciInfo, "nvmlDeviceGetPciInfo_v3", "nvmlDeviceGetPciInfo_v2");

    unsigned int count = 0;
    if (!m_api->init || !m_api->shutdown || !m_api->getCount || !m_api->getHandle ||
        m_api->init() != NVML_SUCCESS) {
        delete m_api;
        m_api = nullptr;
        dlclose(m_library);
        m_library = nullptr;
        return false;
    }
    if (m_api->getCount(&count) != NVML_SUCCESS)
        count = 0;
    for (unsigned i = 0; i < count && i < kMaxGpus; ++i) {
        if (m_api->getHandle(i, &m_api->devices[m_count]) == NVML_SUCCESS)
            ++m_count;
    }
    return true;
}

void NvmlGpus::close()
{
    if (m_api && m_api->shutdown)
        m_api->shutdown();
    delete m_api;
    m_api = nullptr;
    if (m_library)
        dlclose(m_library);
    m_library = nullptr;
    m_count = 0;
}

NvmlGpus::~NvmlGpus()
{
    close();
}

std::string NvmlGpus::name(int index) const
{
    char buffer[96] = {};
    if (index < 0 || index >= m_count || !m_api->getName ||
        m_api->getName(m_api->devices[index], buffer, sizeof buffer - 1) != NVML_SUCCESS)
        return "NVIDIA GPU";
    return buffer;
}

std::string NvmlGpus::pciAddress(int index) const
{
    nvmlPciInfo_t info{};
    if (index < 0 || index >= m_count || !m_api->getPciInfo ||
        m_api->getPciInfo(m_api->devices[index], &info) != NVML_SUCCESS || info.bus > 0xff ||
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
    if (index < 0 || index >= m_count)
        return values;
    const nvmlDevice_t device = m_api->devices[index];
    unsigned int number = 0;
    if (m_api->getTemperature &&
        m_api->getTemperature(device, NVML_TEMPERATURE_GPU, &number) == NVML_SUCCESS) {
        values.hasTemperature = true;
        values.temperature = number;
    }
    nvmlUtilization_t utilization{};
    if (m_api->getUtilization && m_api->getUtilization(device, &utilization) == NVML_SUCCESS) {
        values.hasLoad = true;
        values.load = utilization.gpu;
    }
    if (m_api->getClock && m_api->getClock(device, NVML_CLOCK_GRAPHICS, &number) == NVML_SUCCESS) {
        values.hasClock = true;
        values.clock = number;
    }
    if (m_api->getPower && m_api->getPower(device, &number) == NVML_SUCCESS) {
        values.hasPower = true;
        values.power = number / 1000.0; // milliwatts
    }
    nvmlFanSpeedInfo_t fan{};
    fan.version = static_cast<unsigned>(sizeof(nvmlFanSpeedInfo_t)) | (1u << 24);
    fan.fan = 0;
    if (m_api->getFanRpm && m_api->getFanRpm(device, &fan) == NVML_SUCCESS) {
        values.hasFan = true;
        values.fan = fan.speed;
    }
    return values;
}
