#include "choicesources.h"

#include "fieldchoice.h"

#include <limits.h>
#include <stdlib.h>

#include <cctype>
#include <memory>

namespace {

struct AttributeKind
{
    const char *prefix;
    SensorKind kind;
    const Conversion *conversion;
};

const AttributeKind kAttributeKinds[] = {
    {"temp", SensorKind::Temperature, &kMilliDegrees},
    {"fan", SensorKind::Fan, &kFanRpm},
    {"power", SensorKind::Power, &kMicroWatts},
    {"freq", SensorKind::Clock, &kHertz},
};

struct NvmlAttribute
{
    const char *name;
    SensorKind kind;
    bool NvmlGpus::Values::*has;
    double NvmlGpus::Values::*value;
    const Conversion *range;
};

const NvmlAttribute kNvmlAttributes[] = {
    {"temperature", SensorKind::Temperature, &NvmlGpus::Values::hasTemperature,
     &NvmlGpus::Values::temperature, &kMilliDegrees},
    {"fan", SensorKind::Fan, &NvmlGpus::Values::hasFan, &NvmlGpus::Values::fan, &kFanRpm},
    {"power", SensorKind::Power, &NvmlGpus::Values::hasPower, &NvmlGpus::Values::power,
     &kMicroWatts},
    {"clock", SensorKind::Clock, &NvmlGpus::Values::hasClock, &NvmlGpus::Values::clock,
     &kMegaHertz},
    {"usage", SensorKind::Usage, &NvmlGpus::Values::hasLoad, &NvmlGpus::Values::load, &kPercent},
};

std::string resolved(const std::string &path)
{
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

// "fan3_input" -> "fan3"; "power1_average" too, as amdgpu's power is one.
bool attributeOfFile(const std::string &file, const AttributeKind **kind, std::string *attribute,
                     bool *average)
{
    for (const AttributeKind &candidate : kAttributeKinds) {
        const std::string prefix = candidate.prefix;
        if (file.compare(0, prefix.size(), prefix) != 0)
            continue;
        size_t digits = prefix.size();
        while (digits < file.size() && std::isdigit(static_cast<unsigned char>(file[digits])))
            ++digits;
        const std::string suffix = file.substr(digits);
        *average = candidate.kind == SensorKind::Power && suffix == "_average";
        if (digits == prefix.size() || (suffix != "_input" && !*average))
            continue;
        *kind = &candidate;
        *attribute = file.substr(0, digits);
        return true;
    }
    return false;
}

} // namespace

ChoiceSources::ChoiceSources(const SysRoot &root, const NvmlGpus *nvml) : root(root), nvml(nvml)
{
    std::vector<std::string> dirs;
    for (const std::string &entry : root.list("sys/class/hwmon")) {
        std::string dir = "sys/class/hwmon/" + entry, deviceLink = dir + "/device";
        Chip chip;
        // Old drivers keep their attributes in the device folder.
        if (!root.readLine(dir + "/name", &chip.bare)) {
            dir = deviceLink;
            if (!root.readLine(dir + "/name", &chip.bare))
                continue;
        }
        chip.device = root.resolvedName(deviceLink);
        if (chip.device.empty())
            chip.device = entry;
        chip.realDevice = resolved(root.path(deviceLink));
        // A name that no line of sensors.conf could carry is offered to no one.
        if (!isWellFormedChoice(chip.bare + "@" + chip.device + "/x"))
            continue;
        chips.push_back(chip);
        dirs.push_back(dir);
    }
    const int nvmlCards = nvml ? nvml->count() : 0;
    for (int card = 0; card < nvmlCards; ++card) {
        Chip chip;
        chip.bare = "nvml";
        chip.device = nvml->pciAddress(card);
        if (chip.device.empty())
            chip.device = "gpu" + std::to_string(card);
        chips.push_back(chip);
    }
    for (Chip &chip : chips) {
        int sharing = 0;
        for (const Chip &other : chips)
            sharing += other.bare == chip.bare;
        // A card's address says which card it is even where it is the only one.
        chip.name = sharing > 1 || chip.bare == "nvml" ? chip.bare + "@" + chip.device : chip.bare;
    }

    for (size_t c = 0; c < dirs.size(); ++c) {
        const size_t first = sources.size();
        for (const std::string &file : root.list(dirs[c])) {
            const AttributeKind *kind = nullptr;
            std::string attribute;
            bool average = false;
            if (!attributeOfFile(file, &kind, &attribute, &average) ||
                !root.isFile(dirs[c] + "/" + file))
                continue;
            ChoiceSource *known = nullptr;
            for (size_t s = first; s < sources.size(); ++s) {
                if (sources[s].attribute == attribute)
                    known = &sources[s];
            }
            // The average where a chip has both, as the rules take it.
            if (known) {
                if (average)
                    known->path = dirs[c] + "/" + file;
                continue;
            }
            ChoiceSource source;
            source.chip = chips[c].name;
            source.attribute = attribute;
            source.kind = kind->kind;
            source.path = dirs[c] + "/" + file;
            root.readLine(dirs[c] + "/" + attribute + "_label", &source.label);
            sources.push_back(source);
        }
    }
    for (int card = 0; card < nvmlCards; ++card) {
        for (const NvmlAttribute &attribute : kNvmlAttributes) {
            ChoiceSource source;
            source.chip = chips[dirs.size() + static_cast<size_t>(card)].name;
            source.attribute = attribute.name;
            source.kind = attribute.kind;
            source.label = nvml->name(card);
            source.nvmlCard = card;
            sources.push_back(source);
        }
    }
}

ChoiceSources::Found ChoiceSources::find(const std::string &name, const ChoiceSource **source) const
{
    const size_t slash = name.find('/');
    if (slash == std::string::npos)
        return Found::No;
    const std::string chipName = name.substr(0, slash), attribute = name.substr(slash + 1);
    const Chip *chip = nullptr;
    for (const Chip &candidate : chips) {
        if (chipName.find('@') != std::string::npos) {
            if (candidate.bare + "@" + candidate.device == chipName)
                chip = &candidate;
        } else if (candidate.bare == chipName) {
            if (chip)
                return Found::Ambiguous;
            chip = &candidate;
        }
    }
    if (!chip)
        return Found::No;
    for (const ChoiceSource &candidate : sources) {
        if (candidate.chip == chip->name && candidate.attribute == attribute) {
            *source = &candidate;
            return Found::Yes;
        }
    }
    return Found::No;
}

std::vector<std::string> ChoiceSources::chipsCalled(const std::string &bare) const
{
    std::vector<std::string> names;
    for (const Chip &chip : chips) {
        if (chip.bare == bare)
            names.push_back(chip.name);
    }
    return names;
}

std::string ChoiceSources::nameOfFile(const std::string &absolutePath) const
{
    const std::string real = resolved(absolutePath);
    if (real.empty())
        return {};
    for (const ChoiceSource &source : sources) {
        if (!source.path.empty() && resolved(root.path(source.path)) == real)
            return source.name();
    }
    // A thermal zone's temperature is its hwmon twin's first channel.
    const size_t slash = real.rfind('/');
    if (real.compare(slash + 1, std::string::npos, "temp") != 0)
        return {};
    for (const Chip &chip : chips) {
        if (chip.realDevice.empty() || chip.realDevice != real.substr(0, slash))
            continue;
        for (const ChoiceSource &source : sources) {
            if (source.chip == chip.name && source.attribute == "temp1")
                return source.name();
        }
    }
    return {};
}

std::function<bool(uint64_t, double *)> ChoiceSources::reader(const ChoiceSource &source) const
{
    if (source.nvmlCard >= 0) {
        for (const NvmlAttribute &attribute : kNvmlAttributes) {
            if (source.attribute != attribute.name)
                continue;
            const NvmlGpus *gpus = nvml;
            const int card = source.nvmlCard;
            return [gpus, card, attribute](uint64_t, double *value) {
                const NvmlGpus::Values values = gpus->read(card);
                const double v = values.*attribute.value;
                if (!(values.*attribute.has) ||
                    !(v >= attribute.range->min && v <= attribute.range->max))
                    return false;
                *value = v;
                return true;
            };
        }
        return [](uint64_t, double *) { return false; };
    }
    const Conversion *conversion = &kMilliDegrees;
    for (const AttributeKind &kind : kAttributeKinds) {
        if (kind.kind == source.kind)
            conversion = kind.conversion;
    }
    auto file = std::make_shared<Attribute>(root.path(source.path));
    const Conversion range = *conversion;
    return [file, range](uint64_t, double *value) {
        long long raw = 0;
        return file->readInteger(&raw) && convertReading(raw, range, value);
    };
}
