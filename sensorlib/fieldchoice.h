#ifndef FIELDCHOICE_H
#define FIELDCHOICE_H

// The owner's choice of source per field: sensors.conf, group [Fields], one
// line per field, "cpuFanSpeed=nct6798/fan3" or "motherboardTemperature=none".
// The user's file ($XDG_CONFIG_HOME/quillon/sensors.conf) is read over the
// system's (etc/quillon/sensors.conf below the root), line by line per field.
// Parsing and safe reading only; no Qt, as the library has none.

#include "linuxsensors.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

constexpr int kChoiceFieldCount = 12;

// A field of the snapshot as the library sees it: the reading kind that fills
// it and the labels of its group in the program's label table.
struct ChoiceField
{
    const char *name; // the snapshot member, as sensors.conf and the probe write it
    SensorKind kind;
    const char *report;                 // the label a chosen reading is reported under
    std::array<const char *, 5> labels; // the group's labels; unused slots are null
    bool contains;                      // the group matches labels that contain one
};

// The twelve, in snapshot order.
const std::array<ChoiceField, kChoiceFieldCount> &choiceFields();
// The field's index by its name; -1 for no field.
int choiceFieldIndex(std::string_view name);
// The label table would give a reading with `label` to field `field`.
bool isFieldLabel(int field, std::string_view label);

// "none", "auto", or a source name: "chip/attribute" or "chip@device/attribute",
// without blanks.
bool isWellFormedChoice(std::string_view value);

// A line that decides a field.
struct ChoiceLine
{
    std::string value; // empty when no line decides the field
    std::string file;
    int line = 0;
    std::string text; // the line as written, trimmed
};

// A line, or a whole file, that decides nothing, and why, in words.
struct ChoiceProblem
{
    std::string file;
    int line = 0; // 0: the whole file
    std::string text;
    std::string why;
};

struct FieldChoices
{
    std::array<ChoiceLine, kChoiceFieldCount> lines;
    std::vector<ChoiceProblem> problems;
};

// Larger than any file of twelve lines and its comments.
constexpr size_t kMaxChoiceFileBytes = 64 * 1024;

// The [Fields] lines of one file's text, each over the line `choices` already
// holds for its field. A field named twice in the file is decided by neither line.
void parseChoiceText(std::string_view text, const std::string &file, FieldChoices *choices);

enum class ChoiceFileState
{
    Read,
    Missing,
    Refused, // a link, FIFO, folder, an unreadable or oversized file: `why` says
};
// The whole file, opened without following a link or blocking, when it is a
// regular file of at most kMaxChoiceFileBytes.
ChoiceFileState readChoiceFile(const std::string &path, std::string *text, std::string *why);

// The system file, then the user's over it; either path may be empty.
FieldChoices loadFieldChoices(const std::string &systemFile, const std::string &userFile);

// $XDG_CONFIG_HOME/quillon/sensors.conf, else ~/.config/quillon/sensors.conf;
// empty without either variable.
std::string userChoiceFile();
std::string systemChoiceFile(const SysRoot &root);

#endif // FIELDCHOICE_H
