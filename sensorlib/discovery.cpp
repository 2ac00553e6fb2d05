#include "discovery.h"

#include "sensorcounters.h"
#include "sensortext.h"

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
        !endsWith(file, tail))
        return {};
    return file.substr(0, file.size() - tail.size());
}

// What says that this is a guest, and where: its DMI names, else the
// processor's flag; empty on real hardware.
std::string hypervisorName(const SysRoot &root, std::string *source)
{
    for (const char *file : {"sys/class/dmi/id/sys_vendor", "sys/class/dmi/id/product_name"}) {
        std::string text;
        if (root.readLine(file, &text) && namesHypervisor(text)) {
            *source = file;
            return text;
        }
    }
    std::string cpuinfo, flags;
    root.readText("proc/cpuinfo", &cpuinfo, 65536);
    if (cpuinfoField(cpuinfo, "flags", &flags) &&
        (" " + flags + " ").find(" hypervisor ") != std::string::npos) {
        *source = "proc/cpuinfo";
        return "hypervisor flag in /proc/cpuinfo";
    }
    return {};
}

} // namespace

void Sensor::add(SensorKind kind, const std::string &label, ReadFn read)
{
    const int k = static_cast<int>(kind);
    SensorReading reading;
    reading.label = label;
    if (const AttributeRead *file = read.target<AttributeRead>())
        reading.source = file->file->path();
    sources[k].push_back(std::move(read));
    readings[k].push_back(reading);
}

bool Sensor::empty() const
{
    for (const auto &list : sources) {
        if (!list.empty())
            return false;
    }
    return true;
}

Discovery::Discovery(const SysRoot &root, uint64_t nowUs) : root(root), nowUs(nowUs)
{
    std::string where;
    const std::string guest = hypervisorName(root, &where);
    if (!guest.empty())
        note(Finding::Kind::Machine, where, guest, Finding::Outcome::PassedOver,
             "a virtual machine: the host's sensors do not reach it");
    for (const std::string &entry : root.list("sys/class/hwmon")) {
        Chip chip;
        chip.dir = "sys/class/hwmon/" + entry;
        // Old drivers keep their attributes in the device folder.
        if (!root.readLine(chip.dir + "/name", &chip.name)) {
            chip.dir += "/device";
            if (!root.readLine(chip.dir + "/name", &chip.name)) {
                note(Finding::Kind::Chip, "sys/class/hwmon/" + entry, "", Finding::Outcome::Missing,
                     "no name file: the driver cannot be told");
                continue;
            }
        }
        chip.family = chipFamily(chip.name);
        chips.push_back(chip);
    }
}

void Discovery::note(Finding::Kind kind, const std::string &source, const std::string &name,
                     Finding::Outcome outcome, const std::string &reason)
{
    findings.push_back(Finding{kind, source, name, outcome, reason});
}

std::vector<std::string>
Discovery::labelledInputs(const Chip &chip, const std::string &prefix,
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

std::string Discovery::labelledInput(const Chip &chip, const std::string &prefix,
                                     const std::string &label) const
{
    const std::vector<std::string> inputs =
        labelledInputs(chip, prefix, [&label](const std::string &text) { return text == label; });
    return inputs.empty() ? std::string() : inputs.front();
}

std::string Discovery::thermalZone(const std::function<bool(const std::string &type)> &accept) const
{
    for (const std::string &zone : root.list("sys/class/thermal")) {
        std::string type;
        const std::string dir = "sys/class/thermal/" + zone;
        if (startsWith(zone, "thermal_zone") && root.readLine(dir + "/type", &type) && accept(type))
            return dir;
    }
    return {};
}

ReadFn Discovery::attribute(const std::string &path, const Conversion &conversion) const
{
    return AttributeRead{std::make_shared<Attribute>(root.path(path)), conversion};
}

ReadFn Discovery::energy(const std::vector<std::string> &counters,
                         const std::vector<uint64_t> &maxRanges) const
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
