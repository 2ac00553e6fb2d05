#include "probeoutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

struct FieldSource
{
    const PassRecord::Reading *reading = nullptr;
    const std::string *sensor = nullptr;
};

const char *const kFieldNames[kSnapshotFieldCount] = {
    "cpuTemperature",         "cpuUsage",   "cpuClock", "cpuPower", "cpuFanSpeed",
    "gpuTemperature",         "gpuUsage",   "gpuClock", "gpuPower", "gpuFanSpeed",
    "motherboardTemperature", "memoryClock"};

const char *kindName(ReadingKind kind)
{
    static const char *const names[kReadingKindCount] = {"temperature", "fan", "power", "clock",
                                                         "usage"};
    return names[static_cast<int>(kind)];
}

const char *kindUnit(ReadingKind kind)
{
    static const char *const units[kReadingKindCount] = {"°C", "RPM", "W", "MHz", "%"};
    return units[static_cast<int>(kind)];
}

// The kind whose label groups fill `field`, from the table the pass matches with.
ReadingKind fieldKind(SnapshotField field)
{
    for (int k = 0; k < kReadingKindCount; ++k) {
        int count = 0;
        const LabelGroup *groups = labelGroups(static_cast<ReadingKind>(k), &count);
        for (int g = 0; g < count; ++g) {
            if (groups[g].field == field)
                return static_cast<ReadingKind>(k);
        }
    }
    return ReadingKind::Temperature;
}

FieldSource sourceOf(const ProbeResult &result, SnapshotField field)
{
    FieldSource source;
    for (const PassRecord::Reading &reading : result.pass.readings) {
        if (reading.fills && reading.field == field) {
            source.reading = &reading;
            const auto sensor = static_cast<size_t>(reading.sensor);
            if (sensor < result.pass.sensorNames.size())
                source.sensor = &result.pass.sensorNames[sensor];
            break;
        }
    }
    return source;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", value);
    return text;
}

// One step through text from the machine (names, labels, DMI strings): a whole UTF-8
// character, a byte that begins none, or the start of a character the text ends
// inside, as when the library cut a name to its buffer.
struct Utf8Step
{
    enum Kind
    {
        Character,
        BadByte,
        CutShort
    } kind;
    size_t length;
    uint codePoint;
};

Utf8Step utf8Step(const std::string &text, size_t at)
{
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return {Utf8Step::Character, 1, lead};
    size_t length = 0;
    uint codePoint = 0;
    uint least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
        least = 0x10000;
    } else {
        return {Utf8Step::BadByte, 1, 0};
    }
    for (size_t i = 1; i < length; ++i) {
        if (at + i >= text.size())
            return {Utf8Step::CutShort, text.size() - at, 0};
        if ((byte(at + i) & 0xC0) != 0x80)
            return {Utf8Step::BadByte, 1, 0};
        codePoint = codePoint << 6 | (byte(at + i) & 0x3Fu);
    }
    if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return {Utf8Step::BadByte, 1, 0};
    return {Utf8Step::Character, length, codePoint};
}

bool isControl(uint codePoint)
{
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
}

// Text from the machine as a terminal should get it: control characters and bytes
// that are no UTF-8 written as escapes, so that a name cannot move the cursor, clear
// the screen or retitle the window. A character cut short at the end is left out.
std::string shown(const std::string &text)
{
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const Utf8Step step = utf8Step(text, at);
        char escape[8];
        if (step.kind == Utf8Step::CutShort)
            break;
        if (step.kind == Utf8Step::BadByte) {
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(text[at]));
            out += escape;
        } else if (step.codePoint == '\\') {
            out += "\\\\";
        } else if (isControl(step.codePoint)) {
            std::snprintf(escape, sizeof escape, step.codePoint < 0x80 ? "\\x%02x" : "\\u%04x",
                          step.codePoint);
            out += escape;
        } else {
            out.append(text, at, step.length);
        }
        at += step.length;
    }
    return out;
}

// The same text for JSON: bytes that are no UTF-8 become U+FFFD, a character cut short
// at the end is left out; QJsonDocument escapes the control characters.
QJsonValue jsonText(const std::string &text)
{
    QString out;
    for (size_t at = 0; at < text.size();) {
        const Utf8Step step = utf8Step(text, at);
        if (step.kind == Utf8Step::CutShort)
            break;
        if (step.kind == Utf8Step::BadByte)
            out += QChar(QChar::ReplacementCharacter);
        else
            out += QString::fromUcs4(&step.codePoint, 1);
        at += step.length;
    }
    return out;
}

// The value as the listing shows it (float precision); NaN and infinities, which JSON
// has no numbers for, as null.
QJsonValue jsonNumber(double value)
{
    if (!std::isfinite(value))
        return QJsonValue(QJsonValue::Null);
    return std::strtod(number(value).c_str(), nullptr);
}

