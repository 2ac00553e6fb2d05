#ifndef REFRESH_H
#define REFRESH_H

// The arithmetic of one display refresh, kept free of widgets so that it can be
// checked row by row: truncation of the sensor readings, the temperature unit
// conversions, the running maxima of the bars and the memory and drive texts.

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

#include "devicereport.h"
#include "getpcinfothread.h"

// Truncation toward zero that never leaves the range of int: NaN gives 0 and
// values beyond the range saturate (a plain cast would be undefined).
qint32 truncateToInt(double value);

// The first ten members of the refresh record, truncated from the snapshot; the
// four measured members are 0.
RefreshRecord refreshRecordFromSnapshot(const SensorSnapshot &snapshot);

// Integer part of t * 1.8 + 32 and of (t - 32) / 1.8, computed in double precision.
int celsiusToFahrenheit(int celsius);
int fahrenheitToCelsius(int fahrenheit);

// One step of a bar's running maximum: at least 1, and one above any value that
// exceeds it, so a value equal to the maximum does not raise it. Returns the new maximum.
int raiseRunningMaximum(int maximum, int value);

// "%1G/%2G" with used and total memory in GiB, one decimal each, computed in single
// precision as the system's memory query would be.
QString memoryUsageText(quint64 totalBytes, quint64 availableBytes);
qint32 memoryTotalMiB(quint64 totalBytes);

struct DriveUsage
{
    qint32 usedPercent = 0; // integer part of 100 - free / total * 100
    qint32 totalGiB = 0;
    QString text; // e.g. "120G/476G"
};

// The figures shown for one drive. A drive reporting a total of 0 bytes shows
// 0 % and "0G/0G" instead of dividing by zero.
DriveUsage driveUsage(quint64 totalBytes, quint64 freeBytes);

// Asks `query` for each path in order, skipping those it cannot measure, and takes
// the first measured path that contains "C" (any case); paths after it are not asked.
// Returns false when no such path was measured.
using DiskSpaceQuery =
    std::function<bool(const QString &path, quint64 *totalBytes, quint64 *freeBytes)>;
bool findSystemDriveUsage(const QStringList &paths, const DiskSpaceQuery &query, DriveUsage *usage);

#endif // REFRESH_H
