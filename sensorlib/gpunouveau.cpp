// nouveau: NVIDIA cards on the free driver; no clock or load without privileges.

#include "gpusensor.h"

#include <iterator>

namespace {

const GpuSource kNouveauSources[] = {
    {SensorKind::Temperature, GpuFolder::Hwmon, "temp1_input", nullptr, &kMilliDegrees},
    {SensorKind::Fan, GpuFolder::Hwmon, "fan1_input", nullptr, &kFanRpm},
    {SensorKind::Power, GpuFolder::Hwmon, "power1_input", nullptr, &kMicroWatts},
};

} // namespace

const GpuKind kNouveauKind = {"nouveau", "NVIDIA GPU", kNouveauSources, std::size(kNouveauSources),
                              nullptr,   false,        sysfsGpuSensor};
