#include "systemusage.h"

#include "win32usage.h"

#include <QDir>
#include <QFileInfo>

MemoryStatus queryMemoryStatus()
{
    MemoryStatus status;
    std::uint32_t load = 0;
    std::uint64_t total = 0;
    std::uint64_t available = 0;
    // A failed call leaves the figures at zero.
    if (queryPhysicalMemory(&load, &total, &available)) {
        status.loadPercent = load;
        status.totalBytes = total;
        status.availableBytes = available;
    }
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
            std::uint64_t total = 0;
            std::uint64_t free = 0;
            if (!queryDriveSpace(path.toStdWString(), &total, &free, nullptr))
                return false;
            *totalBytes = total;
            *freeBytes = free;
            return true;
        },
        usage);
}
