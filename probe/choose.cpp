#include "choose.h"

#include "sensorlib/chosensensors.h"
#include "sensorlib/linuxsensors.h"
#include "sensorlib/powerhelperfile.h"
#include "sensorlib/sensorcounters.h"
#include "sensorlib/sensortext.h"
#include "sensorlib/sysroot.h"
#include "sensors/acquisitionpass.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QSaveFile>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char *unitOf(SensorKind kind)
{
    static const char *const units[kSensorKindCount] = {"°C", "RPM", "W", "MHz", "%"};
    return units[static_cast<int>(kind)];
}

std::string environmentOr(const char *name, const char *fallback)
{
    const char *value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", value);
    return text;
}

// The owner's file and the chips' names are ASCII: anything else is shown as an
// escape, so that no line can move the cursor or retitle the terminal.
std::string escaped(const std::string &text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte >= 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

std::string padded(const std::string &text, size_t width)
{
    // Width in characters: the units' degree sign is two bytes.
    size_t length = 0;
    for (const char c : text)
        length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return text + std::string(length < width ? width - length : 1, ' ');
}

std::string where(const std::string &file, int line)
{
    return file + (line > 0 ? " line " + std::to_string(line) : std::string());
}

QString text(const std::string &value)
{
    return QString::fromUtf8(value.data(), static_cast<int>(value.size()));
}

const char *byName(FieldChoiceState::By by)
{
    return by == FieldChoiceState::Choice  ? "choice"
           : by == FieldChoiceState::Empty ? "none"
                                           : "rule";
}

bool feeds(const FieldChoiceState &state, const ChoiceCandidate &candidate)
{
    return state.by != FieldChoiceState::Empty && !state.source.empty() &&
           state.source == candidate.source;
}

} // namespace

ChoiceReport readChoices(const std::string &root, const std::string &nvmlLibrary,
                         const std::string &systemFile, const std::string &userFile)
{
    ChoiceReport report;
    report.userFile = userFile;
    report.systemFile = systemFile;
    const FieldChoices choices = loadFieldChoices(systemFile, userFile);
    report.problems = choices.problems;

    const SysRoot sysRoot(root);
    NvmlGpus nvml;
    nvml.open(nvmlLibrary);
    const ChoiceSources sources(sysRoot, &nvml);
    const uint64_t now = boottimeNs() / 1000u;
    for (const ChoiceSource &source : sources.all()) {
        ChoiceCandidate candidate{source.name(), source.kind, source.label, false, 0.0};
        candidate.hasValue = sources.reader(source)(now, &candidate.value);
        report.candidates.push_back(candidate);
    }

    // The library's own rules, run here as well: the library says by label
    // which reading fills a field, not which file it comes from.
    LinuxSensors rules(root, nvmlLibrary);
    rules.discover(now);
    for (int s = 0; s < rules.sensorCount(); ++s)
        rules.refresh(s, now);
    const std::string below = sysRoot.path("");
    for (int f = 0; f < kChoiceFieldCount; ++f) {
        const ChoiceField &field = choiceFields()[static_cast<size_t>(f)];
        std::string ruleSource;
        bool found = false;
        for (int s = 0; !found && s < rules.sensorCount(); ++s) {
            for (int i = 0; !found && i < kReadingsPerSensor; ++i) {
                const SensorReading *reading = rules.reading(s, field.kind, i);
                if (!reading || !isFieldLabel(f, reading->label))
                    continue;
                found = true;
                ruleSource =
                    reading->source.empty() ? std::string() : sources.nameOfFile(reading->source);
                if (ruleSource.empty() && startsWith(reading->source, below))
                    ruleSource = reading->source.substr(below.size());
            }
        }
        FieldChoiceState &state = report.fields[static_cast<size_t>(f)];
        state.ruleSource = ruleSource;
        const ChoiceLine &line = choices.lines[static_cast<size_t>(f)];
        const ChoiceSource *chosen = nullptr;
        std::string why;
        switch (resolveChoice(sources, f, line.value, &chosen, &why)) {
        case ChoiceOutcome::Rule:
            state.source = ruleSource;
            break;
        case ChoiceOutcome::Empty:
            state.by = FieldChoiceState::Empty;
            state.line = line;
            break;
        case ChoiceOutcome::Source:
            state.by = FieldChoiceState::Choice;
            state.source = chosen->name();
            state.line = line;
            break;
        case ChoiceOutcome::Unusable:
            state.source = ruleSource;
            report.problems.push_back(
                ChoiceProblem{line.file, line.line, line.text, why + "; the rule decides"});
            break;
        }
    }
    // File by file, as read, and line by line within each.
    std::stable_sort(report.problems.begin(), report.problems.end(),
                     [&report](const ChoiceProblem &a, const ChoiceProblem &b) {
                         const bool aUser = a.file == report.userFile;
                         const bool bUser = b.file == report.userFile;
                         return aUser != bUser ? bUser : a.line < b.line;
                     });
    return report;
}

