#include "probeoutput.h"

#include <cstdio>

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

std::string jsonString(const std::string &text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
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
    std::string out = "Sensors the library reports (root " + result.root + "):\n";
    for (size_t s = 0; s < result.pass.sensorNames.size(); ++s) {
        out += "  " + result.pass.sensorNames[s] + "\n";
        for (const PassRecord::Reading &reading : result.pass.readings) {
            if (static_cast<size_t>(reading.sensor) != s)
                continue;
            out += "    " + padded(kindName(reading.kind), 12) + padded(reading.label, 28) +
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
                   "\"" + source.reading->label + "\" of " +
                   (source.sensor ? *source.sensor : std::string("?")) + "\n";
        } else {
            out += padded("-", 14) + emptyFieldReason(field, result.facts) + "\n";
        }
    }
    return out;
}

std::string jsonListing(const ProbeResult &result)
{
    std::string out = "{\"root\": " + jsonString(result.root) + ",\n \"sensors\": [";
    for (size_t s = 0; s < result.pass.sensorNames.size(); ++s) {
        out += std::string(s ? ",\n  " : "\n  ") +
               "{\"name\": " + jsonString(result.pass.sensorNames[s]) + ", \"readings\": [";
        bool first = true;
        for (const PassRecord::Reading &reading : result.pass.readings) {
            if (static_cast<size_t>(reading.sensor) != s)
                continue;
            out += std::string(first ? "" : ", ") + "{\"kind\": \"" + kindName(reading.kind) +
                   "\", \"label\": " + jsonString(reading.label) +
                   ", \"value\": " + number(reading.value) + ", \"unit\": \"" +
                   kindUnit(reading.kind) + "\"}";
            first = false;
        }
        out += "]}";
    }
    out += "],\n \"fields\": {";
    for (int f = 0; f < kSnapshotFieldCount; ++f) {
        const auto field = static_cast<SnapshotField>(f);
        const FieldSource source = sourceOf(result, field);
        out += std::string(f ? ",\n  " : "\n  ") + "\"" + snapshotFieldName(field) + "\": ";
        if (source.reading) {
            out += "{\"value\": " + number(source.reading->value) + ", \"unit\": \"" +
                   snapshotFieldUnit(field) +
                   "\", \"sensor\": " + jsonString(source.sensor ? *source.sensor : std::string()) +
                   ", \"label\": " + jsonString(source.reading->label) + "}";
        } else {
            out += "{\"value\": null, \"reason\": " +
                   jsonString(emptyFieldReason(field, result.facts)) + "}";
        }
    }
    return out + "}}\n";
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
