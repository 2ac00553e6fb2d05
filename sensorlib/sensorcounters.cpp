#include "sensorcounters.h"

#include "sensortext.h"

#include <algorithm>
#include <charconv>
#include <cmath>

std::string_view trimmed(std::string_view text)
{
    const char *space = " \t\r\n";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

bool parseInteger(std::string_view text, long long *value)
{
    text = trimmed(text);
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9')
        return false;
    unsigned long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (magnitude > (9223372036854775807ULL - digit) / 10)
            return false;
        magnitude = magnitude * 10 + digit;
    }
    *value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

bool parseDecimal(std::string_view text, double *value)
{
    text = trimmed(text);
    if (text.empty())
        return false;
    double parsed = 0.0;
    const char *end = text.data() + text.size();
    const std::from_chars_result result =
        std::from_chars(text.data(), end, parsed, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed))
        return false;
    *value = parsed;
    return true;
}

bool parseCpuTimes(std::string_view procStat, CpuTimes *times)
{
    const std::string_view line = procStat.substr(0, procStat.find('\n'));
    if (line.substr(0, 4) != "cpu ")
        return false;
    // user nice system idle iowait irq softirq steal [guest guest_nice]
    uint64_t fields[8] = {};
    size_t pos = 4;
    int count = 0;
    while (count < 8) {
        pos = line.find_first_not_of(' ', pos);
        if (pos == std::string_view::npos)
            break;
        const size_t end = std::min(line.find(' ', pos), line.size());
        long long value = 0;
        if (!parseInteger(line.substr(pos, end - pos), &value) || value < 0)
            return false;
        fields[count++] = static_cast<uint64_t>(value);
        pos = end;
    }
    if (count < 4)
        return false;
    times->total = 0;
    for (uint64_t field : fields)
        times->total += field;
    times->idle = fields[3] + fields[4];
    return true;
}

double cpuUsagePercent(const CpuTimes &previous, const CpuTimes &current)
{
    const uint64_t total = current.total > previous.total ? current.total - previous.total : 0;
    const uint64_t idle = current.idle > previous.idle ? current.idle - previous.idle : 0;
    if (total == 0)
        return -1.0;
    const uint64_t busy = idle < total ? total - idle : 0;
    return 100.0 * static_cast<double>(busy) / static_cast<double>(total);
}

bool cpuinfoField(std::string_view cpuinfo, std::string_view key, std::string *value)
{
    size_t start = 0;
    while (start < cpuinfo.size()) {
        size_t end = cpuinfo.find('\n', start);
        if (end == std::string_view::npos)
            end = cpuinfo.size();
        const std::string_view line = cpuinfo.substr(start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos && trimmed(line.substr(0, colon)) == key) {
            *value = std::string(trimmed(line.substr(colon + 1)));
            return true;
        }
        start = end + 1;
    }
    return false;
}

long long memorySpeedMts(std::string_view udevDmiData)
{
    long long configured = 0;
    long long rated = 0;
    size_t start = 0;
    while (start < udevDmiData.size()) {
        size_t end = udevDmiData.find('\n', start);
        if (end == std::string_view::npos)
            end = udevDmiData.size();
        const std::string_view line = udevDmiData.substr(start, end - start);
        start = end + 1;
        if (!startsWith(line, "E:MEMORY_DEVICE_"))
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, equals);
        long long speed = 0;
        if (!parseInteger(line.substr(equals + 1), &speed) || speed <= 0)
            continue;
        if (endsWith(key, "_CONFIGURED_SPEED_MTS")) {
            if (configured == 0)
                configured = speed;
        } else if (endsWith(key, "_SPEED_MTS") && rated == 0) {
            rated = speed;
        }
    }
    return configured ? configured : rated;
}
