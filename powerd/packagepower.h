#ifndef PACKAGEPOWER_H
#define PACKAGEPOWER_H

#include <cstdint>
#include <vector>

// The helper samples the counters once a period.
constexpr uint64_t kPeriodUs = 1000000;

// One package's RAPL counter at one moment.
struct EnergySample
{
    bool readable = false;
    uint64_t energyUj = 0;
    uint64_t maxRangeUj = 0; // where the counter wraps to 0; 0 when unknown
};

// Average power over `elapsedUs` between two samples of the same packages (same
// order), summed over the packages and rounded to 0.1 W. Each package's part
// is the library's energyConsumed, the rule its own RAPL readings follow: no
// value comes out for a reset, a counter beyond its range, or an interval of no
// time or a long one. False as well when a package was unreadable in either
// sample, the package lists differ, or the average exceeds kMaxPlausibleWatts.
bool averagePackagePower(const std::vector<EnergySample> &previous,
                         const std::vector<EnergySample> &current, uint64_t elapsedUs,
                         double *watts);

#endif // PACKAGEPOWER_H
