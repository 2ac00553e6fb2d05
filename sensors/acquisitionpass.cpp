#include "acquisitionpass.h"

#include "journalstream.h"
#include "labelmatch.h"

#include <QDebug>
#include <QString>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

struct KindLog
{
    const char *printfLine;
    const char16_t *logFormat;
};

// Indexed by ReadingKind.
const KindLog kKindLogs[kReadingKindCount] = {
    {"Temperature ===> %.*s = %.1f C\n", u"Temperature ===> %1 = %2 \u2103"},
    {"Fan ===> %.*s = %.0f RPM\n", u"Fan ===> %1 = %2 RPM"},
    {"Power ===> %.*s = %.3f W\n", u"Power ===> %1 = %2 W"},
    {"Clock ===> %.*s = %.1f MHz\n", u"Clock ===> %1 = %2 MHz"},
    {"Usage ===> %.*s = %.1f%%\n", u"Usage ===> %1 = %2 %"},
};

// The SDK may fill the whole buffer without a terminating NUL.
std::string_view bufferText(const char *buffer)
{
    const void *nul = std::memchr(buffer, 0, kLabelCapacity);
    const size_t length = nul ? static_cast<const char *>(nul) - buffer : kLabelCapacity;
    return std::string_view(buffer, length);
}

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

void logReading(ReadingKind kind, std::string_view label, double value)
{
    const KindLog &log = kKindLogs[static_cast<int>(kind)];
    std::printf(log.printfLine, static_cast<int>(label.size()), label.data(), value);
    std::fflush(stdout);
    const QString line =
        QString::fromUtf16(log.logFormat).arg(toQString(label), QString::number(value));
    qDebug() << line;
}

// What follows an answer that wrote a label. Most answers leave the label empty and
// never get here, so the loop over the 512 indices stays a few instructions per call.
void takeReading(ReadingKind kind, int sensor, const char *buffer, double value, bool verbose,
                 FoundFlags &found, SensorSnapshot &snapshot, PassRecord *record)
{
    const bool accepted = isAcceptedReading(buffer, value);
    if (record)
        record->readings.push_back({sensor, kind, std::string(bufferText(buffer)), value, accepted,
                                    false, SnapshotField{}});
    if (!accepted)
        return;
    const std::string_view label = bufferText(buffer);
    if (verbose)
        logReading(kind, label, value);
    SnapshotField field;
    if (matchReading(kind, label, found, &field)) {
        snapshotField(snapshot, field) = narrowReading(value);
        found[static_cast<int>(field)] = true;
        if (record) {
            record->readings.back().fills = true;
            record->readings.back().field = field;
        }
    }
}

} // namespace

int boundedSensorCount(int reported)
{
    if (reported < 0)
        return 0;
    return reported > kMaxSensorCount ? kMaxSensorCount : reported;
}

bool isAcceptedReading(const char *labelBuffer, double value)
{
    return labelBuffer[0] != 0 && std::isfinite(value) && value >= 1.0;
}

float narrowReading(double value)
{
    if (value > FLT_MAX)
        return FLT_MAX;
    if (value < -FLT_MAX)
        return -FLT_MAX;
    return static_cast<float>(value);
}

SensorSnapshot runAcquisitionPass(const SensorSdkTable &sdk, bool verbose, PassRecord *record)
{
    if (verbose)
        qDebug().noquote() << QStringLiteral("---------------------------- *** Hardware info get "
                                             "[Start] *** ----------------------------");

    FoundFlags found{};
    SensorSnapshot snapshot;
    char buffer[kLabelCapacity];

    const int sensorCount = boundedSensorCount(sdk.sensorCount());
    bool newLines = false;
    for (int sensor = 0; sensor < sensorCount; ++sensor) {
        sdk.perSensor(sensor);
        buffer[0] = 0;
        sdk.sensorName(sensor, buffer, kLabelCapacity);
        if (verbose) {
            const std::string_view name = bufferText(buffer);
            std::printf("======== %.*s ========\n", static_cast<int>(name.size()), name.data());
            std::fflush(stdout);
            qDebug() << QStringLiteral("======== %1 ========").arg(toQString(name));
        }
        if (record)
            record->sensorNames.emplace_back(bufferText(buffer));
        for (int reading = 0; reading < kReadingsPerSensor; ++reading) {
            const auto ask = [&](ReadingKind kind, auto read) {
                buffer[0] = 0;
                const double value = read(sensor, reading, buffer, kLabelCapacity);
                if (buffer[0] != 0)
                    takeReading(kind, sensor, buffer, value, verbose, found, snapshot, record);
            };
            // The five kinds in their order.
            ask(ReadingKind::Temperature, sdk.temperature);
            ask(ReadingKind::Fan, sdk.fan);
            ask(ReadingKind::Power, sdk.power);
            ask(ReadingKind::Clock, sdk.clock);
            ask(ReadingKind::Usage, sdk.usage);
        }
        // In the journal each blank line is an entry of its own, every second per sensor.
        if (!record && (verbose || !standardOutputIsJournal())) {
            std::printf("\n");
            newLines = true;
        }
    }
    // One write for the pass's blank lines rather than one per sensor.
    if (newLines)
        std::fflush(stdout);

    if (verbose)
        qDebug().noquote() << QStringLiteral("---------------------------- *** Hardware info get "
                                             "[Over] *** ----------------------------");
    return snapshot;
}
