#include "boardsensor.h"

#include "sensorcounters.h"
#include "sensortext.h"

namespace {

using Outcome = Finding::Outcome;

// The CPU fan's input, and why it is the one; empty when there is none.
std::string cpuFanInput(const Discovery &discovery, std::string *why)
{
    // A label that names the CPU fan wins, on any chip but a GPU's.
    for (const Chip &chip : discovery.chips) {
        if (chip.family == ChipFamily::Gpu)
            continue;
        const std::vector<std::string> fans = discovery.labelledInputs(chip, "fan", isCpuFanLabel);
        if (!fans.empty()) {
            *why = "labelled for the CPU";
            return fans.front();
        }
    }
    std::string vendor;
    discovery.root.readLine("sys/class/dmi/id/board_vendor", &vendor);
    for (const Chip &chip : discovery.chips) {
        const int channel = cpuFanChannel(chip.family, vendor);
        const std::string input = chip.dir + "/fan" + std::to_string(channel) + "_input";
        if (channel > 0 && discovery.root.isFile(input)) {
            *why = "the chip's CPU fan header";
            return input;
        }
    }
    return {};
}

// Every fan input outside the GPUs, the CPU fan's among them.
void noteFans(Discovery &discovery, const std::string &cpuFan, const std::string &why)
{
    for (const Chip &chip : discovery.chips) {
        if (chip.family == ChipFamily::Gpu)
            continue;
        for (const std::string &file : discovery.root.list(chip.dir)) {
            if (!startsWith(file, "fan") || !endsWith(file, "_input"))
                continue;
            const std::string input = chip.dir + "/" + file;
            if (input == cpuFan)
                discovery.note(Finding::Kind::Fan, input, chip.name, Outcome::Used, why);
            else
                discovery.note(Finding::Kind::Fan, input, chip.name, Outcome::PassedOver,
                               "neither labelled for the CPU nor the chip's CPU fan header");
        }
    }
}

// The board's temperature input and its report label; empty when none.
std::string temperatureInput(const Discovery &discovery, const char **report)
{
    for (const BoardTempRule &rule : boardTempRules()) {
        for (const Chip &chip : discovery.chips) {
            if (chip.family != rule.family)
                continue;
            const std::string input =
                rule.label ? discovery.labelledInput(chip, "temp", rule.label)
                           : chip.dir + "/temp" + std::to_string(rule.channel) + "_input";
            if (!input.empty() && discovery.root.isFile(input)) {
                *report = rule.report;
                return input;
            }
        }
    }
    const std::string zone =
        discovery.thermalZone([](const std::string &type) { return startsWith(type, "pch_"); });
    *report = "PCH Temperature";
    return zone.empty() ? std::string() : zone + "/temp";
}

// The configured memory speed, written by systemd-udevd at boot and
// world-readable, unlike the DMI tables.
void addMemoryClock(Discovery &discovery, Sensor *board)
{
    const char udevDmi[] = "run/udev/data/+dmi:id";
    std::string dmi;
    if (!discovery.root.readText(udevDmi, &dmi, 65536)) {
        const bool there = discovery.root.exists(udevDmi);
        discovery.note(Finding::Kind::MemorySpeed, udevDmi, "",
                       there ? Outcome::Unreadable : Outcome::Missing,
                       there ? "cannot be read" : "systemd-udevd writes it at boot");
        return;
    }
    const long long mts = memorySpeedMts(dmi);
    if (mts <= 0) {
        discovery.note(Finding::Kind::MemorySpeed, udevDmi, "", Outcome::PassedOver,
                       "no MEMORY_DEVICE_*_SPEED_MTS");
        return;
    }
    discovery.note(Finding::Kind::MemorySpeed, udevDmi, "", Outcome::Used,
                   "the memory's configured speed");
    const double mhz = static_cast<double>(mts) / 2.0; // double data rate
    board->add(SensorKind::Clock, "Memory Clock", [mhz](uint64_t, double *value) {
        *value = mhz;
        return true;
    });
}

} // namespace

Sensor boardSensor(Discovery &discovery)
{
    Sensor board;
    const char *report = nullptr;
    const std::string temperature = temperatureInput(discovery, &report);
    if (!temperature.empty())
        board.add(SensorKind::Temperature, report, discovery.attribute(temperature, kMilliDegrees));
    std::string why;
    const std::string fan = cpuFanInput(discovery, &why);
    if (!fan.empty())
        board.add(SensorKind::Fan, "CPU Fan", discovery.attribute(fan, kFanRpm));
    noteFans(discovery, fan, why);
    addMemoryClock(discovery, &board);

    std::string superIo;
    for (const Chip &chip : discovery.chips) {
        if (!isSuperIoChip(chip.name))
            continue;
        const std::string folder = chip.dir + "/";
        const bool used = startsWith(temperature, folder) || startsWith(fan, folder);
        discovery.note(Finding::Kind::SuperIo, chip.dir, chip.name,
                       used ? Outcome::Used : Outcome::PassedOver,
                       used ? "the board's Super-I/O chip"
                            : "the board's Super-I/O chip, with no channel the rules know");
        if (superIo.empty())
            superIo = chip.name;
    }

    if (board.empty())
        return board;
    std::string vendor, model;
    discovery.root.readLine("sys/class/dmi/id/board_vendor", &vendor);
    discovery.root.readLine("sys/class/dmi/id/board_name", &model);
    if (!model.empty())
        board.name = vendor.empty() ? model : vendor + " " + model;
    else
        board.name = superIo.empty() ? "Motherboard" : superIo;
    return board;
}
