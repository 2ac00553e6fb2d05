#ifndef SENSORTEXT_H
#define SENSORTEXT_H

// Tests on the names and lines that sysfs and procfs give: the one copy that the
// library, the probe and the power helper share.

#include <string_view>

inline bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

inline bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

#endif // SENSORTEXT_H
