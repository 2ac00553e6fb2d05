#ifndef CHOICESOURCES_H
#define CHOICESOURCES_H

// Every reading an owner may choose for a field, by the name sensors.conf and
// the probe give it: a hwmon chip's name, with "@device" (its PCI address or
// platform name) where two chips share the name, a slash and the attribute
// ("nct6798/fan3", "amdgpu@0000:03:00.0/temp2"); NVIDIA cards as
// "nvml@<PCI address>/temperature", fan, power, clock or usage.

#include "linuxsensors.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ChoiceSource
{
    std::string chip;      // as named: "nct6798", "amdgpu@0000:03:00.0"
    std::string attribute; // "fan3", "power1", "temperature"
    SensorKind kind = SensorKind::Temperature;
    std::string label; // the attribute's own label file, where it has one
    std::string path;  // the file below the root; empty for NVML
    int nvmlCard = -1;
    std::string name() const { return chip + "/" + attribute; }
};

class ChoiceSources
{
public:
    // The hwmon chips below `root`, and the cards of `nvml` when it is open.
    ChoiceSources(const SysRoot &root, const NvmlGpus *nvml);

    const std::vector<ChoiceSource> &all() const { return sources; }

    enum class Found
    {
        Yes,
        No,
        Ambiguous, // a bare chip name that several chips carry
    };
    // By name as written; a qualified chip name is taken even where the bare one
    // would do. `*source` is set for Yes.
    Found find(const std::string &name, const ChoiceSource **source) const;
    // The qualified names of the chips called `bare`, for a message.
    std::vector<std::string> chipsCalled(const std::string &bare) const;
    // The source whose file `absolutePath` is, or whose chip is the hwmon twin of
    // the thermal zone folder it lies in; empty when none.
    std::string nameOfFile(const std::string &absolutePath) const;

    // One reading of `source`, converted and range-checked as the rules'.
    std::function<bool(uint64_t nowUs, double *value)> reader(const ChoiceSource &source) const;

private:
    struct Chip
    {
        std::string bare;       // the name file
        std::string device;     // the device folder's name
        std::string name;       // as named
        std::string realDevice; // the resolved device folder: a thermal zone's, for its twin
    };
    SysRoot root;
    const NvmlGpus *nvml;
    std::vector<Chip> chips;
    std::vector<ChoiceSource> sources;
};

#endif // CHOICESOURCES_H
