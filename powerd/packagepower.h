#ifndef PACKAGEPOWER_H
#define PACKAGEPOWER_H

#include <cstdint>
#include <vector>

// The helper samples the counters once a period.
constexpr uint64_t kPeriodUs = 1000000;
// A longer interval is a suspend or a stall: its average is not the last
// second's, and it is skipped.
constexpr uint64_t kLongestIntervalUs = 3 * kPeriodUs;

// One package's RAPL counter at one moment.
struct EnergySample
{
    bool readable = false;
    uint64_t energyUj = 0;
    uint64_t maxRangeUj = 0; // where the counter wraps to 0; 0 when unknown
};

// Average power over `elapsedUs` between two samples of the same packages (same
// order), summed over the packages and rounded to 0.1 W. A counter that went
// down has wrapped once at its range when it was close enough to the top for
// kMaxPlausibleWatts to have reached it in the interval; otherwise it was
// reset, and no value comes out. False as well when a package was unreadable
// in either sample or beyond its range, the package lists differ, no time or
// more than kLongestIntervalUs passed, or the average exceeds
// kMaxPlausibleWatts.
bool averagePackagePower(const std::vector<EnergySample> &previous,
                         const std::vector<EnergySample> &current, uint64_t elapsedUs,
                         double *watts);

#endif // PACKAGEPOWER_H