std::string choiceListing(const ChoiceReport &report)
{
    std::string out = "\nChoosing a field's source: a line FIELD=SOURCE in [Fields] of\n  " +
                      escaped(report.userFile) + "\nover those of\n  " +
                      escaped(report.systemFile) +
                      "\nwhich `quillon-sensors --choose FIELD SOURCE` writes. SOURCE none keeps "
                      "the field\nempty; `quillon-sensors --choose FIELD auto` gives it back to "
                      "the rule. Quillon\nreads the files when it starts. * marks what feeds "
                      "each field now.\n";
    for (int f = 0; f < kChoiceFieldCount; ++f) {
        const ChoiceField &field = choiceFields()[static_cast<size_t>(f)];
        const FieldChoiceState &state = report.fields[static_cast<size_t>(f)];
        const std::string line = where(escaped(state.line.file), state.line.line);
        out += "  " + std::string(field.name) + ": ";
        const std::string rule =
            state.ruleSource.empty() ? "" : "; the rule takes " + escaped(state.ruleSource);
        if (state.by == FieldChoiceState::Choice)
            out += "by your choice, " + state.source + " (" + line + rule + ")\n";
        else if (state.by == FieldChoiceState::Empty)
            out += "kept empty by your choice (" + line + rule + ")\n";
        else
            out += "by rule" + (state.source.empty() ? "" : ", " + escaped(state.source)) + "\n";
        bool any = false;
        for (const ChoiceCandidate &candidate : report.candidates) {
            if (candidate.kind != field.kind)
                continue;
            any = true;
            const std::string value =
                candidate.hasValue ? number(candidate.value) + " " + unitOf(candidate.kind) : "-";
            out +=
                std::string(feeds(state, candidate) ? "    * " : "      ") +
                padded(std::string(field.name) + "=" + candidate.source, 44) +
                (candidate.label.empty() ? value : padded(value, 12) + escaped(candidate.label)) +
                "\n";
        }
        if (!any)
            out +=
                "      no " + std::string(sensorKindName(field.kind)) + " reading to choose from\n";
    }
    if (!report.problems.empty())
        out += "Lines and files of sensors.conf that decide nothing:\n";
    for (const ChoiceProblem &problem : report.problems) {
        out += "  " + where(escaped(problem.file), problem.line) +
               (problem.text.empty() ? "" : " \"" + escaped(problem.text) + "\"") + ": " +
               escaped(problem.why) + "\n";
    }
    return out;
}

