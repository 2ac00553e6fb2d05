#include "packagepower.h"

#include "sensorlib/sensorrules.h"

#include <cmath>

bool averagePackagePower(const std::vector<EnergySample> &previous,
                         const std::vector<EnergySample> &current, uint64_t elapsedUs,
                         double *watts)
{
    if (previous.empty() || previous.size() != current.size())
        return false;
    double consumedUj = 0.0;
    for (size_t i = 0; i < current.size(); ++i) {
        const EnergySample &before = previous[i];
        const EnergySample &after = current[i];
        uint64_t packageUj = 0;
        if (!before.readable || !after.readable ||
            !energyConsumed(before.energyUj, after.energyUj, after.maxRangeUj, elapsedUs,
                            &packageUj))
            return false;
        consumedUj += static_cast<double>(packageUj);
    }
    // Microjoules per microsecond are watts.
    if (consumedUj > kMaxPlausibleWatts * static_cast<double>(elapsedUs))
        return false;
    *watts = std::round(consumedUj / static_cast<double>(elapsedUs) * 10.0) / 10.0;
    return true;
}