// The owner's choice comes first: the machine's facts would explain the rule.
std::string emptyReason(const ProbeResult &result, SnapshotField field)
{
    const std::string &chosen = result.choiceReasons[static_cast<size_t>(field)];
    return chosen.empty() ? emptyFieldReason(field, result.facts) : chosen;
}

const char *findingKindName(Finding::Kind kind)
{
    switch (kind) {
    case Finding::Kind::Machine:
        return "machine";
    case Finding::Kind::Chip:
        return "hwmon chip";
    case Finding::Kind::CpuTemperature:
        return "cpu temperature";
    case Finding::Kind::RaplPackage:
        return "rapl package";
    case Finding::Kind::CpuPower:
        return "cpu power";
    case Finding::Kind::PowerHelper:
        return "power helper";
    case Finding::Kind::Gpu:
        return "gpu";
    case Finding::Kind::Fan:
        return "fan";
    case Finding::Kind::SuperIo:
        return "super-i/o";
    case Finding::Kind::MemorySpeed:
        return "memory speed";
    }
    return "";
}

const char *outcomeName(Finding::Outcome outcome)
{
    switch (outcome) {
    case Finding::Outcome::Used:
        return "used";
    case Finding::Outcome::PassedOver:
        return "passed over";
    case Finding::Outcome::Unreadable:
        return "unreadable";
    case Finding::Outcome::Missing:
        return "missing";
    }
    return "";
}

std::string padded(const std::string &text, size_t width)
{
    // Width in characters, so count UTF-8 lead bytes only.
    size_t length = 0;
    for (const char c : text)
        length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return text + std::string(length < width ? width - length : 1, ' ');
}

} // namespace

const char *snapshotFieldName(SnapshotField field)
{
    return kFieldNames[static_cast<int>(field)];
}

const char *snapshotFieldUnit(SnapshotField field)
{
    return kindUnit(fieldKind(field));
}

void noteReadingsBelowOne(ProbeResult &result)
{
    for (const PassRecord::Reading &reading : result.pass.readings) {
        SnapshotField field;
        const FoundFlags none{};
        if (reading.accepted || !matchReading(reading.kind, reading.label, none, &field))
            continue;
        std::string &label = result.facts.belowOne[static_cast<int>(field)];
        if (label.empty() && !sourceOf(result, field).reading)
            label = reading.label;
    }
}

std::string plainListing(const ProbeResult &result)
{
    std::string out = "Sensors the library reports (root " + shown(result.root) + "):\n";
    for (size_t s = 0; s < result.pass.sensorNames.size(); ++s) {
        out += "  " + shown(result.pass.sensorNames[s]) + "\n";
        for (const PassRecord::Reading &reading : result.pass.readings) {
            if (static_cast<size_t>(reading.sensor) != s)
                continue;
            out += "    " + padded(kindName(reading.kind), 12) + padded(shown(reading.label), 28) +
                   number(reading.value) + " " + kindUnit(reading.kind) +
                   (reading.accepted ? "" : "  (below 1: not used)") + "\n";
        }
    }
    out += "\nFields the program shows:\n";
    for (int f = 0; f < kSnapshotFieldCount; ++f) {
        const auto field = static_cast<SnapshotField>(f);
        const FieldSource source = sourceOf(result, field);
        out += "  " + padded(snapshotFieldName(field), 24);
        if (source.reading) {
            out += padded(number(source.reading->value) + " " + snapshotFieldUnit(field), 14) +
                   "\"" + shown(source.reading->label) + "\" of " +
                   (source.sensor ? shown(*source.sensor) : std::string("?")) + "\n";
        } else {
            out += padded("-", 14) + shown(emptyReason(result, field)) + "\n";
        }
    }
    if (!result.findings.empty())
        out += "\nWhat the library looked at:\n";
    for (const Finding &finding : result.findings) {
        out += "  " + padded(findingKindName(finding.kind), 16) +
               padded(outcomeName(finding.outcome), 13) + shown(finding.source) +
               (finding.name.empty() ? std::string() : " (" + shown(finding.name) + ")") + ": " +
               shown(finding.reason) + "\n";
    }
    return out;
}

