#ifndef RAPL_H
#define RAPL_H

// The CPU packages' RAPL energy counters under sys/class/powercap: the one rule
// that finds them, for the library and for the power helper.

#include "sysroot.h"

#include <string>
#include <vector>

struct RaplPackage
{
    std::string energy;   // the package's energy_uj, relative to the root
    std::string maxRange; // its max_energy_range_uj, where the counter wraps to 0
};

// Top-level zones whose name is "package-N", in listing order. Their parts
// ("intel-rapl:0:0", core and uncore) would count the package twice.
std::vector<RaplPackage> raplPackages(const SysRoot &root);

#endif // RAPL_H
