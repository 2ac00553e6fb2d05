#include "linuxsensors.h"

#include "powerhelperfile.h"
#include "rapl.h"
#include "sensorcounters.h"
#include "sensortext.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>

namespace {

// One attribute file, converted on every read. A type of its own, so that a
// reading can say which file it comes from.
struct AttributeRead
{
    std::shared_ptr<Attribute> file;
    Conversion conversion;
    bool operator()(uint64_t, double *value) const
    {
        long long raw = 0;
        return file->readInteger(&raw) && convertReading(raw, conversion, value);
    }
};

// "temp3_label" -> "temp3" for prefix "temp"; empty when it is no label file.
std::string channelOfLabel(const std::string &file, const std::string &prefix)
{
    const std::string tail = "_label";
    if (!startsWith(file, prefix) || file.size() <= prefix.size() + tail.size() ||
        file.compare(file.size() - tail.size(), tail.size(), tail) != 0)
        return {};
    return file.substr(0, file.size() - tail.size());
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

} // namespace

void LinuxSensors::Sensor::add(SensorKind kind, const std::string &label, ReadFn read)
{
    const int k = static_cast<int>(kind);
    SensorReading reading;
    reading.label = label;
    if (const AttributeRead *file = read.target<AttributeRead>())
        reading.source = file->file->path();
    sources[k].push_back(std::move(read));
    readings[k].push_back(reading);
}

LinuxSensors::LinuxSensors(const std::string &root, const std::string &nvmlLibrary)
    : root(root), nvmlLibrary(nvmlLibrary)
{
}

LinuxSensors::~LinuxSensors() = default;

const std::string &LinuxSensors::sensorName(int sensor) const
{
    static const std::string none;
    if (sensor < 0 || sensor >= sensorCount())
        return none;
    return sensors[static_cast<size_t>(sensor)].name;
}

const SensorReading *LinuxSensors::reading(int sensor, SensorKind kind, int index) const
{
    if (sensor < 0 || sensor >= sensorCount() || index < 0)
        return nullptr;
    const auto &list = sensors[static_cast<size_t>(sensor)].readings[static_cast<int>(kind)];
    if (static_cast<size_t>(index) >= list.size() || !list[static_cast<size_t>(index)].present)
        return nullptr;
    return &list[static_cast<size_t>(index)];
}

void LinuxSensors::refresh(int sensor, uint64_t nowUs)
{
    if (sensor < 0 || sensor >= sensorCount())
        return;
    Sensor &s = sensors[static_cast<size_t>(sensor)];
    if (s.prepare)
        s.prepare();
    for (int k = 0; k < kSensorKindCount; ++k) {
        for (size_t i = 0; i < s.sources[k].size(); ++i) {
            SensorReading &reading = s.readings[k][i];
            reading.present = s.sources[k][i](nowUs, &reading.value);
        }
    }
}

struct LinuxSensors::Gpu
{
    GpuDriver driver = GpuDriver::None;
    std::string pci;    // "0000:03:00.0"
    std::string device; // the PCI device folder, through a link
    std::string hwmon;  // its hwmon folder; empty when it has none
    std::string card;   // its drm card folder; empty when none was found
    bool integrated = false;
};

std::vector<LinuxSensors::Chip> LinuxSensors::hwmonChips() const
{
    std::vector<Chip> chips;
    for (const std::string &entry : root.list("sys/class/hwmon")) {
        Chip chip;
        chip.dir = "sys/class/hwmon/" + entry;
        // Old drivers keep their attributes in the device folder.
        if (!root.readLine(chip.dir + "/name", &chip.name)) {
            chip.dir += "/device";
            if (!root.readLine(chip.dir + "/name", &chip.name))
                continue;
        }
        chip.family = chipFamily(chip.name);
        chips.push_back(chip);
    }
    return chips;
}

std::vector<std::string>
LinuxSensors::labelledInputs(const Chip &chip, const std::string &prefix,
                             const std::function<bool(const std::string &label)> &accept) const
{
    std::vector<std::string> inputs;
    for (const std::string &file : root.list(chip.dir)) {
        const std::string channel = channelOfLabel(file, prefix);
        std::string text;
        if (!channel.empty() && root.readLine(chip.dir + "/" + file, &text) && accept(text))
            inputs.push_back(chip.dir + "/" + channel + "_input");
    }
    return inputs;
}

std::string LinuxSensors::labelledInput(const Chip &chip, const std::string &prefix,
                                        const std::string &label) const
{
    const std::vector<std::string> inputs =
        labelledInputs(chip, prefix, [&label](const std::string &text) { return text == label; });
    return inputs.empty() ? std::string() : inputs.front();
}

std::string
LinuxSensors::thermalZone(const std::function<bool(const std::string &type)> &accept) const
{
    for (const std::string &zone : root.list("sys/class/thermal")) {
        std::string type;
        const std::string dir = "sys/class/thermal/" + zone;
        if (startsWith(zone, "thermal_zone") && root.readLine(dir + "/type", &type) && accept(type))
            return dir;
    }
    return {};
}

LinuxSensors::ReadFn LinuxSensors::attribute(const std::string &path,
                                             const Conversion &conversion) const
{
    return AttributeRead{std::make_shared<Attribute>(root.path(path)), conversion};
}

LinuxSensors::ReadFn LinuxSensors::energy(const std::vector<std::string> &counters,
                                          const std::vector<uint64_t> &maxRanges,
                                          uint64_t nowUs) const
{
    struct Counter
    {
        std::unique_ptr<Attribute> file;
        uint64_t maxRange = 0;
        EnergyRate rate;
    };
    auto state = std::make_shared<std::vector<Counter>>();
    for (size_t i = 0; i < counters.size(); ++i) {
        Counter counter;
        counter.file = std::make_unique<Attribute>(root.path(counters[i]));
        counter.maxRange = i < maxRanges.size() ? maxRanges[i] : 0;
        state->push_back(std::move(counter));
    }
    auto sample = [state](uint64_t now, double *value) {
        double total = 0;
        bool ok = true;
        for (Counter &counter : *state) {
            long long raw = 0;
            double watts = 0;
            if (!counter.file->readInteger(&raw) || raw < 0) {
                counter.rate.primed = false;
                ok = false;
                continue;
            }
            ok = energyRate(&counter.rate, static_cast<uint64_t>(raw), counter.maxRange, now,
                            &watts) &&
                 ok;
            total += watts;
        }
        if (!ok || !(total >= 0.0 && total <= kMaxPlausibleWatts))
            return false;
        *value = total;
        return true;
    };
    double ignored = 0;
    sample(nowUs, &ignored); // the first pass measures from here
    return sample;
}

void LinuxSensors::discover(uint64_t nowUs)
{
    sensors.clear();
    nvml.close();
    const std::vector<Chip> chips = hwmonChips();

    Sensor cpu;
    addCpu(cpu, chips, nowUs);
    sensors.push_back(std::move(cpu));
    addGpu(chips, nowUs);
    addBoard(chips);
}

void LinuxSensors::addCpu(Sensor &cpu, const std::vector<Chip> &chips, uint64_t nowUs)
{
    std::string cpuinfo, family;
    root.readText("proc/cpuinfo", &cpuinfo, 8192);
    if (!cpuinfoField(cpuinfo, "model name", &cpu.name) || cpu.name.empty())
        cpu.name = "CPU";
    long long familyNumber = -1;
    if (!cpuinfoField(cpuinfo, "cpu family", &family) || !parseInteger(family, &familyNumber))
        familyNumber = -1;

    addCpuTemperature(cpu, chips, static_cast<int>(familyNumber));

    // The first pass measures from this baseline; without one, since boot.
    auto previous = std::make_shared<CpuTimes>();
    auto hasPrevious = std::make_shared<bool>(false);
    auto stat = std::make_shared<Attribute>(root.path("proc/stat"));
    auto sampleUsage = [stat, previous, hasPrevious](uint64_t, double *value) {
        std::string text;
        CpuTimes current;
        // The aggregate line comes first.
        if (!stat->read(&text, 512) || !parseCpuTimes(text, &current))
            return false;
        double usage = *hasPrevious ? cpuUsagePercent(*previous, current) : -1.0;
        if (usage < 0.0) // no tick passed since the last sample
            usage = cpuUsagePercent(CpuTimes{}, current);
        *previous = current;
        *hasPrevious = true;
        if (usage < 0.0)
            return false;
        *value = usage;
        return true;
    };
    double ignored = 0;
    sampleUsage(nowUs, &ignored);
    cpu.add(SensorKind::Usage, "Total CPU Usage", sampleUsage);

    const std::string curFreq = "sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq";
    if (root.isFile(curFreq)) {
        cpu.add(SensorKind::Clock, "Core 0 Clock", attribute(curFreq, kKiloHertz));
    } else {
        // Virtual machines often lack cpufreq. Only the first processor's
        // block is needed, and procfs generates no more than is read.
        auto file = std::make_shared<Attribute>(root.path("proc/cpuinfo"));
        cpu.add(SensorKind::Clock, "Core 0 Clock", [file](uint64_t, double *value) {
            std::string text, mhz;
            if (!file->readUpTo("cpu MHz", &text, 65536) || !cpuinfoField(text, "cpu MHz", &mhz))
                return false;
            double parsed = 0.0;
            if (!parseDecimal(mhz, &parsed) || !(parsed > 0.0 && parsed <= kMegaHertz.max))
                return false;
            *value = parsed;
            return true;
        });
    }

    addCpuPower(cpu, chips, nowUs);
}

void LinuxSensors::addCpuTemperature(Sensor &cpu, const std::vector<Chip> &chips, int cpuFamily)
{
    for (const Chip &chip : chips) {
        if (chip.name == "coretemp") {
            const std::string package = labelledInput(chip, "temp", "Package id 0");
            if (!package.empty()) {
                cpu.add(SensorKind::Temperature, "CPU Package", attribute(package, kMilliDegrees));
                return;
            }
            const std::vector<std::string> cores = labelledInputs(
                chip, "temp", [](const std::string &text) { return startsWith(text, "Core "); });
            if (cores.empty())
                continue;
            std::vector<ReadFn> reads;
            for (const std::string &core : cores)
                reads.push_back(attribute(core, kMilliDegrees));
            cpu.add(SensorKind::Temperature, "CPU Package", [reads](uint64_t now, double *value) {
                bool any = false;
                for (const ReadFn &read : reads) {
                    double t = 0;
                    if (read(now, &t) && (!any || t > *value)) {
                        *value = t;
                        any = true;
                    }
                }
                return any;
            });
            return;
        }
        if (chip.name == "k10temp" || chip.name == "zenpower") {
            // Tdie exists only where Tctl carries an offset.
            std::string input = labelledInput(chip, "temp", "Tdie");
            if (input.empty())
                input = labelledInput(chip, "temp", "Tctl");
            if (!input.empty()) {
                cpu.add(SensorKind::Temperature, "CPU (Tctl/Tdie)",
                        attribute(input, kMilliDegrees));
                return;
            }
            // Families 10h to 16h: one unlabelled reading, the processor's.
            if (chip.name == "k10temp" && isK10Family(cpuFamily) &&
                root.isFile(chip.dir + "/temp1_input")) {
                cpu.add(SensorKind::Temperature, "CPU Temperature",
                        attribute(chip.dir + "/temp1_input", kMilliDegrees));
                return;
            }
        }
    }
    const std::string zone =
        thermalZone([](const std::string &type) { return type == "x86_pkg_temp"; });
    if (!zone.empty()) {
        cpu.add(SensorKind::Temperature, "CPU Package", attribute(zone + "/temp", kMilliDegrees));
        return;
    }
    // ARM boards and SoCs: the zone their device tree gives the CPU, where no
    // CPU driver of the chips above is loaded to say otherwise.
    for (const Chip &chip : chips) {
        if (chip.name == "coretemp" || chip.name == "k10temp" || chip.name == "zenpower")
            return;
    }
    const std::string soc = thermalZone(isSocCpuZone);
    if (!soc.empty())
        cpu.add(SensorKind::Temperature, "CPU Temperature",
                attribute(soc + "/temp", kMilliDegrees));
}

void LinuxSensors::addCpuPower(Sensor &cpu, const std::vector<Chip> &chips, uint64_t nowUs)
{
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
            continue;
        }
        counters.push_back(package.energy);
        ranges.push_back(root.readInteger(package.maxRange, &range) && range > 0
                             ? static_cast<uint64_t>(range)
                             : 0);
    }
    if (!counters.empty() && !unreadable) {
        cpu.add(SensorKind::Power, "CPU Package Power", energy(counters, ranges, nowUs));
        return;
    }
    // Root-only counters: quillon-powerd's figure, while its file is fresh,
    // comes before the estimates below, which stand in when it is not.
    if (unreadable || root.isFile(kPowerHelperFile))
        addHelperCpuPower(cpu);

    // Without RAPL: zenpower's core plus SoC rails; the family 15h/16h
    // processor power; last, an APU's socket power, CPU included.
    for (const Chip &chip : chips) {
        if (chip.name != "zenpower")
            continue;
        const ReadFn core = attribute(chip.dir + "/power1_input", kMicroWatts);
        const ReadFn soc = attribute(chip.dir + "/power2_input", kMicroWatts);
        cpu.add(SensorKind::Power, "CPU Package Power", [core, soc](uint64_t now, double *value) {
            double a = 0, b = 0;
            if (!core(now, &a) || !soc(now, &b))
                return false;
            *value = a + b;
            return true;
        });
        return;
    }
    for (const Chip &chip : chips) {
        if (chip.name == "fam15h_power" && root.isFile(chip.dir + "/power1_input")) {
            cpu.add(SensorKind::Power, "CPU Package Power",
                    attribute(chip.dir + "/power1_input", kMicroWatts));
            return;
        }
    }
    for (const Gpu &card : gpuCards(chips)) {
        if (card.driver != GpuDriver::Amdgpu || !card.integrated)
            continue;
        const std::string average = card.hwmon + "/power1_average";
        const std::string input = card.hwmon + "/power1_input";
        if (root.isFile(average) || root.isFile(input)) {
            cpu.add(SensorKind::Power, "CPU Package Power",
                    attribute(root.isFile(average) ? average : input, kMicroWatts));
            return;
        }
    }
}

