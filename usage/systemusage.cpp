#include "systemusage.h"

#include "numeric/truncate.h"

#include <limits>

namespace {

constexpr double kBytesPerGiB = 1073741824.0;
constexpr quint64 kBytesPerMiB = 1048576;

qint32 saturateToInt(quint64 value)
{
    const auto maxInt = static_cast<quint64>(std::numeric_limits<qint32>::max());
    return static_cast<qint32>(value > maxInt ? maxInt : value);
}

// The value of one "Key:   1234 kB" line in bytes, or false when it is not usable.
bool kibibyteField(const QByteArray &line, const QByteArray &key, quint64 *bytes)
{
    if (!line.startsWith(key) || line.size() <= key.size() || line.at(key.size()) != ':')
        return false;
    QByteArray rest = line.mid(key.size() + 1).trimmed();
    if (rest.endsWith("kB"))
        rest.chop(2);
    bool ok = false;
    const quint64 kib = rest.trimmed().toULongLong(&ok);
    if (!ok || kib > std::numeric_limits<quint64>::max() / 1024)
        return false;
    *bytes = kib * 1024;
    return true;
}

} // namespace

bool parseMemInfo(const QByteArray &text, MemoryStatus *status)
{
    quint64 total = 0;
    quint64 available = 0;
    bool haveTotal = false;
    bool haveAvailable = false;
    // Line by line in place, up to the two lines needed: this runs every second.
    for (int start = 0; start < text.size() && !(haveTotal && haveAvailable);) {
        int end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArray line = QByteArray::fromRawData(text.constData() + start, end - start);
        if (!haveTotal)
            haveTotal = kibibyteField(line, QByteArrayLiteral("MemTotal"), &total);
        if (!haveAvailable)
            haveAvailable = kibibyteField(line, QByteArrayLiteral("MemAvailable"), &available);
        start = end + 1;
    }
    if (!haveTotal || !haveAvailable || total == 0)
        return false;
    if (available > total)
        available = total;
    status->totalBytes = total;
    status->availableBytes = available;
    status->loadPercent = static_cast<quint32>(static_cast<double>(total - available) * 100.0 /
                                               static_cast<double>(total));
    return true;
}

QString memoryUsageText(quint64 totalBytes, quint64 availableBytes)
{
    const float total = static_cast<float>(static_cast<double>(totalBytes) / kBytesPerGiB);
    const float available = static_cast<float>(static_cast<double>(availableBytes) / kBytesPerGiB);
    const float used = total - available;
    return QStringLiteral("%1G/%2G").arg(QString::asprintf("%.1f", static_cast<double>(used)),
                                         QString::asprintf("%.1f", static_cast<double>(total)));
}

qint32 memoryTotalMiB(quint64 totalBytes)
{
    return saturateToInt(totalBytes / kBytesPerMiB);
}

DriveUsage driveUsage(quint64 totalBytes, quint64 freeBytes)
{
    DriveUsage usage;
    const quint64 used = freeBytes < totalBytes ? totalBytes - freeBytes : 0;
    usage.text = QString::number(static_cast<double>(used) / kBytesPerGiB, 'f', 0) +
                 QLatin1Char('G') + QLatin1Char('/') +
                 QString::number(static_cast<double>(totalBytes) / kBytesPerGiB, 'f', 0) +
                 QLatin1Char('G');
    if (totalBytes != 0) {
        usage.usedPercent = truncateToInt(100 - static_cast<double>(freeBytes) /
                                                    static_cast<double>(totalBytes) * 100);
    }
    usage.totalGiB = saturateToInt(totalBytes / static_cast<quint64>(kBytesPerGiB));
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
