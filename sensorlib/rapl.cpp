#include "rapl.h"

#include "sensortext.h"

std::vector<RaplPackage> raplPackages(const SysRoot &root)
{
    std::vector<RaplPackage> packages;
    for (const std::string &zone : root.list("sys/class/powercap")) {
        // AMD's zones carry the same name since Linux 5.11.
        if (!startsWith(zone, "intel-rapl:") || zone.find(':') != zone.rfind(':'))
            continue;
        const std::string dir = "sys/class/powercap/" + zone;
        std::string name;
        if (root.readLine(dir + "/name", &name) && startsWith(name, "package-"))
            packages.push_back({dir + "/energy_uj", dir + "/max_energy_range_uj"});
    }
    return packages;
}
