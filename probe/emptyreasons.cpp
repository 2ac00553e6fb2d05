#include "emptyreasons.h"

#include "powerhelperfile.h"
#include "rapl.h"
#include "sensorcounters.h"
#include "sensorrules.h"
#include "sensortext.h"
#include "sysroot.h"

#include <sys/stat.h>

#include <algorithm>

namespace {

using F = SnapshotField;

// Any kind of entry: an unreadable one still says that the driver is there.
bool present(const SysRoot &root, const std::string &relative)
{
    struct stat info = {};
    return ::stat(root.path(relative).c_str(), &info) == 0;
}

bool isGpuField(F field)
{
    return field == F::GpuTemperature || field == F::GpuUsage || field == F::GpuClock ||
           field == F::GpuPower || field == F::GpuFanSpeed;
}

// A VM's host keeps its sensors to itself; CPU usage and clock still come from the guest.
bool isHostSensorField(F field)
{
    return field != F::CpuUsage && field != F::CpuClock;
}

const char *gpuReadingName(F field)
{
    switch (field) {
    case F::GpuTemperature:
        return "temperature";
    case F::GpuUsage:
        return "usage";
    case F::GpuClock:
        return "clock";
    case F::GpuPower:
        return "power";
    default:
        break;
    }
    return "fan speed";
}

const char kSuperIoRemedy[] = "the board's Super-I/O driver is not loaded — see `sensors-detect`; "
                              "for Nuvoton chips `sudo modprobe nct6775`";

struct ReasonRow
{
    bool (*applies)(F field, const TreeFacts &facts);
    std::string (*reason)(F field, const TreeFacts &facts);
};

// First row that applies wins, so the more specific facts come first.
const ReasonRow kReasons[] = {
    {[](F f, const TreeFacts &t) { return !t.belowOne[static_cast<int>(f)].empty(); },
     [](F f, const TreeFacts &t) {
         return "\"" + t.belowOne[static_cast<int>(f)] +
                "\" reads below 1, which counts as no reading (idle or stopped)";
     }},
    {[](F f, const TreeFacts &t) { return f == F::CpuPower && t.raplRootOnly && !t.helperFile; },
     [](F, const TreeFacts &) {
         return std::string("CPU power needs the power helper: "
                            "`sudo systemctl enable --now quillon-powerd`");
     }},
    {[](F f, const TreeFacts &t) { return f == F::CpuPower && t.raplRootOnly && !t.helperFresh; },
     [](F, const TreeFacts &) {
         return std::string("the power helper's file is older than 3 s: is it running? "
                            "`systemctl status quillon-powerd`");
     }},
    {[](F f, const TreeFacts &t) { return isHostSensorField(f) && !t.virtualMachine.empty(); },
     [](F, const TreeFacts &t) {
         return "a virtual machine (" + t.virtualMachine + "): the host's sensors do not reach it";
     }},
    {[](F f, const TreeFacts &t) { return f == F::CpuPower && t.raplPackages && !t.raplReadable; },
     [](F, const TreeFacts &) {
         return std::string("a RAPL package has no readable energy_uj: the driver gives no "
                            "counter");
     }},
    {[](F f, const TreeFacts &t) { return f == F::CpuPower && !t.raplPackages; },
     [](F, const TreeFacts &) {
         return std::string("no RAPL package counters in /sys/class/powercap: "
                            "`sudo modprobe intel_rapl_msr` (AMD needs Linux 5.11 or later)");
     }},
    {[](F f, const TreeFacts &t) { return f == F::CpuTemperature && !t.cpuTemperatureDriver; },
     [](F, const TreeFacts &) {
         return std::string("no CPU temperature driver: `sudo modprobe coretemp` (Intel) or "
                            "`sudo modprobe k10temp` (AMD)");
     }},
    {[](F f, const TreeFacts &t) {
         return f == F::CpuFanSpeed && !t.boardFanChannels && t.superIo.empty();
     },
     [](F, const TreeFacts &) { return std::string("no fan sensors: ") + kSuperIoRemedy; }},
    {[](F f, const TreeFacts &t) { return f == F::CpuFanSpeed && t.boardFanChannels; },
     [](F, const TreeFacts &) {
         return std::string("no fan labelled for the CPU, and the Super-I/O's CPU header reads "
                            "nothing: is the fan on another header?");
     }},
    {[](F f, const TreeFacts &t) { return f == F::MotherboardTemperature && t.superIo.empty(); },
     [](F, const TreeFacts &) { return std::string("no board temperature: ") + kSuperIoRemedy; }},
    {[](F f, const TreeFacts &) { return f == F::MotherboardTemperature; },
     [](F, const TreeFacts &t) {
         return t.superIo + " gives no board temperature its driver documents (SYSTIN on "
                            "Nuvoton), and no chipset sensor is there: `sensors` shows its "
                            "readings";
     }},
    {[](F f, const TreeFacts &t) { return isGpuField(f) && !t.gpuDrivers.empty(); },
     [](F f, const TreeFacts &t) {
         const std::string &driver = t.gpuDrivers.front();
         std::string line = driver + " gives no GPU " + gpuReadingName(f);
         if (driver == "nouveau")
             line += "; the NVIDIA driver does, through NVML";
         else if (driver == "nvidia")
             line += " through NVML (is libnvidia-ml.so.1 installed?)";
         return line;
     }},
    {[](F f, const TreeFacts &) { return isGpuField(f); },
     [](F, const TreeFacts &) {
         return std::string("no GPU driver that gives readings (amdgpu, radeon, nouveau, i915, "
                            "xe, or NVIDIA's with NVML)");
     }},
    {[](F f, const TreeFacts &t) { return f == F::MemoryClock && !t.udevDmi; },
     [](F, const TreeFacts &) {
         return std::string("no memory speed: udev's DMI record run/udev/data/+dmi:id is "
                            "missing (systemd-udevd writes it at boot)");
     }},
    {[](F f, const TreeFacts &) { return f == F::MemoryClock; },
     [](F, const TreeFacts &) {
         return std::string("udev's DMI record has no MEMORY_DEVICE_*_SPEED_MTS: the firmware "
                            "gives no memory speed");
     }},
    {[](F f, const TreeFacts &) { return f == F::CpuClock; },
     [](F, const TreeFacts &) {
         return std::string("no cpufreq and no \"cpu MHz\" in /proc/cpuinfo");
     }},
    {[](F f, const TreeFacts &) { return f == F::CpuUsage; },
     [](F, const TreeFacts &) { return std::string("/proc/stat could not be read"); }},
};

void addOnce(std::vector<std::string> &list, const std::string &name)
{
    if (std::find(list.begin(), list.end(), name) == list.end())
        list.push_back(name);
}

std::string hypervisorName(const SysRoot &root)
{
    static const char *const kVendors[] = {"QEMU",       "KVM",       "VMware",
                                           "VirtualBox", "innotek",   "Xen",
                                           "Bochs",      "Parallels", "Virtual Machine"};
    for (const char *file : {"sys/class/dmi/id/sys_vendor", "sys/class/dmi/id/product_name"}) {
        std::string text;
        root.readLine(file, &text);
        for (const char *vendor : kVendors) {
            if (text.find(vendor) != std::string::npos)
                return text;
        }
    }
    std::string cpuinfo, flags;
    root.readText("proc/cpuinfo", &cpuinfo, 65536);
    if (cpuinfoField(cpuinfo, "flags", &flags) &&
        (" " + flags + " ").find(" hypervisor ") != std::string::npos)
        return "hypervisor flag in /proc/cpuinfo";
    return {};
}

} // namespace

