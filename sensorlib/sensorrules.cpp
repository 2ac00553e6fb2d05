#include "sensorrules.h"

#include "gpusensor.h"
#include "sensortext.h"

#include <cctype>

const Conversion kMilliDegrees{1000.0, -40.0, 125.0};
const Conversion kFanRpm{1.0, 0.0, 25000.0};
const Conversion kMicroWatts{1e6, 0.0, kMaxPlausibleWatts};
const Conversion kHertz{1e6, 0.0, 10000.0};
const Conversion kKiloHertz{1000.0, 0.0, 10000.0};
const Conversion kMegaHertz{1.0, 0.0, 10000.0};
const Conversion kPercent{1.0, 0.0, 100.0};

bool convertReading(long long raw, const Conversion &conversion, double *value)
{
    const double converted = static_cast<double>(raw) / conversion.divisor;
    if (!(converted >= conversion.min && converted <= conversion.max))
        return false;
    *value = converted;
    return true;
}

bool energyConsumed(uint64_t beforeUj, uint64_t afterUj, uint64_t maxRangeUj, uint64_t elapsedUs,
                    uint64_t *consumedUj)
{
    if (elapsedUs == 0 || elapsedUs > kLongestEnergyIntervalUs)
        return false;
    if (maxRangeUj != 0 && (beforeUj > maxRangeUj || afterUj > maxRangeUj))
        return false;
    if (afterUj >= beforeUj) {
        *consumedUj = afterUj - beforeUj;
        return true;
    }
    // Microjoules per microsecond are watts: the most the interval can have used.
    const double mostUj = kMaxPlausibleWatts * static_cast<double>(elapsedUs);
    if (maxRangeUj == 0 || static_cast<double>(maxRangeUj - beforeUj) > mostUj)
        return false; // a reset, or a wrap at a top nobody knows
    *consumedUj = maxRangeUj - beforeUj + afterUj;
    return true;
}

bool energyRate(EnergyRate *rate, uint64_t energyUj, uint64_t maxRangeUj, uint64_t nowUs,
                double *watts)
{
    const EnergyRate last = *rate;
    rate->lastEnergy = energyUj;
    rate->lastUs = nowUs;
    rate->primed = true;
    uint64_t consumed = 0;
    if (!last.primed || nowUs <= last.lastUs ||
        !energyConsumed(last.lastEnergy, energyUj, maxRangeUj, nowUs - last.lastUs, &consumed))
        return false;
    // microjoules per microsecond are watts
    *watts = static_cast<double>(consumed) / static_cast<double>(nowUs - last.lastUs);
    return true;
}

