#ifndef LINUXSENSORS_H
#define LINUXSENSORS_H

#include "discovery.h"
#include "nvmlgpu.h"
#include "sysroot.h"

#include <cstdint>
#include <string>
#include <vector>

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
    // What the last discover() looked at, what it used and what it passed
    // over, with the reason, in the order it looked.
    const std::vector<Finding> &findings() const { return record; }

    int sensorCount() const { return static_cast<int>(sensors.size()); }
    // Empty for an index out of range.
    const std::string &sensorName(int sensor) const;
    void refresh(int sensor, uint64_t nowUs);
    // Null when the sensor has no such reading at that index.
    const SensorReading *reading(int sensor, SensorKind kind, int index) const;

private:
    SysRoot root;
    std::string nvmlLibrary;
    NvmlGpus nvml;
    std::vector<Sensor> sensors;
    std::vector<Finding> record;
};

#endif // LINUXSENSORS_H
