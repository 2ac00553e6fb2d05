#ifndef GPUSENSOR_H
#define GPUSENSOR_H

// The GPU sensor: the graphics cards of this machine, the one whose readings
// feed the five GPU fields, and one unit per kind of card that finds them,
// picked by its driver's name from one table.

#include "discovery.h"
#include "nvmlgpu.h"

#include <cstddef>
#include <string>
#include <vector>

struct GpuKind;

// One graphics card, as sysfs or NVML shows it.
struct GpuCard
{
    const GpuKind *kind = nullptr;
    std::string pci;    // "0000:03:00.0"; empty where NVML does not say
    std::string device; // the PCI device folder, through a link
    std::string hwmon;  // its hwmon folder; empty when it has none
    std::string card;   // its drm card folder; empty when none was found
    std::string source; // where discovery found it, for the record
    bool integrated = false;
    const NvmlGpus *nvml = nullptr; // NVML's cards: the library and the card's index
    int nvmlIndex = -1;
};

// A file in one of a card's folders that may hold one of its readings.
enum class GpuFolder
{
    Hwmon,
    Device,
    Card,
};
struct GpuSource
{
    SensorKind kind;
    GpuFolder folder;
    const char *file;             // the attribute; with `label`, the channels' prefix ("temp")
    const char *label;            // the channel carrying this label; null: `file` itself
    const Conversion *conversion; // null: a microjoule counter, watts over the interval
};

// One kind of card, by its kernel driver's name.
struct GpuKind
{
    const char *driver;
    const char *vendor; // names a card that gives no product name
    // Per reading kind the first source that the card has is taken.
    const GpuSource *sources;
    size_t sourceCount;
    const char *integratedMarker; // a hwmon file that only its integrated cards have
    // An integrated card's power is its socket's, CPU included: the CPU's.
    bool socketPower;
    Sensor (*sensor)(const Discovery &discovery, const GpuCard &card);
};

// The units, one file each.
extern const GpuKind kAmdgpuKind;
extern const GpuKind kRadeonKind;
extern const GpuKind kNouveauKind;
extern const GpuKind kI915Kind;
extern const GpuKind kXeKind;
extern const GpuKind kNvidiaKind; // the proprietary driver: NVML, not sysfs

// The kind of a driver's cards; null for a driver whose cards give no readings.
const GpuKind *gpuKind(const std::string &driver);

// The report label of each reading kind, for every kind of card.
const char *gpuReadingLabel(SensorKind kind);

// The sensor of a card whose kind reads sysfs, from its kind's sources.
Sensor sysfsGpuSensor(const Discovery &discovery, const GpuCard &card);

// The cards that sysfs shows, by PCI address; what is passed over is noted.
std::vector<GpuCard> gpuCards(Discovery &discovery);

// The GPU sensor of the one card chosen among `cards` and those of `nvml`:
// a discrete card before an integrated one, then the lowest PCI address.
// False when there is no card.
bool gpuSensor(Discovery &discovery, const std::vector<GpuCard> &cards, const NvmlGpus &nvml,
               Sensor *gpu);

// An integrated card's socket power, for the CPU; empty when it gives none.
ReadFn gpuSocketPower(const Discovery &discovery, const GpuCard &card);

#endif // GPUSENSOR_H
