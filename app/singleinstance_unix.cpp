#include "crashhandler_linux.h"
#include "singleinstance.h"

#include <QFile>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

// Qt keeps the key files of all users in the one temp folder: with the user id in the
// key, another user's instance (a second seat, fast user switching) neither keeps this
// one out nor is kept out by it.
QString userInstanceKey(const QString &stem)
{
    return stem + QStringLiteral("-uid") + QString::number(::getuid());
}

// A System V segment outlives a process that dies without detaching, and then every
// later create() of the key fails. Attaching and detaching a probe settles it: Qt
// destroys the segment in detach() when no attachment is left, which is only the case
// when no live process holds it. QSharedMemory serialises attach, detach and create
// through its own system semaphore (released by the kernel if a holder dies), so the
// probe never removes a segment that a concurrent start is just creating.
void clearStaleInstanceGuard(const QString &key)
{
    QSharedMemory probe(key);
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
