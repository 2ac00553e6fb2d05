#ifndef NVMLGPU_H
#define NVMLGPU_H

#include <string>

// NVIDIA GPUs through NVML, loaded at run time: the proprietary driver has no
// hwmon interface. Only the handful of calls below are declared, by hand.
class NvmlGpus
{
public:
    struct Values
    {
        bool hasTemperature = false, hasLoad = false, hasClock = false, hasPower = false,
             hasFan = false;
        double temperature = 0, load = 0, clock = 0, power = 0, fan = 0;
    };

    // Loads `libraryPath` (normally "libnvidia-ml.so.1") and initialises NVML.
    // False, quietly, on machines without the driver.
    bool open(const std::string &libraryPath);
    void close();
    ~NvmlGpus();

    int count() const { return deviceCount; }
    std::string name(int index) const;
    // "0000:01:00.0", as in sysfs; empty where the driver does not say.
    std::string pciAddress(int index) const;
    Values read(int index) const;

private:
    struct Api;
    void *library = nullptr;
    Api *api = nullptr;
    int deviceCount = 0;
};

#endif // NVMLGPU_H