void LinuxSensors::addHelperCpuPower(Sensor &cpu)
{
    // Looked at on every refresh, so that a helper started later is picked up.
    const SysRoot helperRoot = root;
    cpu.add(SensorKind::Power, "CPU Package Power", [helperRoot](uint64_t, double *value) {
        return readPowerHelperFile(helperRoot, value);
    });
}

std::vector<LinuxSensors::Gpu> LinuxSensors::gpuCards(const std::vector<Chip> &chips) const
{
    std::vector<Gpu> cards;
    const auto cardAt = [&cards](const std::string &pci) -> Gpu * {
        for (Gpu &card : cards) {
            if (card.pci == pci)
                return &card;
        }
        return nullptr;
    };
    for (const Chip &chip : chips) {
        const GpuDriver driver = gpuDriver(chip.name);
        const std::string device = chip.dir + "/device";
        const std::string pci = root.resolvedName(device);
        // Without its device link the card cannot be told apart: left out.
        if (driver == GpuDriver::None || pci.empty() || cardAt(pci))
            continue;
        Gpu card;
        card.driver = driver;
        card.pci = pci;
        card.device = device;
        card.hwmon = chip.dir;
        cards.push_back(card);
    }
    // Integrated Intel graphics has no hwmon: its drm card names it.
    for (const std::string &entry : root.list("sys/class/drm")) {
        if (!startsWith(entry, "card") || entry.find('-') != std::string::npos)
            continue;
        const std::string dir = "sys/class/drm/" + entry;
        const std::string pci = root.resolvedName(dir + "/device");
        const GpuDriver driver = gpuDriver(root.resolvedName(dir + "/device/driver"));
        if (pci.empty() || driver == GpuDriver::None)
            continue;
        if (Gpu *known = cardAt(pci)) {
            known->card = dir;
            continue;
        }
        Gpu card;
        card.driver = driver;
        card.pci = pci;
        card.device = dir + "/device";
        card.card = dir;
        cards.push_back(card);
    }
    for (Gpu &card : cards) {
        // amdgpu reports the northbridge voltage on APUs only.
        card.integrated = onRootBus(root.resolvedName(card.device + "/..")) ||
                          (card.driver == GpuDriver::Amdgpu && !card.hwmon.empty() &&
                           root.isFile(card.hwmon + "/in1_input"));
    }
    std::sort(cards.begin(), cards.end(), [](const Gpu &a, const Gpu &b) { return a.pci < b.pci; });
    return cards;
}

