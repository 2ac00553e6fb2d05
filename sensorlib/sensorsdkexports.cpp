// The sensor SDK contract as exported C entry points: the entry point of
// ordinal N is sensor_sdk_N. Everything else in the library is hidden.

#include "chosensensors.h"
#include "powerhelperfile.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#define QUILLON_SDK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex sensorsMutex;
std::unique_ptr<ChosenSensors> activeSensors; // guarded by sensorsMutex

// CLOCK_BOOTTIME runs on through a suspend as the energy counters do, so the pass
// after a resume sees a long interval and skips it instead of dividing the whole
// sleep's energy by one second.
uint64_t nowUs()
{
    return boottimeNs() / 1000u;
}

std::string environmentOr(const char *name, const char *fallback)
{
    const char *value = std::getenv(name);
    return value && *value ? value : fallback;
}

// NUL-terminated and never more than `capacity` bytes.
void copyText(const std::string &text, char *buffer, int capacity)
{
    if (!buffer || capacity <= 0)
        return;
    const size_t length = std::min(text.size(), static_cast<size_t>(capacity) - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = 0;
}

double readingCall(SensorKind kind, int sensor, int index, char *label, int capacity)
{
    std::lock_guard<std::mutex> lock(sensorsMutex);
    if (!activeSensors || !label || capacity <= 0)
        return 0.0;
    const SensorReading *reading = activeSensors->reading(sensor, kind, index);
    if (!reading)
        return 0.0; // the label buffer stays as the caller left it
    copyText(reading->label, label, capacity);
    return reading->value;
}

} // namespace

// Initialise: finds the sensors below QUILLON_SENSORS_ROOT (default "/"), with
// the owner's choices of sensors.conf, read once here.
QUILLON_SDK_EXPORT int sensor_sdk_411(int /*version*/)
{
    const std::string root = environmentOr("QUILLON_SENSORS_ROOT", "/");
    auto sensors = std::make_unique<ChosenSensors>(
        root, environmentOr("QUILLON_NVML_LIBRARY", "libnvidia-ml.so.1"),
        loadFieldChoices(systemChoiceFile(SysRoot(root)), userChoiceFile()));
    sensors->discover(nowUs());
    std::lock_guard<std::mutex> lock(sensorsMutex);
    activeSensors = std::move(sensors);
    return 0;
}

// Shut down: 0, or 1 when the library was not initialised.
QUILLON_SDK_EXPORT int sensor_sdk_198()
{
    std::unique_ptr<ChosenSensors> sensors;
    {
        std::lock_guard<std::mutex> lock(sensorsMutex);
        sensors = std::move(activeSensors);
    }
    return sensors ? 0 : 1;
}

QUILLON_SDK_EXPORT int sensor_sdk_623()
{
    std::lock_guard<std::mutex> lock(sensorsMutex);
    return activeSensors ? activeSensors->sensorCount() : 0;
}

// Per-sensor call: refreshes that sensor's values once per pass.
QUILLON_SDK_EXPORT int sensor_sdk_560(int sensor)
{
    std::lock_guard<std::mutex> lock(sensorsMutex);
    if (activeSensors)
        activeSensors->refresh(sensor, nowUs());
    return 0;
}

QUILLON_SDK_EXPORT int sensor_sdk_476(int sensor, char *name, int capacity)
{
    std::lock_guard<std::mutex> lock(sensorsMutex);
    if (activeSensors && sensor >= 0 && sensor < activeSensors->sensorCount())
        copyText(activeSensors->sensorName(sensor), name, capacity);
    return 0;
}

QUILLON_SDK_EXPORT double sensor_sdk_606(int sensor, int index, char *label, int capacity)
{
    return readingCall(SensorKind::Temperature, sensor, index, label, capacity);
}

QUILLON_SDK_EXPORT int sensor_sdk_734(int sensor, int index, char *label, int capacity)
{
    const double rpm = readingCall(SensorKind::Fan, sensor, index, label, capacity);
    return rpm > 0.0 && rpm < 2147483647.0 ? static_cast<int>(rpm) : 0;
}

QUILLON_SDK_EXPORT double sensor_sdk_183(int sensor, int index, char *label, int capacity)
{
    return readingCall(SensorKind::Power, sensor, index, label, capacity);
}

QUILLON_SDK_EXPORT double sensor_sdk_629(int sensor, int index, char *label, int capacity)
{
    return readingCall(SensorKind::Clock, sensor, index, label, capacity);
}

QUILLON_SDK_EXPORT double sensor_sdk_943(int sensor, int index, char *label, int capacity)
{
    return readingCall(SensorKind::Usage, sensor, index, label, capacity);
}
