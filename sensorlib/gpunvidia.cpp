// NVIDIA's own driver: no hwmon, so its cards are read through NVML, all five
// readings from one query per pass.

#include "gpusensor.h"

#include <memory>

namespace {

Sensor nvidiaSensor(const Discovery &, const GpuCard &card)
{
    Sensor gpu;
    const NvmlGpus *nvml = card.nvml;
    const int index = card.nvmlIndex;
    gpu.name = nvml->name(index);
    auto values = std::make_shared<NvmlGpus::Values>();
    gpu.prepare = [nvml, values, index] { *values = nvml->read(index); };
    using V = NvmlGpus::Values;
    auto field = [values](bool V::*has, double V::*number, const Conversion &range) {
        return [values, has, number, range](uint64_t, double *value) {
            const double v = (*values).*number;
            if (!((*values).*has) || !(v >= range.min && v <= range.max))
                return false;
            *value = v;
            return true;
        };
    };
    const auto add = [&gpu](SensorKind kind, ReadFn read) {
        gpu.add(kind, gpuReadingLabel(kind), std::move(read));
    };
    add(SensorKind::Temperature, field(&V::hasTemperature, &V::temperature, kMilliDegrees));
    add(SensorKind::Fan, field(&V::hasFan, &V::fan, kFanRpm));
    add(SensorKind::Power, field(&V::hasPower, &V::power, kMicroWatts));
    add(SensorKind::Clock, field(&V::hasClock, &V::clock, kMegaHertz));
    add(SensorKind::Usage, field(&V::hasLoad, &V::load, kPercent));
    return gpu;
}

} // namespace

const GpuKind kNvidiaKind = {"nvidia", "NVIDIA GPU", nullptr, 0, nullptr, false, nvidiaSensor};
