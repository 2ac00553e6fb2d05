#include "emptyreasons.h"

#include "sensorlib/discovery.h"

namespace {

using F = SnapshotField;

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
    {[](F f, const TreeFacts &t) { return f == F::CpuTemperature && !t.cpuTemperatureSource; },
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
    {[](F f, const TreeFacts &t) { return isGpuField(f) && !t.gpuDriver.empty(); },
     [](F f, const TreeFacts &t) {
         std::string line = t.gpuDriver + " gives no GPU " + gpuReadingName(f);
         if (t.gpuDriver == "nouveau")
             line += "; the NVIDIA driver does, through NVML";
         else if (t.gpuDriver == "nvidia")
             line +=
                 t.gpuChosen ? " through NVML" : " through NVML (is libnvidia-ml.so.1 installed?)";
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

} // namespace

TreeFacts treeFacts(const std::vector<Finding> &findings)
{
    using Kind = Finding::Kind;
    using Outcome = Finding::Outcome;
    TreeFacts facts;
    facts.raplReadable = true;
    for (const Finding &finding : findings) {
        switch (finding.kind) {
        case Kind::Machine:
            facts.virtualMachine = finding.name;
            break;
        case Kind::Gpu:
            if (finding.outcome == Outcome::Used || facts.gpuDriver.empty()) {
                facts.gpuDriver = finding.name;
                facts.gpuChosen = finding.outcome == Outcome::Used;
            }
            break;
        case Kind::CpuTemperature:
            facts.cpuTemperatureSource = true;
            break;
        case Kind::Fan:
            facts.boardFanChannels = true;
            break;
        case Kind::SuperIo:
            if (facts.superIo.empty())
                facts.superIo = finding.name;
            break;
        case Kind::RaplPackage:
            facts.raplPackages = true;
            facts.raplReadable = facts.raplReadable && finding.outcome == Outcome::Used;
            facts.raplRootOnly = facts.raplRootOnly || finding.outcome == Outcome::Unreadable;
            break;
        case Kind::PowerHelper:
            facts.helperFile = finding.outcome != Outcome::Missing;
            facts.helperFresh = finding.outcome == Outcome::Used;
            break;
        case Kind::MemorySpeed:
            facts.udevDmi =
                finding.outcome == Outcome::Used || finding.outcome == Outcome::PassedOver;
            break;
        case Kind::Chip:
        case Kind::CpuPower:
            break;
        }
    }
    facts.raplReadable = facts.raplReadable && facts.raplPackages;
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
