#include "fieldchoice.h"

#include "sensorcounters.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

using K = SensorKind;

// The program's label table, group by group: a chosen reading must land in
// its field, and every reading the rules gave that field must give way.
const std::array<ChoiceField, kChoiceFieldCount> kFields = {{
    {"cpuTemperature",
     K::Temperature,
     "CPU Temperature",
     {"CPU", "CPU Temperature", "CPU Package", "CPU (Tctl/Tdie)", nullptr},
     false},
    {"cpuUsage", K::Usage, "Total CPU Usage", {"Total CPU Usage"}, false},
    {"cpuClock", K::Clock, "Core 0 Clock", {"Core 0 Clock", "core 0 Clock"}, true},
    {"cpuPower", K::Power, "CPU Package Power", {"CPU Package Power"}, false},
    {"cpuFanSpeed", K::Fan, "CPU Fan", {"CPU", "CPU Fan", "SYSFANIN", "CPUFANIN0"}, false},
    {"gpuTemperature",
     K::Temperature,
     "GPU Temperature",
     {"GPU Temperature", "GPU Thermal Diode", "GPU TS0 (DispIO)"},
     false},
    {"gpuUsage", K::Usage, "GPU Core Load", {"GPU Core Load", "GPU D3D Usage"}, false},
    {"gpuClock", K::Clock, "GPU Clock", {"GPU Clock"}, false},
    {"gpuPower",
     K::Power,
     "GPU Power (Total)",
     {"GPU Power (Total)", "GPU ASIC Power", "Total Graphics Power (TGP)",
      "GPU Core Power (VDDCR_GFX)", "GPU SoC Power (VDDCR_SOC)"},
     false},
    {"gpuFanSpeed", K::Fan, "GPU Fan1", {"GPU Fan"}, true},
    {"motherboardTemperature",
     K::Temperature,
     "Motherboard",
     {"Motherboard", "PCH Temperature", "Chipset 1 (xHCI)"},
     false},
    {"memoryClock", K::Clock, "Memory Clock", {"Memory Clock"}, false},
}};

bool isNamePart(std::string_view part)
{
    if (part.empty())
        return false;
    for (const char c : part) {
        if (c <= ' ' || c >= 0x7f || c == '/' || c == '@' || c == '=' || c == '"')
            return false;
    }
    return true;
}

std::string fieldList()
{
    std::string list;
    for (const ChoiceField &field : kFields)
        list += std::string(list.empty() ? "" : ", ") + field.name;
    return list;
}

} // namespace

const std::array<ChoiceField, kChoiceFieldCount> &choiceFields()
{
    return kFields;
}

int choiceFieldIndex(std::string_view name)
{
    for (size_t i = 0; i < kFields.size(); ++i) {
        if (name == kFields[i].name)
            return static_cast<int>(i);
    }
    return -1;
}

bool isFieldLabel(int field, std::string_view label)
{
    if (field < 0 || field >= kChoiceFieldCount)
        return false;
    const ChoiceField &f = kFields[static_cast<size_t>(field)];
    for (const char *candidate : f.labels) {
        if (!candidate)
            break;
        if (f.contains ? label.find(candidate) != std::string_view::npos : label == candidate)
            return true;
    }
    return false;
}

bool isWellFormedChoice(std::string_view value)
{
    if (value == "none" || value == "auto")
        return true;
    const size_t slash = value.find('/');
    if (slash == std::string_view::npos || !isNamePart(value.substr(slash + 1)))
        return false;
    const std::string_view chip = value.substr(0, slash);
    const size_t at = chip.find('@');
    if (at == std::string_view::npos)
        return isNamePart(chip);
    return isNamePart(chip.substr(0, at)) && isNamePart(chip.substr(at + 1));
}

