#include "packagepower.h"

#include <cmath>

bool averagePackagePower(const std::vector<EnergySample> &previous,
                         const std::vector<EnergySample> &current, uint64_t elapsedUs,
                         double *watts)
{
    if (elapsedUs == 0 || previous.empty() || previous.size() != current.size())
        return false;
    double consumedUj = 0.0;
    for (size_t i = 0; i < current.size(); ++i) {
        const EnergySample &before = previous[i];
        const EnergySample &after = current[i];
        if (!before.readable || !after.readable)
            return false;
        if (after.energyUj >= before.energyUj) {
            consumedUj += static_cast<double>(after.energyUj - before.energyUj);
        } else {
            if (after.maxRangeUj <= before.energyUj || after.energyUj > after.maxRangeUj)
                return false;
            consumedUj += static_cast<double>(after.maxRangeUj - before.energyUj + after.energyUj);
        }
    }
    // Microjoules per microsecond are watts.
    *watts = std::round(consumedUj / static_cast<double>(elapsedUs) * 10.0) / 10.0;
    return true;
}
