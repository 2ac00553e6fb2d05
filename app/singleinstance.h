#ifndef SINGLEINSTANCE_H
#define SINGLEINSTANCE_H

#include <QSharedMemory>
#include <QString>

// The single-instance guard: a 1-byte shared-memory segment whose existence is the
// lock. Held from tryAcquire() until the object is destroyed or the process dies.
// One instance per user: the segment's key is `key` made per user by the platform.
class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString &key);

    // Creates the segment. A segment left behind by a process that died is cleared
    // first, so only a live holder makes this fail.
    bool tryAcquire();

    bool isHeld() const { return memory.isAttached(); }

private:
    QSharedMemory memory;
};

// Platform layer (singleinstance_unix.cpp / singleinstance_win.cpp).
// The key of the running user's segment, with `stem` at its start.
QString userInstanceKey(const QString &stem);
// Removes the segment of `key` when no live process holds it.
void clearStaleInstanceGuard(const QString &key);
// Called once the guard is held.
void onInstanceGuardAcquired(const QSharedMemory &memory);

#endif // SINGLEINSTANCE_H