void LinuxSensors::addGpu(const std::vector<Chip> &chips, uint64_t nowUs)
{
    const std::vector<Gpu> cards = gpuCards(chips);
    std::vector<GpuFacts> facts;
    // NVIDIA's driver has no hwmon, and NVML knows only discrete cards.
    const int nvidia = nvml.open(nvmlLibrary) ? nvml.count() : 0;
    for (int i = 0; i < nvidia; ++i)
        facts.push_back(GpuFacts{nvml.pciAddress(i), false});
    for (const Gpu &card : cards)
        facts.push_back(GpuFacts{card.pci, card.integrated});
    const int chosen = chooseGpu(facts);
    if (chosen < 0)
        return;
    if (chosen < nvidia)
        addNvidiaGpu(chosen);
    else
        addSysfsGpu(cards[static_cast<size_t>(chosen - nvidia)], nowUs);
}

void LinuxSensors::addSysfsGpu(const Gpu &card, uint64_t nowUs)
{
    Sensor gpu;
    const std::string &hw = card.hwmon;
    const auto has = [this, &hw](const std::string &file) {
        return !hw.empty() && root.isFile(hw + "/" + file);
    };
    const char *vendor = "GPU";
    switch (card.driver) {
    case GpuDriver::Amdgpu:
    case GpuDriver::Radeon:
        vendor = "AMD Radeon GPU";
        break;
    case GpuDriver::Nouveau:
        vendor = "NVIDIA GPU";
        break;
    case GpuDriver::I915:
    case GpuDriver::Xe:
        vendor = "Intel Graphics";
        break;
    case GpuDriver::None:
        break;
    }
    std::string product;
    if (root.readLine(card.device + "/product_name", &product) && !product.empty())
        gpu.name = product;
    else
        gpu.name = std::string(vendor) + " [" + card.pci + "]";

    // Temperature: amdgpu's edge sensor, xe's package sensor, the single
    // reading of radeon and nouveau; i915 has none.
    std::string temperature;
    if (card.driver == GpuDriver::Amdgpu && !hw.empty())
        temperature = labelledInput(Chip{hw, "", ChipFamily::Gpu}, "temp", "edge");
    else if (card.driver == GpuDriver::Xe && !hw.empty())
        temperature = labelledInput(Chip{hw, "", ChipFamily::Gpu}, "temp", "pkg");
    else if ((card.driver == GpuDriver::Radeon || card.driver == GpuDriver::Nouveau) &&
             has("temp1_input"))
        temperature = hw + "/temp1_input";
    if (!temperature.empty())
        gpu.add(SensorKind::Temperature, "GPU Temperature", attribute(temperature, kMilliDegrees));

    if (has("fan1_input"))
        gpu.add(SensorKind::Fan, "GPU Fan1", attribute(hw + "/fan1_input", kFanRpm));

    // An APU's power is the whole socket's, CPU included: no GPU power.
    if (!card.integrated) {
        if (card.driver == GpuDriver::Amdgpu && (has("power1_average") || has("power1_input"))) {
            // Some cards on recent kernels only have the instantaneous input.
            gpu.add(SensorKind::Power, "GPU Power (Total)",
                    attribute(hw + (has("power1_average") ? "/power1_average" : "/power1_input"),
                              kMicroWatts));
        } else if (card.driver == GpuDriver::Nouveau && has("power1_input")) {
            gpu.add(SensorKind::Power, "GPU Power (Total)",
                    attribute(hw + "/power1_input", kMicroWatts));
        } else if ((card.driver == GpuDriver::I915 || card.driver == GpuDriver::Xe) &&
                   has("energy1_input")) {
            gpu.add(SensorKind::Power, "GPU Power (Total)",
                    energy({hw + "/energy1_input"}, {}, nowUs));
        }
    }

    if (card.driver == GpuDriver::Amdgpu && !hw.empty()) {
        const std::string sclk = labelledInput(Chip{hw, "", ChipFamily::Gpu}, "freq", "sclk");
        if (!sclk.empty())
            gpu.add(SensorKind::Clock, "GPU Clock", attribute(sclk, kHertz));
    } else if (card.driver == GpuDriver::I915 && !card.card.empty() &&
               root.isFile(card.card + "/gt_act_freq_mhz")) {
        gpu.add(SensorKind::Clock, "GPU Clock",
                attribute(card.card + "/gt_act_freq_mhz", kMegaHertz));
    } else if (card.driver == GpuDriver::Xe &&
               root.isFile(card.device + "/tile0/gt0/freq0/act_freq")) {
        gpu.add(SensorKind::Clock, "GPU Clock",
                attribute(card.device + "/tile0/gt0/freq0/act_freq", kMegaHertz));
    }

    // Only amdgpu tells the load without privileges.
    if (card.driver == GpuDriver::Amdgpu && root.isFile(card.device + "/gpu_busy_percent"))
        gpu.add(SensorKind::Usage, "GPU Core Load",
                attribute(card.device + "/gpu_busy_percent", kPercent));

    sensors.push_back(std::move(gpu));
}

