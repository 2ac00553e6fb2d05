#ifndef IPCCLEANUP_H
#define IPCCLEANUP_H

#include <QDir>
#include <QFile>

#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>

// Removes the System V segments and semaphores behind the key files in `folder`: Qt's
// own and the single-instance guard's. Processes that tests kill leave them behind;
// without this every run would leak a few.
inline void removeIpcObjectsIn(const QString &folder)
{
    const QStringList keyFiles = QDir(folder).entryList(
        {QStringLiteral("qipc_*"), QStringLiteral("*.guard")}, QDir::Files | QDir::Hidden);
    for (const QString &name : keyFiles) {
        const key_t key =
            ::ftok(QFile::encodeName(folder + QLatin1Char('/') + name).constData(), 'Q');
        if (key == -1)
            continue;
        const int shm = ::shmget(key, 0, 0);
        if (shm != -1)
            ::shmctl(shm, IPC_RMID, nullptr);
        const int sem = ::semget(key, 0, 0);
        if (sem != -1)
            ::semctl(sem, 0, IPC_RMID);
    }
}

#endif // IPCCLEANUP_H
