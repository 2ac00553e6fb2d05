#include "journalstream.h"

#include <limits>

namespace {

// One decimal number ending at `end`, with no sign, blank or overflow.
bool parseNumber(const char *text, const char *end, std::uint64_t *number)
{
    if (text == end)
        return false;
    std::uint64_t value = 0;
    for (const char *p = text; p != end; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        const auto digit = static_cast<std::uint64_t>(*p - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    *number = value;
    return true;
}

} // namespace

bool journalStreamNames(const char *value, std::uint64_t device, std::uint64_t inode)
{
    if (!value)
        return false;
    const char *colon = value;
    while (*colon && *colon != ':')
        ++colon;
    if (*colon != ':')
        return false;
    const char *end = colon + 1;
    while (*end)
        ++end;
    std::uint64_t streamDevice = 0;
    std::uint64_t streamInode = 0;
    return parseNumber(value, colon, &streamDevice) && parseNumber(colon + 1, end, &streamInode) &&
           streamDevice == device && streamInode == inode;
}
