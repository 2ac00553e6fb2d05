#include "refresh.h"

#include <limits>

namespace {

constexpr double bytesPerGiB = 1073741824.0;
constexpr quint64 bytesPerMiB = 1048576;

qint32 saturateToInt(quint64 value)
{
    const auto maxInt = static_cast<quint64>(std::numeric_limits<qint32>::max());
    return static_cast<qint32>(value > maxInt ? maxInt : value);
}

} // namespace

qint32 truncateToInt(double value)
{
    if (value != value) // NaN
        return 0;
    // Both bounds are exact in double; anything outside them would make the cast undefined.
    if (value <= -2147483649.0)
        return std::numeric_limits<qint32>::min();
    if (value >= 2147483648.0)
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(value);
}

RefreshRecord refreshRecordFromSnapshot(const SensorSnapshot &snapshot)
{
    RefreshRecord record;
    record.cpuTemperature = truncateToInt(snapshot.cpuTemperature);
    record.cpuUsage = truncateToInt(snapshot.cpuUsage);
    record.cpuClock = truncateToInt(snapshot.cpuClock);
    record.cpuFanSpeed = truncateToInt(snapshot.cpuFanSpeed);
    record.cpuPower = truncateToInt(snapshot.cpuPower);
    record.gpuTemperature = truncateToInt(snapshot.gpuTemperature);
    record.gpuUsage = truncateToInt(snapshot.gpuUsage);
    record.gpuClock = truncateToInt(snapshot.gpuClock);
    record.gpuFanSpeed = truncateToInt(snapshot.gpuFanSpeed);
    record.gpuPower = truncateToInt(snapshot.gpuPower);
    return record;
}

int celsiusToFahrenheit(int celsius)
{
    return truncateToInt(celsius * 1.8 + 32);
}

int fahrenheitToCelsius(int fahrenheit)
{
    return truncateToInt((fahrenheit - 32.0) / 1.8);
}

int raiseRunningMaximum(int maximum, int value)
{
    if (maximum < 1)
        maximum = 1;
    if (maximum < value)
        maximum = value == std::numeric_limits<int>::max() ? value : value + 1;
    return maximum;
}

QString memoryUsageText(quint64 totalBytes, quint64 availableBytes)
{
    const float total = static_cast<float>(static_cast<double>(totalBytes) / bytesPerGiB);
    const float available = static_cast<float>(static_cast<double>(availableBytes) / bytesPerGiB);
    const float used = total - available;
    return QStringLiteral("%1G/%2G").arg(QString::asprintf("%.1f", static_cast<double>(used)),
                                         QString::asprintf("%.1f", static_cast<double>(total)));
}

qint32 memoryTotalMiB(quint64 totalBytes)
{
    return saturateToInt(totalBytes / bytesPerMiB);
}

DriveUsage driveUsage(quint64 totalBytes, quint64 freeBytes)
{
    DriveUsage usage;
    const quint64 used = freeBytes < totalBytes ? totalBytes - freeBytes : 0;
    usage.text = QString::number(static_cast<double>(used) / bytesPerGiB, 'f', 0) +
                 QLatin1Char('G') + QLatin1Char('/') +
                 QString::number(static_cast<double>(totalBytes) / bytesPerGiB, 'f', 0) +
                 QLatin1Char('G');
    if (totalBytes != 0) {
        usage.usedPercent = truncateToInt(100 - static_cast<double>(freeBytes) /
                                                    static_cast<double>(totalBytes) * 100);
    }
    usage.totalGiB = saturateToInt(totalBytes / static_cast<quint64>(bytesPerGiB));
    return usage;
}

bool findSystemDriveUsage(const QStringList &paths, const DiskSpaceQuery &query, DriveUsage *usage)
{
    for (const QString &path : paths) {
        quint64 total = 0;
        quint64 free = 0;
        if (!query(path, &total, &free))
            continue;
        if (path.contains(QLatin1Char('C'), Qt::CaseInsensitive)) {
            *usage = driveUsage(total, free);
            return true;
        }
    }
    return false;
}