QJsonObject choiceJson(const ChoiceReport &report)
{
    QJsonObject fields;
    for (int f = 0; f < kChoiceFieldCount; ++f) {
        const ChoiceField &field = choiceFields()[static_cast<size_t>(f)];
        const FieldChoiceState &state = report.fields[static_cast<size_t>(f)];
        QJsonArray candidates;
        for (const ChoiceCandidate &candidate : report.candidates) {
            if (candidate.kind != field.kind)
                continue;
            candidates.append(QJsonObject{
                {QStringLiteral("source"), text(candidate.source)},
                {QStringLiteral("label"), text(candidate.label)},
                {QStringLiteral("value"),
                 candidate.hasValue ? QJsonValue(candidate.value) : QJsonValue(QJsonValue::Null)},
                {QStringLiteral("unit"), QString::fromUtf8(unitOf(candidate.kind))},
                {QStringLiteral("line"), text(std::string(field.name) + "=" + candidate.source)},
                {QStringLiteral("feeds"), feeds(state, candidate)}});
        }
        QJsonObject entry{{QStringLiteral("by"), QLatin1String(byName(state.by))},
                          {QStringLiteral("source"), state.source.empty()
                                                         ? QJsonValue(QJsonValue::Null)
                                                         : QJsonValue(text(state.source))},
                          {QStringLiteral("ruleSource"), state.ruleSource.empty()
                                                             ? QJsonValue(QJsonValue::Null)
                                                             : QJsonValue(text(state.ruleSource))},
                          {QStringLiteral("candidates"), candidates}};
        if (state.by != FieldChoiceState::Rule) {
            entry.insert(QStringLiteral("file"), text(state.line.file));
            entry.insert(QStringLiteral("line"), state.line.line);
            entry.insert(QStringLiteral("text"), text(state.line.text));
        }
        fields.insert(QLatin1String(field.name), entry);
    }
    QJsonArray problems;
    for (const ChoiceProblem &problem : report.problems) {
        problems.append(QJsonObject{{QStringLiteral("file"), text(problem.file)},
                                    {QStringLiteral("line"), problem.line},
                                    {QStringLiteral("text"), text(problem.text)},
                                    {QStringLiteral("why"), text(problem.why)}});
    }
    return QJsonObject{{QStringLiteral("userFile"), text(report.userFile)},
                       {QStringLiteral("systemFile"), text(report.systemFile)},
                       {QStringLiteral("fields"), fields},
                       {QStringLiteral("problems"), problems}};
}

std::string withChoices(const std::string &listingJson, const ChoiceReport &report)
{
    QJsonObject listing = QJsonDocument::fromJson(QByteArray::fromStdString(listingJson)).object();
    listing.insert(QStringLiteral("choices"), choiceJson(report));
    return QJsonDocument(listing).toJson(QJsonDocument::Indented).toStdString();
}

std::string choiceReason(const ChoiceReport &report, int field)
{
    if (field < 0 || field >= kChoiceFieldCount)
        return {};
    const FieldChoiceState &state = report.fields[static_cast<size_t>(field)];
    const std::string line = where(state.line.file, state.line.line);
    if (state.by == FieldChoiceState::Empty)
        return "kept empty by your choice: " + line;
    if (state.by == FieldChoiceState::Choice)
        return state.source + ", your choice in " + line + ", gives no reading now";
    return {};
}

std::string withFieldLine(const std::string &text, const std::string &field,
                          const std::string &value)
{
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    const std::string wanted = field + "=" + value;
    bool inFields = false, placed = false;
    int groups = 0;      // [Fields] headers so far
    size_t insertAt = 0; // after the first [Fields] group's last line that is not blank
    std::vector<std::string> out;
    for (const std::string &line : lines) {
        const std::string_view trimmedLine = trimmed(line);
        if (startsWith(trimmedLine, "[")) {
            inFields = trimmedLine == "[Fields]";
            groups += inFields;
            out.push_back(line);
            if (inFields && groups == 1)
                insertAt = out.size();
            continue;
        }
        const size_t equals = trimmedLine.find('=');
        if (inFields && !startsWith(trimmedLine, ";") && !startsWith(trimmedLine, "#") &&
            equals != std::string_view::npos && trimmed(trimmedLine.substr(0, equals)) == field) {
            if (!value.empty() && !placed)
                out.push_back(wanted);
            placed = placed || !value.empty();
            continue;
        }
        out.push_back(line);
        if (inFields && groups == 1 && !trimmedLine.empty())
            insertAt = out.size();
    }
    if (!value.empty() && !placed) {
        if (groups > 0) {
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(insertAt), wanted);
        } else {
            if (!out.empty() && !trimmed(out.back()).empty())
                out.emplace_back();
            out.emplace_back("[Fields]");
            out.push_back(wanted);
        }
    }
    std::string result;
    for (const std::string &line : out)
        result += line + "\n";
    return result;
}