void LinuxSensors::addNvidiaGpu(int index)
{
    Sensor gpu;
    gpu.name = nvml.name(index);
    auto values = std::make_shared<NvmlGpus::Values>();
    const NvmlGpus *gpus = &nvml;
    gpu.prepare = [gpus, values, index] { *values = gpus->read(index); };
    using V = NvmlGpus::Values;
    auto field = [values](bool V::*has, double V::*number, const Conversion &range) {
        return [values, has, number, range](uint64_t, double *value) {
            const double v = (*values).*number;
            if (!((*values).*has) || !(v >= range.min && v <= range.max))
                return false;
            *value = v;
            return true;
        };
    };
    gpu.add(SensorKind::Temperature, "GPU Temperature",
            field(&V::hasTemperature, &V::temperature, kMilliDegrees));
    gpu.add(SensorKind::Fan, "GPU Fan1", field(&V::hasFan, &V::fan, kFanRpm));
    gpu.add(SensorKind::Power, "GPU Power (Total)", field(&V::hasPower, &V::power, kMicroWatts));
    gpu.add(SensorKind::Clock, "GPU Clock", field(&V::hasClock, &V::clock, kMegaHertz));
    gpu.add(SensorKind::Usage, "GPU Core Load", field(&V::hasLoad, &V::load, kPercent));
    sensors.push_back(std::move(gpu));
}

