#ifndef SINGLEINSTANCE_H
#define SINGLEINSTANCE_H

#include <QSharedMemory>
#include <QString>
#include <QStringList>

#include <memory>

// The single-instance guard: a 1-byte shared-memory segment whose existence is the
// lock. Held from a successful acquire() until the object is destroyed or the process
// dies. One instance per user: the segment's key is `key` made per user by the platform.
class SingleInstanceGuard
{
public:
    enum Outcome
    {
        Acquired,
        HeldElsewhere, // a live process holds it
        Unavailable    // it could not be set up at all; problems() says why
    };

    explicit SingleInstanceGuard(const QString &key);
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard &) = delete;
    SingleInstanceGuard &operator=(const SingleInstanceGuard &) = delete;

    // Creates the segment. A segment left behind by a process that died is cleared
    // first, so only a live holder gives HeldElsewhere.
    Outcome acquire();
    bool tryAcquire() { return acquire() == Acquired; }

    bool isHeld() const { return memory && memory->isAttached(); }

    // One line for each thing that went wrong in the last acquire(): a place the guard
    // could not use and passed over, or why it is Unavailable. Empty when all went well.
    const QStringList &problems() const { return problemLines; }

private:
    QString key;
    // A fresh object for each try: one whose create() has failed does not try again.
    std::unique_ptr<QSharedMemory> memory;
    QStringList problemLines;
};

// Platform layer (singleinstance_unix.cpp / singleinstance_win.cpp).
// Sets up `memory` for the running user's guard of `key` and creates its segment.
SingleInstanceGuard::Outcome createInstanceGuard(QSharedMemory &memory, const QString &key,
                                                 QStringList *problems);
// Detaches `memory`, which holds the guard.
void releaseInstanceGuard(QSharedMemory &memory);

#endif // SINGLEINSTANCE_H
