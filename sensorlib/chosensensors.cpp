#include "chosensensors.h"

#include "sensortext.h"

ChoiceOutcome resolveChoice(const ChoiceSources &sources, int field, const std::string &value,
                            const ChoiceSource **source, std::string *why)
{
    if (value.empty() || value == "auto")
        return ChoiceOutcome::Rule;
    if (value == "none")
        return ChoiceOutcome::Empty;
    const ChoiceSource *found = nullptr;
    switch (sources.find(value, &found)) {
    case ChoiceSources::Found::No:
        *why = "no source " + value + " on this machine";
        return ChoiceOutcome::Unusable;
    case ChoiceSources::Found::Ambiguous: {
        const size_t slash = value.find('/');
        const std::string bare = value.substr(0, slash);
        std::string names;
        for (const std::string &chip : sources.chipsCalled(bare))
            names += (names.empty() ? "" : " or ") + chip + value.substr(slash);
        *why = "several chips are called " + bare + ": write " + names;
        return ChoiceOutcome::Unusable;
    }
    case ChoiceSources::Found::Yes:
        break;
    }
    const ChoiceField &wanted = choiceFields()[static_cast<size_t>(field)];
    if (found->kind != wanted.kind) {
        *why = value + " is a " + sensorKindName(found->kind) + " reading; " + wanted.name +
               " takes a " + sensorKindName(wanted.kind);
        return ChoiceOutcome::Unusable;
    }
    *source = found;
    return ChoiceOutcome::Source;
}

const char *sensorKindName(SensorKind kind)
{
    static const char *const names[kSensorKindCount] = {"temperature", "fan speed", "power",
                                                        "clock", "usage"};
    return names[static_cast<int>(kind)];
}

ChosenSensors::ChosenSensors(const std::string &root, const std::string &nvmlLibrary,
                             FieldChoices choices)
    : rules(root, nvmlLibrary), root(root), nvmlLibrary(nvmlLibrary), choices(std::move(choices))
{
}

ChosenSensors::~ChosenSensors() = default;

void ChosenSensors::discover(uint64_t nowUs)
{
    rules.discover(nowUs);
    decided.fill(false);
    chosen.clear();
    sources.reset();
    nvml.close();
    bool any = false, anyCard = false;
    for (const ChoiceLine &line : choices.lines) {
        any = any || (!line.value.empty() && line.value != "auto");
        anyCard = anyCard || startsWith(line.value, "nvml");
    }
    if (!any)
        return;
    // NVML only for a line that names a card: loading it costs.
    if (anyCard)
        nvml.open(nvmlLibrary);
    sources = std::make_unique<ChoiceSources>(root, &nvml);
    for (int f = 0; f < kChoiceFieldCount; ++f) {
        const ChoiceSource *source = nullptr;
        std::string why;
        const ChoiceOutcome outcome =
            resolveChoice(*sources, f, choices.lines[static_cast<size_t>(f)].value, &source, &why);
        decided[static_cast<size_t>(f)] =
            outcome == ChoiceOutcome::Empty || outcome == ChoiceOutcome::Source;
        if (outcome != ChoiceOutcome::Source)
            continue;
        ChipSensor *chip = nullptr;
        for (ChipSensor &known : chosen) {
            if (known.name == source->chip)
                chip = &known;
        }
        if (!chip) {
            chosen.push_back(ChipSensor{source->chip, {}});
            chip = &chosen.back();
        }
        Chosen reading;
        reading.read = sources->reader(*source);
        reading.reading.label = choiceFields()[static_cast<size_t>(f)].report;
        chip->readings[static_cast<int>(source->kind)].push_back(std::move(reading));
    }
}

int ChosenSensors::sensorCount() const
{
    return rules.sensorCount() + static_cast<int>(chosen.size());
}

const std::string &ChosenSensors::sensorName(int sensor) const
{
    static const std::string none;
    if (sensor < rules.sensorCount())
        return rules.sensorName(sensor);
    const auto index = static_cast<size_t>(sensor - rules.sensorCount());
    return index < chosen.size() ? chosen[index].name : none;
}

void ChosenSensors::refresh(int sensor, uint64_t nowUs)
{
    if (sensor < rules.sensorCount()) {
        rules.refresh(sensor, nowUs);
        return;
    }
    const auto index = static_cast<size_t>(sensor - rules.sensorCount());
    if (index >= chosen.size())
        return;
    for (auto &list : chosen[index].readings) {
        for (Chosen &one : list)
            one.reading.present = one.read(nowUs, &one.reading.value);
    }
}

const SensorReading *ChosenSensors::reading(int sensor, SensorKind kind, int index) const
{
    if (sensor < rules.sensorCount()) {
        const SensorReading *reading = rules.reading(sensor, kind, index);
        for (int f = 0; reading && f < kChoiceFieldCount; ++f) {
            if (decided[static_cast<size_t>(f)] &&
                choiceFields()[static_cast<size_t>(f)].kind == kind &&
                isFieldLabel(f, reading->label))
                return nullptr;
        }
        return reading;
    }
    const auto chip = static_cast<size_t>(sensor - rules.sensorCount());
    if (chip >= chosen.size() || index < 0)
        return nullptr;
    const auto &list = chosen[chip].readings[static_cast<int>(kind)];
    if (static_cast<size_t>(index) >= list.size() ||
        !list[static_cast<size_t>(index)].reading.present)
        return nullptr;
    return &list[static_cast<size_t>(index)].reading;
}
