#include "cpusensor.h"

#include "powerhelperfile.h"
#include "rapl.h"
#include "sensorcounters.h"
#include "sensortext.h"

#include <atomic>
#include <cstdio>
#include <memory>

namespace {

using Outcome = Finding::Outcome;

const char kPackagePower[] = "CPU Package Power";

// The hottest of several readings.
ReadFn hottest(std::vector<ReadFn> reads)
{
    return [reads](uint64_t now, double *value) {
        bool any = false;
        for (const ReadFn &read : reads) {
            double t = 0;
            if (read(now, &t) && (!any || t > *value)) {
                *value = t;
                any = true;
            }
        }
        return any;
    };
}

// A CPU temperature driver's way with its chip: true when it added the
// reading; else `why` says what the chip lacks.
using TemperatureFn = bool (*)(const Discovery &discovery, const Chip &chip, int cpuFamily,
                               Sensor *cpu, std::string *why);

bool coretempTemperature(const Discovery &discovery, const Chip &chip, int, Sensor *cpu,
                         std::string *why)
{
    const std::string package = discovery.labelledInput(chip, "temp", "Package id 0");
    if (!package.empty()) {
        cpu->add(SensorKind::Temperature, "CPU Package",
                 discovery.attribute(package, kMilliDegrees));
        return true;
    }
    const std::vector<std::string> cores = discovery.labelledInputs(
        chip, "temp", [](const std::string &text) { return startsWith(text, "Core "); });
    if (cores.empty()) {
        *why = "no channel labelled \"Package id 0\" or \"Core N\"";
        return false;
    }
    std::vector<ReadFn> reads;
    for (const std::string &core : cores)
        reads.push_back(discovery.attribute(core, kMilliDegrees));
    cpu->add(SensorKind::Temperature, "CPU Package", hottest(reads));
    return true;
}

bool amdTemperature(const Discovery &discovery, const Chip &chip, int cpuFamily, Sensor *cpu,
                    std::string *why)
{
    // Tdie exists only where Tctl carries an offset.
    std::string input = discovery.labelledInput(chip, "temp", "Tdie");
    if (input.empty())
        input = discovery.labelledInput(chip, "temp", "Tctl");
    if (!input.empty()) {
        cpu->add(SensorKind::Temperature, "CPU (Tctl/Tdie)",
                 discovery.attribute(input, kMilliDegrees));
        return true;
    }
    // Families 10h to 16h: one unlabelled reading, the processor's.
    if (chip.name == "k10temp" && isK10Family(cpuFamily) &&
        discovery.root.isFile(chip.dir + "/temp1_input")) {
        cpu->add(SensorKind::Temperature, "CPU Temperature",
                 discovery.attribute(chip.dir + "/temp1_input", kMilliDegrees));
        return true;
    }
    *why = "no channel labelled \"Tctl\" or \"Tdie\"";
    return false;
}

struct TemperatureDriver
{
    const char *name;
    TemperatureFn add;
};

// The processors' own temperature drivers; the first chip of one that gives
// a reading is the CPU's.
const TemperatureDriver kTemperatureDrivers[] = {
    {"coretemp", coretempTemperature},
    {"k10temp", amdTemperature},
    {"zenpower", amdTemperature},
};

const TemperatureDriver *temperatureDriver(const std::string &name)
{
    for (const TemperatureDriver &driver : kTemperatureDrivers) {
        if (name == driver.name)
            return &driver;
    }
    return nullptr;
}

void addTemperature(Discovery &discovery, int cpuFamily, Sensor *cpu)
{
    bool found = false, anyDriver = false;
    for (const Chip &chip : discovery.chips) {
        const TemperatureDriver *driver = temperatureDriver(chip.name);
        if (!driver)
            continue;
        anyDriver = true;
        std::string why;
        if (found) {
            discovery.note(Finding::Kind::CpuTemperature, chip.dir, chip.name, Outcome::PassedOver,
                           "a chip before it gives the CPU temperature");
        } else if (driver->add(discovery, chip, cpuFamily, cpu, &why)) {
            found = true;
            discovery.note(Finding::Kind::CpuTemperature, chip.dir, chip.name, Outcome::Used,
                           "the processor's own sensor");
        } else {
            discovery.note(Finding::Kind::CpuTemperature, chip.dir, chip.name, Outcome::PassedOver,
                           why);
        }
    }
    if (found)
        return;
    const std::string zone =
        discovery.thermalZone([](const std::string &type) { return type == "x86_pkg_temp"; });
    if (!zone.empty()) {
        cpu->add(SensorKind::Temperature, "CPU Package",
                 discovery.attribute(zone + "/temp", kMilliDegrees));
        discovery.note(Finding::Kind::CpuTemperature, zone, "x86_pkg_temp", Outcome::Used,
                       "the package's thermal zone");
        return;
    }
    // ARM boards and SoCs: the zone their device tree gives the CPU, where no
    // CPU driver of the table above is loaded to say otherwise.
    if (anyDriver)
        return;
    const std::string soc = discovery.thermalZone(isSocCpuZone);
    if (!soc.empty()) {
        cpu->add(SensorKind::Temperature, "CPU Temperature",
                 discovery.attribute(soc + "/temp", kMilliDegrees));
        discovery.note(Finding::Kind::CpuTemperature, soc, "", Outcome::Used,
                       "the thermal zone the device tree gives the CPU");
    }
}

ReadFn usage(const Discovery &discovery)
{
    // The first pass measures from this baseline; without one, since boot.
    auto previous = std::make_shared<CpuTimes>();
    auto hasPrevious = std::make_shared<bool>(false);
    auto stat = std::make_shared<Attribute>(discovery.root.path("proc/stat"));
    auto sample = [stat, previous, hasPrevious](uint64_t, double *value) {
        std::string text;
        CpuTimes current;
        // The aggregate line comes first.
        if (!stat->read(&text, 512) || !parseCpuTimes(text, &current))
            return false;
        double percent = *hasPrevious ? cpuUsagePercent(*previous, current) : -1.0;
        if (percent < 0.0) // no tick passed since the last sample
            percent = cpuUsagePercent(CpuTimes{}, current);
        *previous = current;
        *hasPrevious = true;
        if (percent < 0.0)
            return false;
        *value = percent;
        return true;
    };
    double ignored = 0;
    sample(discovery.nowUs, &ignored);
    return sample;
}

ReadFn clock(const Discovery &discovery)
{
    const std::string curFreq = "sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq";
    if (discovery.root.isFile(curFreq))
        return discovery.attribute(curFreq, kKiloHertz);
    // Virtual machines often lack cpufreq. Only the first processor's block is
    // needed, and procfs generates no more than is read.
    auto file = std::make_shared<Attribute>(discovery.root.path("proc/cpuinfo"));
    return [file](uint64_t, double *value) {
        std::string text, mhz;
        if (!file->readUpTo("cpu MHz", &text, 65536) || !cpuinfoField(text, "cpu MHz", &mhz))
            return false;
        double parsed = 0.0;
        if (!parseDecimal(mhz, &parsed) || !(parsed > 0.0 && parsed <= kMegaHertz.max))
            return false;
        *value = parsed;
        return true;
    };
}

void reportUnreadableEnergy(const std::string &path)
{
    // Once per process: the library has no log of its own, and the reason is
    // a system setting, not a fault.
    static std::atomic<bool> reported{false};
    if (reported.exchange(true))
        return;
    std::fprintf(stderr,
                 "quillon-sensors: CPU package power unavailable: %s is root-only and the "
                 "power helper is not running (sudo systemctl enable --now quillon-powerd)\n",
                 path.c_str());
}

enum class Rapl
{
    Used,
    Unreadable, // a package's counter cannot be read
    None,
};

// The packages' counters, when every one can be read.
Rapl addRapl(Discovery &discovery, Sensor *cpu)
{
    const SysRoot &root = discovery.root;
    std::vector<std::string> counters;
    std::vector<uint64_t> ranges;
    bool unreadable = false;
    for (const RaplPackage &package : raplPackages(root)) {
        long long range = 0, counter = 0;
        if (!root.readInteger(package.energy, &counter) || counter < 0) {
            double helperWatts = 0.0;
            if (root.isFile(package.energy) && !readPowerHelperFile(root, &helperWatts))
                reportUnreadableEnergy(root.path(package.energy));
            unreadable = true;
            if (!root.exists(package.energy))
                discovery.note(Finding::Kind::RaplPackage, package.energy, "", Outcome::Missing,
                               "the zone has no energy counter");
            else if (counter < 0)
                discovery.note(Finding::Kind::RaplPackage, package.energy, "", Outcome::PassedOver,
                               "a negative count");
            else
                discovery.note(Finding::Kind::RaplPackage, package.energy, "", Outcome::Unreadable,
                               "root-only since the fix for CVE-2020-8694: the power helper "
                               "reads it");
            continue;
        }
        counters.push_back(package.energy);
        ranges.push_back(root.readInteger(package.maxRange, &range) && range > 0
                             ? static_cast<uint64_t>(range)
                             : 0);
    }
    for (const std::string &counter : counters)
        discovery.note(Finding::Kind::RaplPackage, counter, "",
                       unreadable ? Outcome::PassedOver : Outcome::Used,
                       unreadable ? "another package's counter cannot be read: the sum would "
                                    "be short"
                                  : "the package's energy counter");
    if (unreadable)
        return Rapl::Unreadable;
    if (counters.empty())
        return Rapl::None;
    cpu->add(SensorKind::Power, kPackagePower, discovery.energy(counters, ranges));
    return Rapl::Used;
}

// quillon-powerd's figure, looked at on every refresh, so that a helper
// started later is picked up.
void addHelper(Discovery &discovery, Rapl rapl, Sensor *cpu)
{
    const SysRoot &root = discovery.root;
    const bool wanted =
        rapl == Rapl::Unreadable || (rapl == Rapl::None && root.isFile(kPowerHelperFile));
    double watts = 0.0;
    if (!root.exists(kPowerHelperFile))
        discovery.note(Finding::Kind::PowerHelper, kPowerHelperFile, "quillon-powerd",
                       Outcome::Missing, "the power helper is not running");
    else if (wanted && readPowerHelperFile(root, &watts))
        discovery.note(Finding::Kind::PowerHelper, kPowerHelperFile, "quillon-powerd",
                       Outcome::Used, "the power helper's figure");
    else
        discovery.note(Finding::Kind::PowerHelper, kPowerHelperFile, "quillon-powerd",
                       Outcome::PassedOver,
                       rapl == Rapl::Used ? "the counters can be read here"
                                          : "older than 3 s, or others may write it");
    if (!wanted)
        return;
    const SysRoot helperRoot = root;
    cpu->add(SensorKind::Power, kPackagePower, [helperRoot](uint64_t, double *value) {
        return readPowerHelperFile(helperRoot, value);
    });
}

ReadFn zenpowerPower(const Discovery &discovery, const Chip &chip)
{
    const ReadFn core = discovery.attribute(chip.dir + "/power1_input", kMicroWatts);
    const ReadFn soc = discovery.attribute(chip.dir + "/power2_input", kMicroWatts);
    return [core, soc](uint64_t now, double *value) {
        double a = 0, b = 0;
        if (!core(now, &a) || !soc(now, &b))
            return false;
        *value = a + b;
        return true;
    };
}

ReadFn fam15hPower(const Discovery &discovery, const Chip &chip)
{
    const std::string input = chip.dir + "/power1_input";
    return discovery.root.isFile(input) ? discovery.attribute(input, kMicroWatts) : ReadFn();
}

struct PowerStandIn
{
    const char *driver;
    ReadFn (*read)(const Discovery &discovery, const Chip &chip); // empty: the chip has none
    const char *what;
};

// Without RAPL, in order: zenpower's core plus SoC rails; the family 15h/16h
// processor power. Last come the APUs' socket power, CPU included.
const PowerStandIn kPowerStandIns[] = {
    {"zenpower", zenpowerPower, "the core and SoC rails"},
    {"fam15h_power", fam15hPower, "the processor's power"},
};

void addStandIn(Discovery &discovery, const std::vector<GpuCard> &gpus, Sensor *cpu)
{
    for (const PowerStandIn &standIn : kPowerStandIns) {
        for (const Chip &chip : discovery.chips) {
            if (chip.name != standIn.driver)
                continue;
            if (ReadFn read = standIn.read(discovery, chip)) {
                cpu->add(SensorKind::Power, kPackagePower, std::move(read));
                discovery.note(Finding::Kind::CpuPower, chip.dir, chip.name, Outcome::Used,
                               standIn.what);
                return;
            }
        }
    }
    for (const GpuCard &card : gpus) {
        if (ReadFn read = gpuSocketPower(discovery, card)) {
            cpu->add(SensorKind::Power, kPackagePower, std::move(read));
            discovery.note(Finding::Kind::CpuPower, card.source, card.kind->driver, Outcome::Used,
                           "the APU's socket power, graphics included");
            return;
        }
    }
}

void addPower(Discovery &discovery, const std::vector<GpuCard> &gpus, Sensor *cpu)
{
    const Rapl rapl = addRapl(discovery, cpu);
    // Root-only counters: the helper's figure, while its file is fresh, comes
    // before the stand-ins, which cover for it when it is not.
    addHelper(discovery, rapl, cpu);
    if (rapl != Rapl::Used)
        addStandIn(discovery, gpus, cpu);
}

} // namespace

Sensor cpuSensor(Discovery &discovery, const std::vector<GpuCard> &gpus)
{
    Sensor cpu;
    std::string cpuinfo, family;
    discovery.root.readText("proc/cpuinfo", &cpuinfo, 8192);
    if (!cpuinfoField(cpuinfo, "model name", &cpu.name) || cpu.name.empty())
        cpu.name = "CPU";
    long long familyNumber = -1;
    if (!cpuinfoField(cpuinfo, "cpu family", &family) || !parseInteger(family, &familyNumber))
        familyNumber = -1;

    addTemperature(discovery, static_cast<int>(familyNumber), &cpu);
    cpu.add(SensorKind::Usage, "Total CPU Usage", usage(discovery));
    cpu.add(SensorKind::Clock, "Core 0 Clock", clock(discovery));
    addPower(discovery, gpus, &cpu);
    return cpu;
}