int chooseSource(const std::string &field, const std::string &value)
{
    const int index = choiceFieldIndex(field);
    if (index < 0) {
        std::string names;
        for (const ChoiceField &known : choiceFields())
            names += std::string(names.empty() ? "" : ", ") + known.name;
        std::fprintf(stderr,
                     "quillon-sensors: no field \"%s\"; the fields are %s. Nothing written.\n",
                     escaped(field).c_str(), names.c_str());
        return 2;
    }
    if (!isWellFormedChoice(value)) {
        std::fprintf(stderr,
                     "quillon-sensors: \"%s\" is neither none, auto nor a source CHIP/ATTRIBUTE; "
                     "`quillon-sensors` lists the sources. Nothing written.\n",
                     escaped(value).c_str());
        return 2;
    }
    if (value != "none" && value != "auto") {
        NvmlGpus nvml;
        if (startsWith(value, "nvml"))
            nvml.open(environmentOr("QUILLON_NVML_LIBRARY", "libnvidia-ml.so.1"));
        const ChoiceSources sources(SysRoot(environmentOr("QUILLON_SENSORS_ROOT", "/")), &nvml);
        const ChoiceSource *source = nullptr;
        std::string why;
        if (resolveChoice(sources, index, value, &source, &why) != ChoiceOutcome::Source) {
            std::fprintf(stderr,
                         "quillon-sensors: %s; `quillon-sensors` lists the sources. Nothing "
                         "written.\n",
                         escaped(why).c_str());
            return 2;
        }
    }
    const std::string file = userChoiceFile();
    if (file.empty()) {
        std::fputs("quillon-sensors: neither XDG_CONFIG_HOME nor HOME says where the user's "
                   "sensors.conf goes. Nothing written.\n",
                   stderr);
        return 1;
    }
    std::string before, why;
    if (readChoiceFile(file, &before, &why) == ChoiceFileState::Refused) {
        std::fprintf(stderr, "quillon-sensors: %s: %s; it is left as it is.\n",
                     escaped(file).c_str(), why.c_str());
        return 1;
    }
    const std::string after = withFieldLine(before, field, value == "auto" ? "" : value);
    if (after == before) {
        std::printf("%s already says so; nothing to change.\n", escaped(file).c_str());
        return 0;
    }
    const QString path = QFile::decodeName(QByteArray::fromStdString(file));
    // A new file is written whole and renamed over the old one, which a full
    // disk or a folder that may not be written leaves as it was. QSaveFile's
    // commit overlooks a write that fails only when its buffer is flushed:
    // flush first.
    QSaveFile out(path);
    const QByteArray bytes = QByteArray::fromStdString(after);
    if (!QDir().mkpath(QFileInfo(path).path()) || !out.open(QIODevice::WriteOnly) ||
        out.write(bytes) != bytes.size() || !out.flush() || !out.commit()) {
        // Qt's own text for a failed flush is "Unknown error".
        const int error = errno;
        std::fprintf(stderr, "quillon-sensors: could not write %s (%s); it is left as it was.\n",
                     escaped(file).c_str(), std::strerror(error));
        return 1;
    }
    if (value == "auto")
        std::printf("Removed %s from %s: the rule decides it.\n", field.c_str(),
                    escaped(file).c_str());
    else
        std::printf("Wrote %s=%s into %s.\n", field.c_str(), value.c_str(), escaped(file).c_str());
    std::puts("Quillon takes it at its next start.");
    return 0;
}
