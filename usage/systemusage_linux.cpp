#include "systemusage.h"

#include <QByteArray>

#include <cerrno>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

MemoryStatus queryMemoryStatus()
{
    MemoryStatus status;
    // Read straight into a buffer, every second: the table is under 2 kB and its first
    // lines are the ones needed, so 8 kB bounds a strange file without losing them.
    const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return status;
    char buffer[8192];
    size_t filled = 0;
    while (filled < sizeof buffer) {
        const ssize_t got = ::read(fd, buffer + filled, sizeof buffer - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += static_cast<size_t>(got);
    }
    ::close(fd);
    parseMemInfo(QByteArray::fromRawData(buffer, static_cast<int>(filled)), &status);
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
