#include "logfile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool ownerMayBeWritten(uid_t owner, int folderFd)
{
    if (owner == ::geteuid())
        return true;
    // A root run (for the hidraw node) that keeps the user's data folder appends to the
    // user's own file.
    struct stat folderInfo = {};
    return ::fstat(folderFd, &folderInfo) == 0 && folderInfo.st_uid == owner;
}

} // namespace

bool appendLogRecord(const QString &folder, const QString &path, const QByteArray &record)
{
    // O_NOFOLLOW on the folder as on the file: a linked log folder would send the
    // records wherever it points.
    const int folderFd = ::open(QFile::encodeName(folder).constData(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd < 0)
        return false;
    // O_NONBLOCK: a FIFO in the file's place must not stall the open.
    const int fd =
        ::openat(folderFd, QFile::encodeName(QFileInfo(path).fileName()).constData(),
                 O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        ::close(folderFd);
        return false;
    }
    bool complete = false;
    struct stat info = {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1 &&
        ownerMayBeWritten(info.st_uid, folderFd)) {
        const off_t start = ::lseek(fd, 0, SEEK_END);
        ssize_t written = -1;
        do {
            written = ::write(fd, record.constData(), size_t(record.size()));
        } while (written < 0 && errno == EINTR);
        complete = written == ssize_t(record.size());
        if (!complete && written > 0 && start >= 0) {
            [[maybe_unused]] const int cut = ::ftruncate(fd, start);
        }
    }
    ::close(fd);
    ::close(folderFd);
    return complete;
}