std::string LinuxSensors::cpuFanInput(const std::vector<Chip> &chips) const
{
    // A label that names the CPU fan wins, on any chip but a GPU's.
    for (const Chip &chip : chips) {
        if (chip.family == ChipFamily::Gpu)
            continue;
        const std::vector<std::string> fans = labelledInputs(chip, "fan", isCpuFanLabel);
        if (!fans.empty())
            return fans.front();
    }
    std::string vendor;
    root.readLine("sys/class/dmi/id/board_vendor", &vendor);
    for (const Chip &chip : chips) {
        const int channel = cpuFanChannel(chip.family, vendor);
        const std::string input = chip.dir + "/fan" + std::to_string(channel) + "_input";
        if (channel > 0 && root.isFile(input))
            return input;
    }
    return {};
}

void LinuxSensors::addBoardTemperature(Sensor &board, const std::vector<Chip> &chips) const
{
    for (const BoardTempRule &rule : boardTempRules()) {
        for (const Chip &chip : chips) {
            if (chip.family != rule.family)
                continue;
            const std::string input =
                rule.label ? labelledInput(chip, "temp", rule.label)
                           : chip.dir + "/temp" + std::to_string(rule.channel) + "_input";
            if (!input.empty() && root.isFile(input)) {
                board.add(SensorKind::Temperature, rule.report, attribute(input, kMilliDegrees));
                return;
            }
        }
    }
    const std::string zone =
        thermalZone([](const std::string &type) { return startsWith(type, "pch_"); });
    if (!zone.empty())
        board.add(SensorKind::Temperature, "PCH Temperature",
                  attribute(zone + "/temp", kMilliDegrees));
}

