#include "packagepower.h"

#include "sensorlib/sensorrules.h"

#include <cmath>

namespace {

bool withinRange(const EnergySample &sample)
{
    return sample.maxRangeUj == 0 || sample.energyUj <= sample.maxRangeUj;
}

} // namespace

bool averagePackagePower(const std::vector<EnergySample> &previous,
                         const std::vector<EnergySample> &current, uint64_t elapsedUs,
                         double *watts)
{
    if (elapsedUs == 0 || elapsedUs > kLongestIntervalUs || previous.empty() ||
        previous.size() != current.size())
        return false;
    // Microjoules per microsecond are watts.
    const double mostUj = kMaxPlausibleWatts * static_cast<double>(elapsedUs);
    double consumedUj = 0.0;
    for (size_t i = 0; i < current.size(); ++i) {
        const EnergySample &before = previous[i];
        const EnergySample &after = current[i];
        if (!before.readable || !after.readable || !withinRange(before) || !withinRange(after))
            return false;
        if (after.energyUj >= before.energyUj) {
            consumedUj += static_cast<double>(after.energyUj - before.energyUj);
            continue;
        }
        if (after.maxRangeUj < before.energyUj ||
            static_cast<double>(after.maxRangeUj - before.energyUj) > mostUj)
            return false;
        consumedUj += static_cast<double>(after.maxRangeUj - before.energyUj + after.energyUj);
    }
    if (consumedUj > mostUj)
        return false;
    *watts = std::round(consumedUj / static_cast<double>(elapsedUs) * 10.0) / 10.0;
    return true;
}
