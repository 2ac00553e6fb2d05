#ifndef SYSTEMUSAGE_H
#define SYSTEMUSAGE_H

// Memory and system-drive figures for the refresh. The queries are implemented
// per platform (systemusage_linux.cpp, systemusage_win.cpp); the parser of the
// Linux memory table is shared so that it can be fed captured files.

#include <QByteArray>
#include <QtGlobal>

#include "refresh.h"

struct MemoryStatus
{
    quint32 loadPercent = 0; // share of physical memory in use, whole percent
    quint64 totalBytes = 0;
    quint64 availableBytes = 0;
};

// The platform's memory status; all zero when it cannot be read.
MemoryStatus queryMemoryStatus();

// Usage of the system drive: drive C: on Windows (the first drive in QDir::drives()
// whose path contains "C" and can be queried), the root file system elsewhere.
// False when nothing was measured.
bool querySystemDriveUsage(DriveUsage *usage);

// Reads MemTotal and MemAvailable (kB) from the text of /proc/meminfo. The load
// is the used share (total - available) in whole percent, truncated. False when
// either field is missing, malformed or out of range; *status is then untouched.
bool parseMemInfo(const QByteArray &text, MemoryStatus *status);

#endif // SYSTEMUSAGE_H