void parseChoiceText(std::string_view text, const std::string &file, FieldChoices *choices)
{
    std::array<ChoiceLine, kChoiceFieldCount> found;
    std::array<int, kChoiceFieldCount> seen{};
    bool inFields = false;
    int number = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = trimmed(text.substr(start, end - start));
        start = end + 1;
        ++number;
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inFields = line == "[Fields]";
            continue;
        }
        if (!inFields)
            continue;
        const auto problem = [&](const std::string &why) {
            choices->problems.push_back(ChoiceProblem{file, number, std::string(line), why});
        };
        const size_t equals = line.find('=');
        const std::string_view key =
            equals == std::string_view::npos ? line : trimmed(line.substr(0, equals));
        std::string_view value = equals == std::string_view::npos
                                     ? std::string_view()
                                     : trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (equals == std::string_view::npos || key.empty()) {
            problem("not a line FIELD=SOURCE");
            continue;
        }
        const int field = choiceFieldIndex(key);
        if (field < 0) {
            problem("no field \"" + std::string(key) + "\"; the fields are " + fieldList());
            continue;
        }
        if (!isWellFormedChoice(value)) {
            problem("\"" + std::string(value) +
                    "\" is neither none, auto nor a source CHIP/ATTRIBUTE such as nct6798/fan2");
            continue;
        }
        ChoiceLine &first = found[static_cast<size_t>(field)];
        if (seen[static_cast<size_t>(field)]++ > 0) {
            problem(std::string(key) + " is chosen again (first on line " +
                    std::to_string(first.line) + "): neither line is used");
            continue;
        }
        first = ChoiceLine{std::string(value), file, number, std::string(line)};
    }
    for (size_t f = 0; f < found.size(); ++f) {
        if (seen[f] == 1)
            choices->lines[f] = found[f];
    }
}

ChoiceFileState readChoiceFile(const std::string &path, std::string *text, std::string *why)
{
    text->clear();
    // Without O_NONBLOCK a FIFO would hold the open until a writer came.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT)
            return ChoiceFileState::Missing;
        *why = errno == ELOOP ? std::string("a symbolic link, which is not followed")
                              : std::string(std::strerror(errno));
        return ChoiceFileState::Refused;
    }
    struct stat info = {};
    ChoiceFileState state = ChoiceFileState::Refused;
    if (::fstat(fd, &info) != 0) {
        *why = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        *why = S_ISDIR(info.st_mode) ? "a folder" : "not a regular file";
    } else if (static_cast<unsigned long long>(info.st_size) > kMaxChoiceFileBytes) {
        *why = "larger than 64 KiB";
    } else {
        char buffer[4096];
        state = ChoiceFileState::Read;
        // One byte past the limit tells a file that grew since fstat.
        while (text->size() <= kMaxChoiceFileBytes) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                *why = std::strerror(errno);
                state = ChoiceFileState::Refused;
                break;
            }
            if (got == 0)
                break;
            text->append(buffer, static_cast<size_t>(got));
        }
        if (state == ChoiceFileState::Read && text->size() > kMaxChoiceFileBytes) {
            *why = "larger than 64 KiB";
            state = ChoiceFileState::Refused;
        }
    }
    ::close(fd);
    if (state != ChoiceFileState::Read)
        text->clear();
    return state;
}

FieldChoices loadFieldChoices(const std::string &systemFile, const std::string &userFile)
{
    FieldChoices choices;
    for (const std::string &file : {systemFile, userFile}) {
        if (file.empty())
            continue;
        std::string text, why;
        switch (readChoiceFile(file, &text, &why)) {
        case ChoiceFileState::Read:
            parseChoiceText(text, file, &choices);
            break;
        case ChoiceFileState::Refused:
            choices.problems.push_back(ChoiceProblem{file, 0, {}, why + ": not read"});
            break;
        case ChoiceFileState::Missing:
            break;
        }
    }
    return choices;
}

std::string userChoiceFile()
{
    // As XDG and QStandardPaths have it: a relative XDG_CONFIG_HOME is ignored.
    const char *config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return std::string(config) + "/quillon/sensors.conf";
    const char *home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.config/quillon/sensors.conf";
    return {};
}

std::string systemChoiceFile(const SysRoot &root)
{
    return root.path("etc/quillon/sensors.conf");
}
