#ifndef PACKAGEPOWER_H
#define PACKAGEPOWER_H

#include <cstdint>
#include <vector>

// One package's RAPL counter at one moment.
struct EnergySample
{
    bool readable = false;
    uint64_t energyUj = 0;
    uint64_t maxRangeUj = 0; // where the counter wraps to 0; 0 when unknown
};

// Average power over `elapsedUs` between two samples of the same packages (same
// order), summed over the packages and rounded to 0.1 W. A counter that went
// down has wrapped once at its range; without a range above the earlier value
// it was reset, and no value comes out. False as well when a package was
// unreadable in either sample, the package lists differ, or no time passed.
bool averagePackagePower(const std::vector<EnergySample> &previous,
                         const std::vector<EnergySample> &current, uint64_t elapsedUs,
                         double *watts);

#endif // PACKAGEPOWER_H
