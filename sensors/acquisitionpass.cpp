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

double readKind(const SensorSdkTable &sdk, ReadingKind kind, int sensor, int reading, char *buffer)
{
    switch (kind) {
    case ReadingKind::Temperature:
        return sdk.temperature(sensor, reading, buffer, kLabelCapacity);
    case ReadingKind::Fan:
        return sdk.fan(sensor, reading, buffer, kLabelCapacity);
    case ReadingKind::Power:
        return sdk.power(sensor, reading, buffer, kLabelCapacity);
    case ReadingKind::Clock:
        return sdk.clock(sensor, reading, buffer, kLabelCapacity);
    case ReadingKind::Usage:
        break;
    }
    return sdk.usage(sensor, reading, buffer, kLabelCapacity);
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
            for (int k = 0; k < kReadingKindCount; ++k) {
                const auto kind = static_cast<ReadingKind>(k);
                buffer[0] = 0;
                const double value = readKind(sdk, kind, sensor, reading, buffer);
                const bool accepted = isAcceptedReading(buffer, value);
                if (record && buffer[0] != 0)
                    record->readings.push_back({sensor, kind, std::string(bufferText(buffer)),
                                                value, accepted, false, SnapshotField{}});
                if (!accepted)
                    continue;
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
        }
        // In the journal each blank line is an entry of its own, every second per sensor.
        if (!record && (verbose || !standardOutputIsJournal())) {
            std::printf("\n");
            std::fflush(stdout);
        }
    }

    if (verbose)
        qDebug().noquote() << QStringLiteral("---------------------------- *** Hardware info get "
                                             "[Over] *** ----------------------------");
    return snapshot;
}
