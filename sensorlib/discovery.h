#ifndef DISCOVERY_H
#define DISCOVERY_H

// What the parts of discovery (the CPU, the GPUs, the board) share: the sensor
// they fill, the hwmon chips, the ways to read an attribute, and the record of
// what they looked at.

#include "sensorrules.h"
#include "sysroot.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The reading kinds of the sensor SDK contract, in its query order.
enum class SensorKind
{
    Temperature,
    Fan,
    Power,
    Clock,
    Usage
};
constexpr int kSensorKindCount = 5;

struct SensorReading
{
    std::string label;
    double value = 0.0;
    bool present = false; // false when its file could not be read this pass
    std::string source;   // the one attribute file it reads; empty for a computed reading
};

// One reading's source: false when there is no value this pass.
using ReadFn = std::function<bool(uint64_t nowUs, double *value)>;

// One sensor as the SDK reports it: a name and its readings, kind by kind.
struct Sensor
{
    std::string name;
    std::function<void()> prepare; // one query that several readings share
    std::array<std::vector<ReadFn>, kSensorKindCount> sources;
    std::array<std::vector<SensorReading>, kSensorKindCount> readings;
    void add(SensorKind kind, const std::string &label, ReadFn read);
    bool empty() const;
};

struct Chip
{
    std::string dir;  // folder holding the attributes
    std::string name; // the driver's name file
    ChipFamily family = ChipFamily::Other;
};

// One thing discovery looked at, and what it made of it.
struct Finding
{
    enum class Kind
    {
        Machine,        // a virtual machine: `name` is what its firmware or processor says
        Chip,           // a hwmon folder that cannot be used at all
        CpuTemperature, // a CPU temperature driver's chip, or thermal zone
        RaplPackage,    // a CPU package's energy counter
        CpuPower,       // a chip or card that stands in for the packages' counters
        PowerHelper,    // quillon-powerd's file
        Gpu,            // a graphics card; `name` is its driver
        Fan,            // a fan input outside the GPUs
        SuperIo,        // the board's Super-I/O chip
        MemorySpeed,    // udev's DMI record
    };
    enum class Outcome
    {
        Used,       // a reading comes from it
        PassedOver, // there and readable, but not used
        Unreadable, // there, but this user may not read it
        Missing,
    };
    Kind kind;
    std::string source; // below the root: the file or folder; "NVML card N" for NVML
    std::string name;   // the driver's or chip's name, where it has one
    Outcome outcome;
    std::string reason; // why, in a few words
};

// One discovery pass over the tree below `root`.
struct Discovery
{
    Discovery(const SysRoot &root, uint64_t nowUs);

    const SysRoot &root;
    const uint64_t nowUs; // steady microseconds: counters take their first sample here
    std::vector<Finding> findings;
    std::vector<Chip> chips; // every hwmon chip with a name, in listing order

    void note(Finding::Kind kind, const std::string &source, const std::string &name,
              Finding::Outcome outcome, const std::string &reason);

    // Input attributes of every `prefix` channel (temp, fan, freq) whose label
    // `accept`s, in listing order.
    std::vector<std::string>
    labelledInputs(const Chip &chip, const std::string &prefix,
                   const std::function<bool(const std::string &label)> &accept) const;
    // Input attribute of the first `prefix` channel labelled `label`; empty when none.
    std::string labelledInput(const Chip &chip, const std::string &prefix,
                              const std::string &label) const;
    // Folder of the first thermal zone whose type `accept`s; empty when none.
    std::string thermalZone(const std::function<bool(const std::string &type)> &accept) const;
    // One reading: an attribute kept open, converted on every refresh.
    ReadFn attribute(const std::string &path, const Conversion &conversion) const;
    // Watts from microjoule counters, summed over their common interval since now.
    ReadFn energy(const std::vector<std::string> &counters,
                  const std::vector<uint64_t> &maxRanges) const;
};

#endif // DISCOVERY_H
