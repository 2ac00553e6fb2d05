#ifndef SENSORRULES_H
#define SENSORRULES_H

// Which chip channel feeds which field, as data, and the small pure
// conversions of one reading. No file access here.

#include <cstdint>
#include <string>
#include <vector>

// One attribute's raw integer to a value in the field's unit, refused outside
// the range any real sensor reports (127 °C and -55 °C are "no sensor"
// markers of several Super-I/O chips, 65535 RPM a stalled counter).
struct Conversion
{
    double divisor;
    double min;
    double max;
};
// No machine this runs on draws more, summed over its CPU packages or on one
// GPU: a larger figure is a misread or faulty counter and is dropped, not
// shown. Every power figure is held to it, the power helper's included.
constexpr double kMaxPlausibleWatts = 2000.0;
extern const Conversion kMilliDegrees; // temperatures
extern const Conversion kFanRpm;
extern const Conversion kMicroWatts;
extern const Conversion kHertz;     // hwmon freqN_input
extern const Conversion kKiloHertz; // cpufreq
extern const Conversion kMegaHertz; // drm frequency files
extern const Conversion kPercent;
bool convertReading(long long raw, const Conversion &conversion, double *value);

// Energy counters are sampled once a second. A longer interval is a suspend or a
// stall, whose average is not the last second's.
constexpr uint64_t kLongestEnergyIntervalUs = 3000000;

// The microjoules a counter that wraps to 0 after maxRangeUj (0: unknown) gained
// between two samples elapsedUs apart. A counter that went down has wrapped once
// only when it stood close enough to its top for kMaxPlausibleWatts to have
// reached it in the interval; otherwise it was reset. False then, for a sample
// beyond its range, and for an interval of no time or longer than
// kLongestEnergyIntervalUs.
bool energyConsumed(uint64_t beforeUj, uint64_t afterUj, uint64_t maxRangeUj, uint64_t elapsedUs,
                    uint64_t *consumedUj);

// Watts from a microjoule counter over the interval since its last sample, by
// energyConsumed. False on the first sample and whenever energyConsumed is; the
// next sample then starts afresh.
struct EnergyRate
{
    uint64_t lastEnergy = 0;
    uint64_t lastUs = 0;
    bool primed = false;
};
bool energyRate(EnergyRate *rate, uint64_t energyUj, uint64_t maxRangeUj, uint64_t nowUs,
                double *watts);

// hwmon drivers as the rules know them, from the chip's name file.
enum class ChipFamily
{
    Other,
    Nct6775,  // nct6775 .. nct6799
    Nct6683,  // nct6683, nct6686, nct6687
    It87,     // it8xxx
    Thinkpad, // thinkpad_acpi
    DellSmm,  // dell_smm
    AsusWmi,  // asus_wmi_sensors
    AsusEc,   // asus-ec-sensors
    Pch,      // pch_* chipset thermal
    Gpu,      // a driver that gpuKind() knows
};
ChipFamily chipFamily(const std::string &hwmonName);

// The board's Super-I/O chip, by its driver's name: its fans and temperatures
// are the board's, and without its driver there are none.
bool isSuperIoChip(const std::string &hwmonName);

// A fan label that names the CPU fan exactly ("CPU_Opt" does not: it is the
// optional header beside it).
bool isCpuFanLabel(const std::string &label);
// The fan channel that is the CPU header on this chip when no label says so;
// 0 when the chip has no such convention.
int cpuFanChannel(ChipFamily family, const std::string &boardVendor);

// Board temperature sources, in order of preference.
struct BoardTempRule
{
    ChipFamily family;
    const char *label; // the channel carrying this label, or
    int channel;       // this channel when `label` is null
    const char *report;
    const char *why;
};
const std::vector<BoardTempRule> &boardTempRules();

struct GpuFacts
{
    std::string pciAddress; // "0000:03:00.0"; empty where NVML does not say
    bool integrated = false;
};
// The one GPU to report: a discrete card before an integrated one, then the
// lowest PCI address; -1 for none.
int chooseGpu(const std::vector<GpuFacts> &cards);

// A PCI device directly on a root bus (its parent is "pci0000:00") is part
// of the root complex: the chipset's or the processor's own graphics.
bool onRootBus(const std::string &parentName);

// AMD families 10h to 16h, whose k10temp reports one unlabelled reading.
bool isK10Family(int cpuFamily);

// A DMI vendor or product name that a hypervisor gives its guests ("QEMU",
// "VMware Virtual Platform"): the host's sensors do not reach them.
bool namesHypervisor(const std::string &dmiText);

// A thermal zone that the kernel's device trees give the CPU or the whole SoC,
// by its type (the device-tree node's name), on boards whose CPU has no hwmon
// driver of its own.
bool isSocCpuZone(const std::string &type);

#endif // SENSORRULES_H