void LinuxSensors::addBoard(const std::vector<Chip> &chips)
{
    Sensor board;
    std::string superIo;
    for (const Chip &chip : chips) {
        if (isSuperIoChip(chip.name)) {
            superIo = chip.name;
            break;
        }
    }

    addBoardTemperature(board, chips);
    const std::string fan = cpuFanInput(chips);
    if (!fan.empty())
        board.add(SensorKind::Fan, "CPU Fan", attribute(fan, kFanRpm));

    // Written by systemd-udevd at boot and world-readable, unlike the DMI tables.
    std::string dmi;
    if (root.readText("run/udev/data/+dmi:id", &dmi, 65536)) {
        const long long mts = memorySpeedMts(dmi);
        if (mts > 0) {
            const double mhz = static_cast<double>(mts) / 2.0; // double data rate
            board.add(SensorKind::Clock, "Memory Clock", [mhz](uint64_t, double *value) {
                *value = mhz;
                return true;
            });
        }
    }

    bool any = false;
    for (const auto &list : board.sources)
        any = any || !list.empty();
    if (!any)
        return;
    std::string vendor, model;
    root.readLine("sys/class/dmi/id/board_vendor", &vendor);
    root.readLine("sys/class/dmi/id/board_name", &model);
    if (!model.empty())
        board.name = vendor.empty() ? model : vendor + " " + model;
    else
        board.name = superIo.empty() ? "Motherboard" : superIo;
    sensors.push_back(std::move(board));
}
