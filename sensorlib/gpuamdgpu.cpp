// amdgpu: Radeon cards and the APUs' graphics since GCN.

#include "gpusensor.h"

#include <iterator>

namespace {

const GpuSource kAmdgpuSources[] = {
    {SensorKind::Temperature, GpuFolder::Hwmon, "temp", "edge", &kMilliDegrees},
    {SensorKind::Fan, GpuFolder::Hwmon, "fan1_input", nullptr, &kFanRpm},
    // Some cards on recent kernels have only the instantaneous input.
    {SensorKind::Power, GpuFolder::Hwmon, "power1_average", nullptr, &kMicroWatts},
    {SensorKind::Power, GpuFolder::Hwmon, "power1_input", nullptr, &kMicroWatts},
    {SensorKind::Clock, GpuFolder::Hwmon, "freq", "sclk", &kHertz},
    // Only amdgpu tells the load without privileges.
    {SensorKind::Usage, GpuFolder::Device, "gpu_busy_percent", nullptr, &kPercent},
};

} // namespace

// The northbridge voltage, in1, is reported on APUs only.
const GpuKind kAmdgpuKind = {
    "amdgpu", "AMD Radeon GPU", kAmdgpuSources, std::size(kAmdgpuSources), "in1_input",
    true,     sysfsGpuSensor};
