#ifndef SENSORCOUNTERS_H
#define SENSORCOUNTERS_H

// Pure sensor arithmetic and parsers: they take text or numbers, never paths.

#include <cstdint>
#include <string>
#include <string_view>

// Jiffies of the first "cpu" line of /proc/stat.
struct CpuTimes
{
    uint64_t total = 0;
    uint64_t idle = 0;
};

// Parses the aggregate "cpu" line at the start of /proc/stat. Guest time is
// already counted in user and nice, so it is not added again.
bool parseCpuTimes(std::string_view procStat, CpuTimes *times);

// Busy share of the interval between two samples, in percent. Counters that
// went backwards (a CPU taken offline) count as no change. Returns a negative
// number when no time passed.
double cpuUsagePercent(const CpuTimes &previous, const CpuTimes &current);

// Leading decimal integer of a sysfs attribute ("45000\n").
bool parseInteger(std::string_view text, long long *value);

// The whole of `text`, trimmed, as a plain decimal number ("25.0",
// "2294.608"), whatever the C library's locale: under a decimal-comma locale,
// which QApplication sets from the environment, strtod stops at the point.
bool parseDecimal(std::string_view text, double *value);

// The value of the first "key : value" line of /proc/cpuinfo whose key is
// `key` ("model name", "cpu MHz"), trimmed.
bool cpuinfoField(std::string_view cpuinfo, std::string_view key, std::string *value);

// The configured memory speed in MT/s from the udev DMI database
// ("E:MEMORY_DEVICE_0_CONFIGURED_SPEED_MTS=3200"), else the rated speed; 0
// when neither is there.
long long memorySpeedMts(std::string_view udevDmiData);

// Text without surrounding white space.
std::string_view trimmed(std::string_view text);

#endif // SENSORCOUNTERS_H
