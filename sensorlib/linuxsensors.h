#ifndef LINUXSENSORS_H
#define LINUXSENSORS_H

#include "nvmlgpu.h"
#include "sensorrules.h"
#include "sysroot.h"

#include <cstdint>
#include <functional>
#include <memory>
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

// This machine's sensors, grouped the way a user knows them: the CPU, each
// GPU, the board. Discovered once; each sensor's values are refreshed by one
// call, and a reading is then a table look-up.
class LinuxSensors
{
public:
    // Every path is read below `root`; `nvmlLibrary` is dlopen()ed for NVIDIA.
    LinuxSensors(const std::string &root, const std::string &nvmlLibrary);
    ~LinuxSensors();
    LinuxSensors(const LinuxSensors &) = delete;
    LinuxSensors &operator=(const LinuxSensors &) = delete;

    // Finds the sensors and takes the first samples of the interval counters.
    // Times are steady microseconds.
    void discover(uint64_t nowUs);

    int sensorCount() const { return static_cast<int>(sensors.size()); }
    // Empty for an index out of range.
    const std::string &sensorName(int sensor) const;
    void refresh(int sensor, uint64_t nowUs);
    // Null when the sensor has no such reading at that index.
    const SensorReading *reading(int sensor, SensorKind kind, int index) const;

private:
    using ReadFn = std::function<bool(uint64_t nowUs, double *value)>;
    struct Sensor
    {
        std::string name;
        std::function<void()> prepare; // one query that several readings share
        std::vector<ReadFn> sources[kSensorKindCount];
        std::vector<SensorReading> readings[kSensorKindCount];
        void add(SensorKind kind, const std::string &label, ReadFn read);
    };
    struct Chip
    {
        std::string dir;  // folder holding the attributes
        std::string name; // the driver's name file
        ChipFamily family = ChipFamily::Other;
    };

    struct Gpu;

    std::vector<Chip> hwmonChips() const;
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
    // Watts from microjoule counters, summed over their common interval.
    ReadFn energy(const std::vector<std::string> &counters, const std::vector<uint64_t> &maxRanges,
                  uint64_t nowUs) const;

    void addCpu(Sensor &cpu, const std::vector<Chip> &chips, uint64_t nowUs);
    void addCpuTemperature(Sensor &cpu, const std::vector<Chip> &chips, int cpuFamily);
    void addCpuPower(Sensor &cpu, const std::vector<Chip> &chips, uint64_t nowUs);
    void addHelperCpuPower(Sensor &cpu);
    std::vector<Gpu> gpuCards(const std::vector<Chip> &chips) const;
    void addGpu(const std::vector<Chip> &chips, uint64_t nowUs);
    void addSysfsGpu(const Gpu &card, uint64_t nowUs);
    void addNvidiaGpu(int index);
    void addBoard(const std::vector<Chip> &chips);
    std::string cpuFanInput(const std::vector<Chip> &chips) const;
    void addBoardTemperature(Sensor &board, const std::vector<Chip> &chips) const;

    SysRoot root;
    std::string nvmlLibrary;
    NvmlGpus nvml;
    std::vector<Sensor> sensors;
};

#endif // LINUXSENSORS_H
