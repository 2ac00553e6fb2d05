#include "systemusage.h"

#include <QFile>

#include <sys/statvfs.h>

MemoryStatus queryMemoryStatus()
{
    MemoryStatus status;
    QFile file(QStringLiteral("/proc/meminfo"));
    if (file.open(QIODevice::ReadOnly)) {
        // The table is a few kB; the bound keeps a strange file from being slurped whole.
        parseMemInfo(file.read(64 * 1024), &status);
    }
    return status;
}

bool querySystemDriveUsage(DriveUsage *usage)
{
    struct statvfs fs = {};
    if (statvfs("/", &fs) != 0)
        return false;
    const quint64 blockSize = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
    // All free blocks, including those reserved for root, as the Windows query's
    // total free bytes count them.
    *usage = driveUsage(static_cast<quint64>(fs.f_blocks) * blockSize,
                        static_cast<quint64>(fs.f_bfree) * blockSize);
    return true;
}
