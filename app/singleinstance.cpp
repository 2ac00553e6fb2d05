#include "singleinstance.h"

SingleInstanceGuard::SingleInstanceGuard(const QString &key) : key(key) {}

SingleInstanceGuard::~SingleInstanceGuard()
{
    if (isHeld())
        releaseInstanceGuard(*memory);
}

SingleInstanceGuard::Outcome SingleInstanceGuard::acquire()
{
    if (isHeld())
        return Acquired;
    problemLines.clear();
    memory = std::make_unique<QSharedMemory>();
    return createInstanceGuard(*memory, key, &problemLines);
}
