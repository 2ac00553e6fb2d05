// radeon: Radeon cards before GCN; one temperature, and the fan where the card has one.

#include "gpusensor.h"

#include <iterator>

namespace {

const GpuSource kRadeonSources[] = {
    {SensorKind::Temperature, GpuFolder::Hwmon, "temp1_input", nullptr, &kMilliDegrees},
    {SensorKind::Fan, GpuFolder::Hwmon, "fan1_input", nullptr, &kFanRpm},
};

} // namespace

const GpuKind kRadeonKind = {
    "radeon", "AMD Radeon GPU", kRadeonSources, std::size(kRadeonSources), nullptr,
    false,    sysfsGpuSensor};
