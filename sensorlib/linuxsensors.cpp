#include "linuxsensors.h"

#include "powerhelperfile.h"
#include "sensorcounters.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>

namespace {

bool startsWith(const std::string &text, const char *prefix)
{
    return text.rfind(prefix, 0) == 0;
}

std::string lowered(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "temp3_label" -> "temp3" for prefix "temp"; empty when it is no label file.
std::string channelOfLabel(const std::string &file, const std::string &prefix)
{
    const std::string tail = "_label";
    if (!startsWith(file, prefix.c_str()) || file.size() <= prefix.size() + tail.size() ||
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
    sources[k].push_back(std::move(read));
    SensorReading reading;
    reading.label = label;
    readings[k].push_back(reading);
}

LinuxSensors::LinuxSensors(const std::string &root, const std::string &nvmlLibrary)
    : m_root(root), m_nvmlLibrary(nvmlLibrary)
{
}

LinuxSensors::~LinuxSensors() = default;

const std::string &LinuxSensors::sensorName(int sensor) const
{
    static const std::string none;
    if (sensor < 0 || sensor >= sensorCount())
        return none;
    return m_sensors[static_cast<size_t>(sensor)].name;
}

const SensorReading *LinuxSensors::reading(int sensor, SensorKind kind, int index) const
{
    if (sensor < 0 || sensor >= sensorCount() || index < 0)
        return nullptr;
    const auto &list = m_sensors[static_cast<size_t>(sensor)].readings[static_cast<int>(kind)];
    if (static_cast<size_t>(index) >= list.size() || !list[static_cast<size_t>(index)].present)
        return nullptr;
    return &list[static_cast<size_t>(index)];
}

void LinuxSensors::refresh(int sensor, uint64_t nowUs)
{
    if (sensor < 0 || sensor >= sensorCount())
        return;
    Sensor &s = m_sensors[static_cast<size_t>(sensor)];
    if (s.prepare)
        s.prepare();
    for (int k = 0; k < kSensorKindCount; ++k) {
        for (size_t i = 0; i < s.sources[k].size(); ++i) {
            SensorReading &reading = s.readings[k][i];
            reading.present = s.sources[k][i](nowUs, &reading.value);
        }
    }
}

std::vector<LinuxSensors::Chip> LinuxSensors::hwmonChips() const
{
    std::vector<Chip> chips;
    for (const std::string &entry : m_root.list("sys/class/hwmon")) {
        Chip chip;
        chip.dir = "sys/class/hwmon/" + entry;
        // Old drivers keep their attributes in the device folder.
        if (!m_root.readLine(chip.dir + "/name", &chip.name)) {
            chip.dir += "/device";
            if (!m_root.readLine(chip.dir + "/name", &chip.name))
                continue;
        }
        chips.push_back(chip);
    }
    return chips;
}

std::vector<std::string>
LinuxSensors::labelledInputs(const Chip &chip, const std::string &prefix,
                             const std::function<bool(const std::string &label)> &accept) const
{
    std::vector<std::string> inputs;
    for (const std::string &file : m_root.list(chip.dir)) {
        const std::string channel = channelOfLabel(file, prefix);
        std::string text;
        if (!channel.empty() && m_root.readLine(chip.dir + "/" + file, &text) && accept(text))
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
    for (const std::string &zone : m_root.list("sys/class/thermal")) {
        std::string type;
        const std::string dir = "sys/class/thermal/" + zone;
        if (startsWith(zone, "thermal_zone") && m_root.readLine(dir + "/type", &type) &&
            accept(type))
            return dir;
    }
    return {};
}

LinuxSensors::ReadFn LinuxSensors::scaled(const std::string &path, double divisor) const
{
    const SysRoot root = m_root;
    return [root, path, divisor](uint64_t, double *value) {
        long long raw = 0;
        if (!root.readInteger(path, &raw))
            return false;
        *value = static_cast<double>(raw) / divisor;
        return true;
    };
}

void LinuxSensors::discover(uint64_t nowUs)
{
    m_sensors.clear();
    m_nvml.close();
    const std::vector<Chip> chips = hwmonChips();

    Sensor cpu;
    addCpu(cpu, chips, nowUs);
    m_sensors.push_back(std::move(cpu));
    addAmdGpus(chips);
    addNvidiaGpus();
    addBoard(chips);
}

void LinuxSensors::addCpu(Sensor &cpu, const std::vector<Chip> &chips, uint64_t nowUs)
{
    std::string cpuinfo;
    m_root.readText("proc/cpuinfo", &cpuinfo, 65536);
    if (!cpuinfoField(cpuinfo, "model name", &cpu.name) || cpu.name.empty())
        cpu.name = "CPU";

    addCpuTemperature(cpu, chips);

    // The first pass measures from this baseline; without one, since boot.
    auto previous = std::make_shared<CpuTimes>();
    auto hasPrevious = std::make_shared<bool>(false);
    const SysRoot root = m_root;
    auto sampleUsage = [root, previous, hasPrevious](uint64_t, double *value) {
        std::string text;
        CpuTimes current;
        if (!root.readText("proc/stat", &text, 4096) || !parseCpuTimes(text, &current))
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
    long long khz = 0;
    if (m_root.readInteger(curFreq, &khz)) {
        cpu.add(SensorKind::Clock, "Core 0 Clock", scaled(curFreq, 1000.0)); // kHz
    } else {
        cpu.add(SensorKind::Clock, "Core 0 Clock", [root](uint64_t, double *value) {
            std::string text, mhz;
            if (!root.readText("proc/cpuinfo", &text, 65536) ||
                !cpuinfoField(text, "cpu MHz", &mhz))
                return false;
            char *end = nullptr;
            const double parsed = std::strtod(mhz.c_str(), &end);
            if (end == mhz.c_str())
                return false;
            *value = parsed;
            return true;
        });
    }

    addCpuPower(cpu, chips, nowUs);
}

void LinuxSensors::addCpuTemperature(Sensor &cpu, const std::vector<Chip> &chips)
{
    for (const Chip &chip : chips) {
        if (chip.name == "coretemp") {
            const std::string package = labelledInput(chip, "temp", "Package id 0");
            if (!package.empty()) {
                cpu.add(SensorKind::Temperature, "CPU Package", scaled(package, 1000.0));
                return;
            }
            const std::vector<std::string> cores = labelledInputs(
                chip, "temp", [](const std::string &text) { return startsWith(text, "Core "); });
            if (cores.empty())
                continue;
            const SysRoot root = m_root;
            cpu.add(SensorKind::Temperature, "CPU Package", [root, cores](uint64_t, double *value) {
                bool any = false;
                long long hottest = 0;
                for (const std::string &path : cores) {
                    long long t = 0;
                    if (root.readInteger(path, &t) && (!any || t > hottest)) {
                        hottest = t;
                        any = true;
                    }
                }
                *value = hottest / 1000.0;
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
                cpu.add(SensorKind::Temperature, "CPU (Tctl/Tdie)", scaled(input, 1000.0));
                return;
            }
        }
    }
    const std::string zone =
        thermalZone([](const std::string &type) { return type == "x86_pkg_temp"; });
    if (!zone.empty())
        cpu.add(SensorKind::Temperature, "CPU Package", scaled(zone + "/temp", 1000.0));
}

void LinuxSensors::addCpuPower(Sensor &cpu, const std::vector<Chip> &chips, uint64_t nowUs)
{
    struct Package
    {
        std::string energy;
        uint64_t maxRange = 0;
        uint64_t last = 0;
    };
    struct State
    {
        std::vector<Package> packages;
        uint64_t lastUs = 0;
        bool primed = false;
    };
    auto state = std::make_shared<State>();
    bool unreadable = false;
    for (const std::string &zone : m_root.list("sys/class/powercap")) {
        // Top-level zones only ("intel-rapl:0"); "intel-rapl:0:0" are its parts.
        if (!startsWith(zone, "intel-rapl:") || zone.find(':') != zone.rfind(':'))
            continue;
        const std::string dir = "sys/class/powercap/" + zone;
        std::string name;
        if (!m_root.readLine(dir + "/name", &name) || !startsWith(name, "package-"))
            continue;
        Package package;
        package.energy = dir + "/energy_uj";
        long long range = 0, energy = 0;
        if (m_root.readInteger(dir + "/max_energy_range_uj", &range) && range > 0)
            package.maxRange = static_cast<uint64_t>(range);
        if (!m_root.readInteger(package.energy, &energy) || energy < 0) {
            double helperWatts = 0.0;
            if (m_root.exists(package.energy) && !readPowerHelperFile(m_root, &helperWatts))
                reportUnreadableEnergy(m_root.path(package.energy));
            unreadable = true;
            continue;
        }
        package.last = static_cast<uint64_t>(energy);
        state->packages.push_back(package);
    }
    if (!state->packages.empty() && !unreadable) {
        state->lastUs = nowUs;
        state->primed = true;
        const SysRoot root = m_root;
        cpu.add(SensorKind::Power, "CPU Package Power", [root, state](uint64_t now, double *value) {
            uint64_t consumed = 0;
            bool ok = true;
            for (Package &package : state->packages) {
                long long energy = 0;
                if (!root.readInteger(package.energy, &energy) || energy < 0) {
                    ok = false;
                    continue;
                }
                consumed +=
                    energyDelta(package.last, static_cast<uint64_t>(energy), package.maxRange);
                package.last = static_cast<uint64_t>(energy);
            }
            const uint64_t previousUs = state->lastUs;
            const bool hadInterval = state->primed && now > previousUs;
            state->lastUs = now;
            state->primed = ok;
            if (!ok || !hadInterval)
                return false;
            // microjoules per microsecond are watts
            *value = static_cast<double>(consumed) / static_cast<double>(now - previousUs);
            return true;
        });
        return;
    }
    ReadFn zenpower;
    for (const Chip &chip : chips) {
        if (chip.name != "zenpower")
            continue;
        // Core plus SoC rail, microwatts.
        const SysRoot root = m_root;
        const std::string core = chip.dir + "/power1_input", soc = chip.dir + "/power2_input";
        zenpower = [root, core, soc](uint64_t, double *value) {
            long long a = 0, b = 0;
            if (!root.readInteger(core, &a) || !root.readInteger(soc, &b))
                return false;
            *value = static_cast<double>(a + b) / 1e6;
            return true;
        };
        break;
    }
    if (unreadable || m_root.exists(kPowerHelperFile))
        addHelperCpuPower(cpu, zenpower);
    else if (zenpower)
        cpu.add(SensorKind::Power, "CPU Package Power", zenpower);
}

void LinuxSensors::addHelperCpuPower(Sensor &cpu, ReadFn fallback)
{
    // The counters are root-only: quillon-powerd's one-second figure stands in
    // while its file is fresh, so a helper started later is picked up too.
    const SysRoot root = m_root;
    cpu.add(SensorKind::Power, "CPU Package Power", [root, fallback](uint64_t now, double *value) {
        return readPowerHelperFile(root, value) || (fallback && fallback(now, value));
    });
}

void LinuxSensors::addAmdGpus(const std::vector<Chip> &chips)
{
    for (const Chip &chip : chips) {
        if (chip.name != "amdgpu")
            continue;
        Sensor gpu;
        const std::string device = chip.dir + "/device";
        std::string product;
        if (m_root.readLine(device + "/product_name", &product) && !product.empty())
            gpu.name = product;
        else
            gpu.name = "AMD Radeon GPU [" + m_root.resolvedName(device) + "]";

        const std::string edge = labelledInput(chip, "temp", "edge");
        if (!edge.empty())
            gpu.add(SensorKind::Temperature, "GPU Temperature", scaled(edge, 1000.0));
        if (m_root.exists(chip.dir + "/fan1_input"))
            gpu.add(SensorKind::Fan, "GPU Fan1", scaled(chip.dir + "/fan1_input", 1.0));
        // Some cards on recent kernels only have the instantaneous input.
        const std::string average = chip.dir + "/power1_average";
        const std::string input = chip.dir + "/power1_input";
        if (m_root.exists(average) || m_root.exists(input))
            gpu.add(SensorKind::Power, "GPU Power (Total)",
                    scaled(m_root.exists(average) ? average : input, 1e6));
        const std::string sclk = labelledInput(chip, "freq", "sclk");
        if (!sclk.empty())
            gpu.add(SensorKind::Clock, "GPU Clock", scaled(sclk, 1e6)); // Hz
        if (m_root.exists(device + "/gpu_busy_percent"))
            gpu.add(SensorKind::Usage, "GPU Core Load", scaled(device + "/gpu_busy_percent", 1.0));
        m_sensors.push_back(std::move(gpu));
    }
}

void LinuxSensors::addNvidiaGpus()
{
    if (!m_nvml.open(m_nvmlLibrary))
        return;
    for (int i = 0; i < m_nvml.count(); ++i) {
        Sensor gpu;
        gpu.name = m_nvml.name(i);
        auto values = std::make_shared<NvmlGpus::Values>();
        const NvmlGpus *nvml = &m_nvml;
        gpu.prepare = [nvml, values, i] { *values = nvml->read(i); };
        using V = NvmlGpus::Values;
        auto field = [values](bool V::*has, double V::*number) {
            return [values, has, number](uint64_t, double *value) {
                *value = (*values).*number;
                return (*values).*has;
            };
        };
        gpu.add(SensorKind::Temperature, "GPU Temperature",
                field(&V::hasTemperature, &V::temperature));
        gpu.add(SensorKind::Fan, "GPU Fan1", field(&V::hasFan, &V::fan));
        gpu.add(SensorKind::Power, "GPU Power (Total)", field(&V::hasPower, &V::power));
        gpu.add(SensorKind::Clock, "GPU Clock", field(&V::hasClock, &V::clock));
        gpu.add(SensorKind::Usage, "GPU Core Load", field(&V::hasLoad, &V::load));
        m_sensors.push_back(std::move(gpu));
    }
}

void LinuxSensors::addBoard(const std::vector<Chip> &chips)
{
    Sensor board;
    std::string superIo;
    for (const Chip &chip : chips) {
        if (startsWith(chip.name, "nct6") || startsWith(chip.name, "it8") ||
            startsWith(chip.name, "w836") || startsWith(chip.name, "f718")) {
            superIo = chip.name;
            break;
        }
    }

    // CPU fan: a fan labelled for the processor, else the Super-I/O's usual
    // CPU header.
    std::string fan;
    for (const Chip &chip : chips) {
        if (chip.name == "amdgpu" || chip.name == "nouveau" || !fan.empty())
            continue;
        const std::vector<std::string> cpuFans =
            labelledInputs(chip, "fan", [](const std::string &text) {
                const std::string label = lowered(text);
                return label.find("cpu") != std::string::npos ||
                       label.find("processor") != std::string::npos;
            });
        if (!cpuFans.empty())
            fan = cpuFans.front();
    }
    for (const Chip &chip : chips) {
        if (!fan.empty())
            break;
        if (startsWith(chip.name, "nct6") && m_root.exists(chip.dir + "/fan2_input"))
            fan = chip.dir + "/fan2_input";
        else if (startsWith(chip.name, "it8") && m_root.exists(chip.dir + "/fan1_input"))
            fan = chip.dir + "/fan1_input";
    }

    // Board temperature: the board's own sensor or the Super-I/O's SYSTIN
    // (CPUTIN floats on many boards), else the chipset.
    std::string boardTemp, label;
    for (const Chip &chip : chips) {
        const std::string byName = labelledInput(chip, "temp", "Motherboard");
        const std::string systin = labelledInput(chip, "temp", "SYSTIN");
        if (!byName.empty() || !systin.empty()) {
            boardTemp = byName.empty() ? systin : byName;
            label = "Motherboard";
            break;
        }
    }
    for (const Chip &chip : chips) {
        if (!boardTemp.empty())
            break;
        const std::string pch = labelledInput(chip, "temp", "PCH_CHIP_TEMP");
        if (!pch.empty())
            boardTemp = pch;
        else if (startsWith(chip.name, "pch_") && m_root.exists(chip.dir + "/temp1_input"))
            boardTemp = chip.dir + "/temp1_input";
        label = "PCH Temperature";
    }
    if (boardTemp.empty()) {
        const std::string zone =
            thermalZone([](const std::string &type) { return startsWith(type, "pch_"); });
        if (!zone.empty()) {
            boardTemp = zone + "/temp";
            label = "PCH Temperature";
        }
    }

    if (!boardTemp.empty())
        board.add(SensorKind::Temperature, label, scaled(boardTemp, 1000.0));
    if (!fan.empty())
        board.add(SensorKind::Fan, "CPU Fan", scaled(fan, 1.0));

    // Written by systemd-udevd at boot and world-readable, unlike the DMI tables.
    std::string dmi;
    if (m_root.readText("run/udev/data/+dmi:id", &dmi, 65536)) {
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
    m_root.readLine("sys/class/dmi/id/board_vendor", &vendor);
    m_root.readLine("sys/class/dmi/id/board_name", &model);
    if (!model.empty())
        board.name = vendor.empty() ? model : vendor + " " + model;
    else
        board.name = superIo.empty() ? "Motherboard" : superIo;
    m_sensors.push_back(std::move(board));
}
