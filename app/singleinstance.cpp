#include "singleinstance.h"

SingleInstanceGuard::SingleInstanceGuard(const QString &key) : memory(userInstanceKey(key)) {}

bool SingleInstanceGuard::tryAcquire()
{
    if (memory.isAttached())
        return true;
    clearStaleInstanceGuard(memory.key());
    if (!memory.create(1, QSharedMemory::ReadWrite))
        return false;
    onInstanceGuardAcquired(memory);
    return true;
}