std::string jsonListing(const ProbeResult &result)
{
    QJsonArray sensors;
    for (size_t s = 0; s < result.pass.sensorNames.size(); ++s) {
        QJsonArray readings;
        for (const PassRecord::Reading &reading : result.pass.readings) {
            if (static_cast<size_t>(reading.sensor) != s)
                continue;
            readings.append(
                QJsonObject{{QStringLiteral("kind"), QLatin1String(kindName(reading.kind))},
                            {QStringLiteral("label"), jsonText(reading.label)},
                            {QStringLiteral("value"), jsonNumber(reading.value)},
                            {QStringLiteral("unit"), QString::fromUtf8(kindUnit(reading.kind))}});
        }
        sensors.append(QJsonObject{{QStringLiteral("name"), jsonText(result.pass.sensorNames[s])},
                                   {QStringLiteral("readings"), readings}});
    }
    QJsonObject fields;
    for (int f = 0; f < kSnapshotFieldCount; ++f) {
        const auto field = static_cast<SnapshotField>(f);
        const FieldSource source = sourceOf(result, field);
        QJsonObject entry;
        if (source.reading) {
            entry = {{QStringLiteral("value"), jsonNumber(source.reading->value)},
                     {QStringLiteral("unit"), QString::fromUtf8(snapshotFieldUnit(field))},
                     {QStringLiteral("sensor"), jsonText(source.sensor ? *source.sensor : "")},
                     {QStringLiteral("label"), jsonText(source.reading->label)}};
        } else {
            entry = {{QStringLiteral("value"), QJsonValue(QJsonValue::Null)},
                     {QStringLiteral("reason"), jsonText(emptyReason(result, field))}};
        }
        fields.insert(QLatin1String(snapshotFieldName(field)), entry);
    }
    QJsonArray findings;
    for (const Finding &finding : result.findings) {
        findings.append(
            QJsonObject{{QStringLiteral("kind"), QLatin1String(findingKindName(finding.kind))},
                        {QStringLiteral("outcome"), QLatin1String(outcomeName(finding.outcome))},
                        {QStringLiteral("source"), jsonText(finding.source)},
                        {QStringLiteral("name"), jsonText(finding.name)},
                        {QStringLiteral("reason"), jsonText(finding.reason)}});
    }
    const QJsonObject listing{{QStringLiteral("root"), jsonText(result.root)},
                              {QStringLiteral("sensors"), sensors},
                              {QStringLiteral("fields"), fields},
                              {QStringLiteral("discovery"), findings}};
    return QJsonDocument(listing).toJson(QJsonDocument::Indented).toStdString();
}

std::string reportListing(const QByteArray &report, bool celsius, const QDateTime &builtAt)
{
    struct Field
    {
        int offset;
        int size;
        const char *name;
        bool temperature;
    };
    static const Field kFields[] = {
        {0, 1, "report number", false},  {1, 1, "report tag", false},
        {2, 1, "CPU temperature", true}, {3, 1, "CPU usage", false},
        {4, 2, "CPU clock", false},      {6, 2, "CPU fan speed", false},
        {8, 2, "CPU power", false},      {10, 1, "GPU temperature", true},
        {11, 1, "GPU usage", false},     {12, 2, "GPU clock", false},
        {14, 2, "GPU fan speed", false}, {16, 2, "GPU power", false},
        {18, 1, "memory load", false},   {19, 2, "physical memory size", false},
        {21, 1, "drive usage", false},   {22, 2, "drive size", false},
        {24, 2, "year", false},          {26, 1, "month", false},
        {27, 1, "day of month", false},  {28, 1, "hour", false},
        {29, 1, "minute", false},        {30, 1, "checksum", false},
    };
    const auto byte = [&report](int i) {
        return i < report.size() ? static_cast<unsigned>(static_cast<unsigned char>(report[i]))
                                 : 0u;
    };
    std::string out = "Device report, " + std::to_string(report.size()) + " bytes, " +
                      (celsius ? "Celsius" : "Fahrenheit") + " mode, built " +
                      builtAt.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString() +
                      ":\n  offset size field                 value\n";
    for (const Field &field : kFields) {
        unsigned value = byte(field.offset);
        if (field.size == 2)
            value = value << 8 | byte(field.offset + 1);
        char line[128];
        std::snprintf(line, sizeof line, "  %6d %4d %-21s %u", field.offset, field.size, field.name,
                      value);
        out += line;
        if (field.offset == 1 || field.offset == 30) {
            std::snprintf(line, sizeof line, " (0x%02X)", value);
            out += line;
        }
        if (field.temperature && !celsius && (value & 0x80))
            out += " (" + std::to_string(value & 0x7F) + " °C, Fahrenheit flag)";
        out += "\n";
    }
    unsigned sum = 0;
    for (int i = 1; i <= 29; ++i)
        sum += byte(i);
    bool reservedZero = true;
    for (int i = 31; i < report.size(); ++i)
        reservedZero = reservedZero && byte(i) == 0;
    out += std::string("  checksum ") + ((sum & 0xFF) == byte(30) ? "matches" : "DOES NOT match") +
           " bytes 1 to 29; bytes 31 to " + std::to_string(report.size() - 1) +
           (reservedZero ? " are zero\n" : " are NOT all zero\n");
    out += "Hex:\n";
    for (int i = 0; i < report.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", byte(i));
        out += std::string(i % 16 ? " " : "  ") + hex + ((i % 16 == 15) ? "\n" : "");
    }
    return out + (report.size() % 16 ? "\n" : "");
}
