#include "singleinstance.h"

// A named mapping without the Global prefix lives in the logon session: per user already.
QString userInstanceKey(const QString &stem)
{
    return stem;
}

// Windows destroys a named mapping with the last handle, also when a process dies:
// nothing can be stale.
void clearStaleInstanceGuard(const QString &) {}

void onInstanceGuardAcquired(const QSharedMemory &) {}
