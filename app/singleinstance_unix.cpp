#include "crashhandler_linux.h"
#include "singleinstance.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

// The guard's files sit in the session's runtime folder, or in /tmp without one:
//   <key>.guard       Qt's key file (its inode makes the System V key); QSharedMemory
//                     makes it and removes it with the segment;
//   <key>.guard-lock  stays, and serialises every create, stale probe and release.
// TMPDIR plays no part: two starts with different temporary folders (or one whose
// TMPDIR is missing) must still find each other.

namespace {

// A start, or an instance letting go, holds the lock for microseconds.
constexpr int kLockWaitMs = 5000;

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Qt keeps the key files of all users in one folder when it is /tmp: with the user id
// in the key, another user's instance (a second seat, fast user switching) neither
// keeps this one out nor is kept out by it.
QString fileStem(const QString &key)
{
    QString stem = key + QStringLiteral("-uid") + QString::number(::getuid());
    for (QChar &c : stem) {
        const ushort u = c.unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
              u == '.' || u == '_' || u == '-'))
            c = QLatin1Char('_');
    }
    return stem;
}

// Why `folder` cannot hold the guard's files; empty when it can. It must be the user's
// own, or shared with the sticky bit as /tmp is, where no one else can remove or
// replace a file of ours.
QString folderProblem(const QString &folder)
{
    if (!folder.startsWith(QLatin1Char('/')))
        return QStringLiteral("it is not an absolute path");
    struct stat info = {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return errnoText(errno);
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("it is not a folder");
    if ((info.st_mode & S_ISVTX) == 0) {
        if (info.st_uid != ::geteuid())
            return QStringLiteral("it belongs to another user");
        if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
            return QStringLiteral("others may write to it");
    }
    return {};
}

// Opens `path`, made when missing, never through a link; only a regular file of this
// user is accepted. -1 with `problem` set otherwise.
int openOwnFile(const QString &path, QString *problem)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        *problem = path + QStringLiteral(": ") + errnoText(errno);
        return -1;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        *problem = path + QStringLiteral(" is not a file of this user");
        return -1;
    }
    return fd;
}

// An exclusive flock() on the lock file, dropped when the object goes.
class GuardLock
{
public:
    GuardLock() = default;
    GuardLock(const GuardLock &) = delete;
    GuardLock &operator=(const GuardLock &) = delete;
    ~GuardLock()
    {
        if (fd >= 0)
            ::close(fd);
    }

    bool open(const QString &path, QString *problem)
    {
        fd = openOwnFile(path, problem);
        return fd >= 0;
    }

    bool take()
    {
        for (int waited = 0; fd >= 0; waited += 10) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
                return true;
            if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= kLockWaitMs)
                return false;
            const timespec pause{0, 10 * 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
        return false;
    }

private:
    int fd = -1;
};

// A System V segment outlives a process that dies without detaching, and then every
// later create() of the key fails. Attaching and detaching a probe settles it: Qt
// destroys the segment in detach() when no attachment is left, which is only the case
// when no live process holds it. Qt does not serialise this for a native key; the
// caller holds the guard's lock.
void clearStaleInstanceGuard(const QString &keyFile)
{
    QSharedMemory probe;
    probe.setNativeKey(keyFile);
    if (probe.attach(QSharedMemory::ReadOnly))
        probe.detach();
}

void onInstanceGuardAcquired(const QSharedMemory &memory)
{
    // Same key derivation as Qt's System V backend.
    const key_t ipcKey = ::ftok(QFile::encodeName(memory.nativeKey()).constData(), 'Q');
    if (ipcKey == -1)
        return;
    setCrashRestartGuardSegment(::shmget(ipcKey, 0, 0));
}

} // namespace

SingleInstanceGuard::Outcome createInstanceGuard(QSharedMemory &memory, const QString &key,
                                                 QStringList *problems)
{
    // The runtime folder is the session's, whatever TMPDIR says; without one, /tmp.
    QStringList folders;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        folders << runtime;
    folders << QStringLiteral("/tmp");

    for (const QString &folder : folders) {
        const QString base = folder + QLatin1Char('/') + fileStem(key);
        QString problem = folderProblem(folder);
        GuardLock lock;
        if (problem.isEmpty() && lock.open(base + QStringLiteral(".guard-lock"), &problem)) {
            if (!lock.take()) {
                problems->append(
                    QStringLiteral("the single-instance guard cannot be set up: %1 stays locked")
                        .arg(base + QStringLiteral(".guard-lock")));
                return SingleInstanceGuard::Unavailable;
            }
            // Qt would take the System V key from whatever file or link stood there.
            const int keyFd = openOwnFile(base + QStringLiteral(".guard"), &problem);
            if (keyFd >= 0)
                ::close(keyFd);
        }
        if (!problem.isEmpty()) {
            problems->append(
                QStringLiteral("the single-instance guard cannot use %1: %2").arg(folder, problem));
            continue;
        }
        memory.setNativeKey(base + QStringLiteral(".guard"));
        clearStaleInstanceGuard(memory.nativeKey());
        if (memory.create(1, QSharedMemory::ReadWrite)) {
            onInstanceGuardAcquired(memory);
            return SingleInstanceGuard::Acquired;
        }
        if (memory.error() == QSharedMemory::AlreadyExists)
            return SingleInstanceGuard::HeldElsewhere;
        problems->append(QStringLiteral("the single-instance guard cannot be set up in %1: %2")
                             .arg(folder, memory.errorString()));
        return SingleInstanceGuard::Unavailable;
    }
    problems->append(
        QStringLiteral("the single-instance guard cannot be set up: no folder for it"));
    return SingleInstanceGuard::Unavailable;
}

void releaseInstanceGuard(QSharedMemory &memory)
{
    // Qt removes the key file with the last attachment: not while a start works on it.
    GuardLock lock;
    QString problem;
    if (lock.open(memory.nativeKey() + QStringLiteral("-lock"), &problem))
        lock.take();
    memory.detach();
}