TreeFacts readTreeFacts(const SysRoot &root)
{
    TreeFacts facts;
    facts.virtualMachine = hypervisorName(root);
    for (const std::string &entry : root.list("sys/class/hwmon")) {
        std::string dir = "sys/class/hwmon/" + entry, name;
        if (!root.readLine(dir + "/name", &name)) {
            dir += "/device";
            if (!root.readLine(dir + "/name", &name))
                continue;
        }
        facts.hwmonChips.push_back(name);
        const bool gpu = name == "amdgpu" || name == "nouveau" || name == "i915" || name == "xe";
        if (gpu)
            addOnce(facts.gpuDrivers, name);
        if (name == "coretemp" || name == "k10temp" || name == "zenpower")
            facts.cpuTemperatureDriver = true;
        if (isSuperIoChip(name))
            facts.superIo = name;
        if (!gpu) {
            for (const std::string &file : root.list(dir)) {
                if (startsWith(file, "fan") && file.find("_input") != std::string::npos)
                    facts.boardFanChannels = true;
            }
        }
    }
    for (const std::string &card : root.list("sys/class/drm")) {
        if (!startsWith(card, "card") || card.find('-') != std::string::npos)
            continue;
        const std::string driver = root.resolvedName("sys/class/drm/" + card + "/device/driver");
        if (!driver.empty())
            addOnce(facts.gpuDrivers, driver);
    }
    for (const RaplPackage &package : raplPackages(root)) {
        long long energy = 0;
        const bool readable = root.readInteger(package.energy, &energy);
        facts.raplReadable = facts.raplPackages ? facts.raplReadable && readable : readable;
        facts.raplRootOnly = facts.raplRootOnly || (!readable && present(root, package.energy));
        facts.raplPackages = true;
    }
    facts.helperFile = present(root, kPowerHelperFile);
    double watts = 0.0;
    facts.helperFresh = readPowerHelperFile(root, &watts);
    std::string dmi;
    facts.udevDmi = root.readText("run/udev/data/+dmi:id", &dmi, 65536);
    return facts;
}

std::string emptyFieldReason(SnapshotField field, const TreeFacts &facts)
{
    for (const ReasonRow &row : kReasons) {
        if (row.applies(field, facts))
            return row.reason(field, facts);
    }
    return "no reading with one of this field's labels";
}
