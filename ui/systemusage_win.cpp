#include "systemusage.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

MemoryStatus queryMemoryStatus()
{
    MEMORYSTATUSEX memory = {};
    memory.dwLength = 64;
    GlobalMemoryStatusEx(&memory);
    MemoryStatus status;
    status.loadPercent = memory.dwMemoryLoad;
    status.totalBytes = memory.ullTotalPhys;
    status.availableBytes = memory.ullAvailPhys;
    return status;
}

bool querySystemDriveUsage(DriveUsage *usage)
{
    QStringList paths;
    const QFileInfoList drives = QDir::drives();
    for (const QFileInfo &drive : drives)
        paths.append(drive.absolutePath());
    return findSystemDriveUsage(
        paths,
        [](const QString &path, quint64 *totalBytes, quint64 *freeBytes) {
            ULARGE_INTEGER available = {};
            ULARGE_INTEGER total = {};
            ULARGE_INTEGER free = {};
            if (!GetDiskFreeSpaceExW(reinterpret_cast<const wchar_t *>(path.utf16()), &available,
                                     &total, &free))
                return false;
            *totalBytes = total.QuadPart;
            *freeBytes = free.QuadPart;
            return true;
        },
        usage);
}
