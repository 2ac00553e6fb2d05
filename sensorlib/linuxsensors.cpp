#include "linuxsensors.h"

#include "boardsensor.h"
#include "cpusensor.h"
#include "gpusensor.h"

LinuxSensors::LinuxSensors(const std::string &root, const std::string &nvmlLibrary)
    : root(root), nvmlLibrary(nvmlLibrary)
{
}

LinuxSensors::~LinuxSensors() = default;

const std::string &LinuxSensors::sensorName(int sensor) const
{
    static const std::string none;
    if (sensor < 0 || sensor >= sensorCount())
        return none;
    return sensors[static_cast<size_t>(sensor)].name;
}

const SensorReading *LinuxSensors::reading(int sensor, SensorKind kind, int index) const
{
    if (sensor < 0 || sensor >= sensorCount() || index < 0)
        return nullptr;
    const auto &list = sensors[static_cast<size_t>(sensor)].readings[static_cast<int>(kind)];
    if (static_cast<size_t>(index) >= list.size() || !list[static_cast<size_t>(index)].present)
        return nullptr;
    return &list[static_cast<size_t>(index)];
}

void LinuxSensors::refresh(int sensor, uint64_t nowUs)
{
    if (sensor < 0 || sensor >= sensorCount())
        return;
    Sensor &s = sensors[static_cast<size_t>(sensor)];
    if (s.prepare)
        s.prepare();
    for (int k = 0; k < kSensorKindCount; ++k) {
        for (size_t i = 0; i < s.sources[k].size(); ++i) {
            SensorReading &reading = s.readings[k][i];
            reading.present = s.sources[k][i](nowUs, &reading.value);
        }
    }
}

void LinuxSensors::discover(uint64_t nowUs)
{
    sensors.clear();
    nvml.close();
    Discovery discovery(root, nowUs);
    const std::vector<GpuCard> cards = gpuCards(discovery);
    sensors.push_back(cpuSensor(discovery, cards));
    // NVIDIA's driver has no hwmon: its cards are NVML's.
    nvml.open(nvmlLibrary);
    Sensor gpu;
    if (gpuSensor(discovery, cards, nvml, &gpu))
        sensors.push_back(std::move(gpu));
    Sensor board = boardSensor(discovery);
    if (!board.empty())
        sensors.push_back(std::move(board));
    record = std::move(discovery.findings);
}
