#include "systemusage.h"

#include "win32usage_win.h"

#include <QDir>
#include <QFileInfo>

MemoryStatus queryMemoryStatus()
{
    MemoryStatus status;
    // A failed call writes nothing: the figures stay at zero.
    queryPhysicalMemory(&status.loadPercent, &status.totalBytes, &status.availableBytes);
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
            return queryDriveSpace(path.toStdWString(), totalBytes, freeBytes, nullptr);
        },
        usage);
}
