#include "singleinstance.h"

// Windows destroys a named mapping with the last handle, also when a process dies:
// nothing can be stale.
void clearStaleInstanceGuard(const QString &) {}

void onInstanceGuardAcquired(const QSharedMemory &) {}
