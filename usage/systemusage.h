#ifndef SYSTEMUSAGE_H
#define SYSTEMUSAGE_H

// Memory and system-drive figures. The queries are implemented per platform
// (systemusage_linux.cpp, systemusage_win.cpp); the parsers and the figures are shared
// so that they can be fed captured values.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

struct MemoryStatus
{
    quint32 loadPercent = 0; // share of physical memory in use, whole percent
    quint64 totalBytes = 0;
    quint64 availableBytes = 0;
};

// The platform's memory status; all zero when it cannot be read.
MemoryStatus queryMemoryStatus();

// Reads MemTotal and MemAvailable (kB) from the text of /proc/meminfo. The load
// is the used share (total - available) in whole percent, truncated. False when
// either field is missing, malformed or out of range; *status is then untouched.
bool parseMemInfo(const QByteArray &text, MemoryStatus *status);

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

// Usage of the system drive: drive C: on Windows (the first drive in QDir::drives()
// whose path contains "C" and can be queried), the root file system elsewhere.
// False when nothing was measured.
bool querySystemDriveUsage(DriveUsage *usage);

#endif // SYSTEMUSAGE_H
