// i915 and xe: Intel graphics. Integrated parts give their clock only; the
// discrete cards' hwmon adds fan and an energy counter, and on xe a temperature.

#include "gpusensor.h"

#include <iterator>

namespace {

const GpuSource kI915Sources[] = {
    {SensorKind::Fan, GpuFolder::Hwmon, "fan1_input", nullptr, &kFanRpm},
    {SensorKind::Power, GpuFolder::Hwmon, "energy1_input", nullptr, nullptr},
    {SensorKind::Clock, GpuFolder::Card, "gt_act_freq_mhz", nullptr, &kMegaHertz},
};

const GpuSource kXeSources[] = {
    {SensorKind::Temperature, GpuFolder::Hwmon, "temp", "pkg", &kMilliDegrees},
    {SensorKind::Fan, GpuFolder::Hwmon, "fan1_input", nullptr, &kFanRpm},
    {SensorKind::Power, GpuFolder::Hwmon, "energy1_input", nullptr, nullptr},
    {SensorKind::Clock, GpuFolder::Device, "tile0/gt0/freq0/act_freq", nullptr, &kMegaHertz},
};

} // namespace

const GpuKind kI915Kind = {"i915", "Intel Graphics", kI915Sources, std::size(kI915Sources), nullptr,
                           false,  sysfsGpuSensor};
const GpuKind kXeKind = {"xe",  "Intel Graphics", kXeSources, std::size(kXeSources), nullptr,
                         false, sysfsGpuSensor};
