#include "powerhelperfile.h"

#include "sensorcounters.h"
#include "sensorrules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace {

// The value of the "key=" line, trimmed; false when there is none.
bool fieldOf(std::string_view text, std::string_view key, std::string_view *value)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            line[key.size()] == '=') {
            *value = trimmed(line.substr(key.size() + 1));
            return true;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

std::string formatPowerHelperFile(double watts, uint64_t measuredBoottimeNs)
{
    // A decimal point whatever the locale, as the reader expects; room for
    // every double in fixed notation.
    char number[400];
    char *end =
        std::to_chars(number, number + sizeof number, watts, std::chars_format::fixed, 1).ptr;
    return "watts=" + std::string(number, end) +
           "\nboottime_ns=" + std::to_string(measuredBoottimeNs) + "\n";
}

bool freshPowerHelperWatts(std::string_view text, uint64_t nowBoottimeNs, double *watts)
{
    std::string_view wattsText, timeText;
    if (!fieldOf(text, "watts", &wattsText) || !fieldOf(text, "boottime_ns", &timeText))
        return false;
    long long measured = 0;
    if (timeText.empty() || timeText.find_first_not_of("0123456789") != std::string_view::npos ||
        !parseInteger(timeText, &measured))
        return false;
    const auto measuredNs = static_cast<uint64_t>(measured);
    if (measuredNs > nowBoottimeNs || nowBoottimeNs - measuredNs >= kPowerHelperFreshNs)
        return false;
    double value = 0.0;
    if (!parseDecimal(wattsText, &value) || !(value >= 0.0 && value <= kMaxPlausibleWatts))
        return false;
    *watts = value;
    return true;
}

uint64_t boottimeNs()
{
    timespec now = {};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000ULL + static_cast<uint64_t>(now.tv_nsec);
}

bool readPowerHelperFile(const SysRoot &root, double *watts)
{
    const std::string_view relative(kPowerHelperFile);
    const size_t slash = relative.rfind('/');
    const int folder = ::open(root.path(std::string(relative.substr(0, slash))).c_str(),
                              O_RDONLY | O_CLOEXEC | O_DIRECTORY | O_NOFOLLOW);
    if (folder < 0)
        return false;
    struct stat folderInfo = {};
    int fd = -1;
    if (::fstat(folder, &folderInfo) == 0)
        fd = ::openat(folder, std::string(relative.substr(slash + 1)).c_str(),
                      O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    ::close(folder);
    if (fd < 0)
        return false;
    struct stat info = {};
    char buffer[256];
    ssize_t got = -1;
    // Whoever may write the file may write any figure into it.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        (info.st_uid == 0 || info.st_uid == folderInfo.st_uid) &&
        (info.st_mode & (S_IWGRP | S_IWOTH)) == 0) {
        do
            got = ::read(fd, buffer, sizeof buffer);
        while (got < 0 && errno == EINTR);
    }
    ::close(fd);
    // The helper writes a few dozen bytes; a full buffer is not its file.
    if (got <= 0 || static_cast<size_t>(got) == sizeof buffer)
        return false;
    return freshPowerHelperWatts(std::string_view(buffer, static_cast<size_t>(got)), boottimeNs(),
                                 watts);
}
