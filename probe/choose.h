#ifndef CHOOSE_H
#define CHOOSE_H

// The probe's help in choosing each field's source: what sensors.conf decides
// on this machine, what the rules take, every reading that could be chosen
// with the line that would choose it; and --choose, which writes that line
// into the user's file.

#include "sensorlib/fieldchoice.h"

#include <QJsonObject>

#include <array>
#include <string>
#include <vector>

struct ChoiceCandidate
{
    std::string source; // "nct6798/fan3"
    SensorKind kind = SensorKind::Temperature;
    std::string label; // the chip's own label for it
    bool hasValue = false;
    double value = 0.0;
};

struct FieldChoiceState
{
    enum By
    {
        Rule,
        Choice, // a source the owner chose
        Empty,  // the owner chose none
    } by = Rule;
    // What feeds the field: a source name, else the file below the root that the
    // rule reads; empty for a computed reading or none.
    std::string source;
    ChoiceLine line;        // the owner's line that decides it, for Choice and Empty
    std::string ruleSource; // what the rule takes, or would, as `source` names it
};

struct ChoiceReport
{
    std::string userFile;
    std::string systemFile;
    std::vector<ChoiceCandidate> candidates;
    std::array<FieldChoiceState, kChoiceFieldCount> fields;
    std::vector<ChoiceProblem> problems; // files and lines that decide nothing, and why
};

// The choices on the machine below `root`, with the sources and the rules'
// picks read there now.
ChoiceReport readChoices(const std::string &root, const std::string &nvmlLibrary,
                         const std::string &systemFile, const std::string &userFile);

// The listing's section on choosing, for a terminal: text from files and from the
// machine with its control characters and bytes beyond ASCII escaped.
std::string choiceListing(const ChoiceReport &report);
// The same facts: {"userFile", "systemFile", "fields": {FIELD: {"by": "rule",
// "choice" or "none", "source", "ruleSource", ["file", "line", "text"],
// "candidates": [{"source", "label", "value", "unit", "line", "feeds"}]}},
// "problems": [{"file", "line", "text", "why"}]}.
QJsonObject choiceJson(const ChoiceReport &report);
// The listing's JSON with "choices" added.
std::string withChoices(const std::string &listingJson, const ChoiceReport &report);
// Why the owner's line leaves `field` empty: kept empty, or a chosen source that
// gives no reading now; empty where the rule decides.
std::string choiceReason(const ChoiceReport &report, int field);

// `text` with the [Fields] line of `field` set to `value`, in place of the first
// such line (any further ones go), else after the group's last line, else in a
// new group at the end; an empty value removes the field's lines. Every other
// line stays as it was.
std::string withFieldLine(const std::string &text, const std::string &field,
                          const std::string &value);

// --choose FIELD SOURCE|none|auto against the machine of QUILLON_SENSORS_ROOT:
// 0 when written (or nothing to change), 2 for a field or source that is not
// there, 1 when the file could not be read or written, which is then left whole.
int chooseSource(const std::string &field, const std::string &value);

#endif // CHOOSE_H