namespace {

bool digitsFrom(const std::string &text, size_t from)
{
    if (from >= text.size())
        return false;
    for (size_t i = from; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

} // namespace

ChipFamily chipFamily(const std::string &name)
{
    if (name.size() == 7 && startsWith(name, "nct67") && digitsFrom(name, 5)) {
        const int model = (name[5] - '0') * 10 + (name[6] - '0');
        if (model >= 75)
            return ChipFamily::Nct6775;
    }
    if (name == "nct6683" || name == "nct6686" || name == "nct6687")
        return ChipFamily::Nct6683;
    if (startsWith(name, "it8") && digitsFrom(name, 2))
        return ChipFamily::It87;
    if (name == "thinkpad")
        return ChipFamily::Thinkpad;
    if (name == "dell_smm")
        return ChipFamily::DellSmm;
    if (name == "asus_wmi_sensors")
        return ChipFamily::AsusWmi;
    if (name == "asusec")
        return ChipFamily::AsusEc;
    if (startsWith(name, "pch_"))
        return ChipFamily::Pch;
    if (gpuKind(name))
        return ChipFamily::Gpu;
    return ChipFamily::Other;
}

bool isSuperIoChip(const std::string &hwmonName)
{
    // The board's environment controllers, Nuvoton, ITE, Winbond and Fintek.
    static const char *const kSuperIoPrefixes[] = {"nct6", "it8", "w836", "f718"};
    for (const char *prefix : kSuperIoPrefixes) {
        if (startsWith(hwmonName, prefix))
            return true;
    }
    return false;
}

bool isCpuFanLabel(const std::string &label)
{
    // asus-nb-wmi and asus_fan say "cpu_fan", dell_smm "Processor Fan".
    return label == "CPU Fan" || label == "CPU_FAN" || label == "cpu_fan" ||
           label == "Processor Fan";
}

namespace {

struct CpuFanRule
{
    ChipFamily family;
    const char *boardVendor; // empty: any board
    int channel;
    const char *why;
};

// Board-specific rows go before their family's row.
const CpuFanRule kCpuFanRules[] = {
    {ChipFamily::Nct6775, "", 2, "CPUFANIN"},
    {ChipFamily::Nct6683, "", 1, "CPUFAN"}, // fan2 is the pump header on MSI boards
    {ChipFamily::It87, "", 1, "CPU_FAN"},
    {ChipFamily::Thinkpad, "", 1, "only"},
    {ChipFamily::DellSmm, "", 1, "processor"},
};

const std::vector<BoardTempRule> kBoardTempRules = {
    {ChipFamily::AsusWmi, "Motherboard", 0, "Motherboard", "board"},
    {ChipFamily::AsusEc, "Motherboard", 0, "Motherboard", "board"},
    // CPUTIN and AUXTIN are never used: unconnected, they float on many boards.
    {ChipFamily::Nct6775, "SYSTIN", 0, "Motherboard", "board"},
    {ChipFamily::Nct6683, "System", 0, "Motherboard", "board"},
    // gigabyte_wmi and it87 have no documented board channel: no rows.
    {ChipFamily::Nct6775, "PCH_CHIP_TEMP", 0, "PCH Temperature", "chipset"},
    {ChipFamily::Pch, nullptr, 1, "PCH Temperature", "chipset"},
};

} // namespace

int cpuFanChannel(ChipFamily family, const std::string &boardVendor)
{
    for (const CpuFanRule &rule : kCpuFanRules) {
        if (rule.family == family && (!*rule.boardVendor || boardVendor == rule.boardVendor))
            return rule.channel;
    }
    return 0;
}

const std::vector<BoardTempRule> &boardTempRules()
{
    return kBoardTempRules;
}

int chooseGpu(const std::vector<GpuFacts> &cards)
{
    int best = -1;
    for (size_t i = 0; i < cards.size(); ++i) {
        if (best < 0) {
            best = static_cast<int>(i);
            continue;
        }
        const GpuFacts &a = cards[i], &b = cards[static_cast<size_t>(best)];
        if (a.integrated != b.integrated) {
            if (!a.integrated)
                best = static_cast<int>(i);
            continue;
        }
        // Fixed-width lower-case hex: text order is address order.
        if (!a.pciAddress.empty() && !b.pciAddress.empty() && a.pciAddress < b.pciAddress)
            best = static_cast<int>(i);
    }
    return best;
}

bool onRootBus(const std::string &parentName)
{
    return startsWith(parentName, "pci");
}

bool isK10Family(int cpuFamily)
{
    return cpuFamily >= 0x10 && cpuFamily <= 0x16;
}

bool namesHypervisor(const std::string &dmiText)
{
    static const char *const kHypervisors[] = {"QEMU",       "KVM",       "VMware",
                                               "VirtualBox", "innotek",   "Xen",
                                               "Bochs",      "Parallels", "Virtual Machine"};
    for (const char *hypervisor : kHypervisors) {
        if (dmiText.find(hypervisor) != std::string::npos)
            return true;
    }
    return false;
}

bool isSocCpuZone(const std::string &type)
{
    static const char *const kTypes[] = {
        "cpu-thermal",  // bcm2712-ds.dtsi (Raspberry Pi 5), meson-g12-common.dtsi, sun50i-h6.dtsi
        "cpu_thermal",  // mt8183.dtsi, omap3-cpu-thermal.dtsi; older trees' spelling
        "soc-thermal",  // px30.dtsi, Rockchip's rk3588s.dtsi
        "soc_thermal",  // meson-a1-ad402.dts before its node was renamed
        "cpu0-thermal", // sun50i-a64.dtsi, sun8i-r40.dtsi
        "cpu0_thermal", // the same zone as its hwmon twin spells it
        "package-thermal", // rk3588s.dtsi of the mainline kernel: the SoC's centre
    };
    for (const char *candidate : kTypes) {
        if (type == candidate)
            return true;
    }
    return false;
}
