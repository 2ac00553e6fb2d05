#include "singleinstance.h"

SingleInstanceGuard::Outcome createInstanceGuard(QSharedMemory &memory, const QString &key,
                                                 QStringList *problems)
{
    // A named mapping without the Global prefix lives in the logon session: per user
    // already. Windows destroys it with the last handle, also when a process dies:
    // nothing can be stale.
    memory.setKey(key);
    if (memory.create(1, QSharedMemory::ReadWrite))
        return SingleInstanceGuard::Acquired;
    // An elevated instance's mapping, or the semaphore Qt guards it with, denies a plain
    // start access: it is held all the same.
    if (memory.error() == QSharedMemory::AlreadyExists ||
        memory.error() == QSharedMemory::PermissionDenied ||
        memory.error() == QSharedMemory::LockError)
        return SingleInstanceGuard::HeldElsewhere;
    problems->append(QStringLiteral("the single-instance guard cannot be set up: ") +
                     memory.errorString());
    return SingleInstanceGuard::Unavailable;
}

void releaseInstanceGuard(QSharedMemory &memory)
{
    memory.detach();
}
