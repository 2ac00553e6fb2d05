#ifndef CHOSENSENSORS_H
#define CHOSENSENSORS_H

// This machine's sensors with the owner's choices applied: for a field that a
// usable line of sensors.conf decides, the readings the rules gave it are no
// longer reported, and the chosen source, if any, is reported under the label
// the label table expects for that field, on a sensor named after its chip.
// Everything else is LinuxSensors' as it is.

#include "choicesources.h"
#include "fieldchoice.h"
#include "linuxsensors.h"

#include <array>
#include <memory>

enum class ChoiceOutcome
{
    Rule,     // no line, or "auto"
    Empty,    // "none"
    Source,   // a source of this machine, of the field's kind
    Unusable, // the rule decides; `why` says why the line could not
};
// What `value` makes of field `field` on the machine `sources` describe.
ChoiceOutcome resolveChoice(const ChoiceSources &sources, int field, const std::string &value,
                            const ChoiceSource **source, std::string *why);

// "temperature", "fan speed", "power", "clock", "usage".
const char *sensorKindName(SensorKind kind);

class ChosenSensors
{
public:
    ChosenSensors(const std::string &root, const std::string &nvmlLibrary, FieldChoices choices);
    ~ChosenSensors();
    ChosenSensors(const ChosenSensors &) = delete;
    ChosenSensors &operator=(const ChosenSensors &) = delete;

    // LinuxSensors' interface, over the rules' sensors and the chosen ones after them.
    void discover(uint64_t nowUs);
    int sensorCount() const;
    const std::string &sensorName(int sensor) const;
    void refresh(int sensor, uint64_t nowUs);
    const SensorReading *reading(int sensor, SensorKind kind, int index) const;

private:
    struct Chosen
    {
        std::function<bool(uint64_t nowUs, double *value)> read;
        SensorReading reading;
    };
    struct ChipSensor
    {
        std::string name;
        std::vector<Chosen> readings[kSensorKindCount];
    };

    LinuxSensors rules;
    SysRoot root;
    std::string nvmlLibrary;
    FieldChoices choices;
    NvmlGpus nvml;
    std::unique_ptr<ChoiceSources> sources;
    std::array<bool, kChoiceFieldCount> decided{}; // the rules' readings give way
    std::vector<ChipSensor> chosen;
};

#endif // CHOSENSENSORS_H
