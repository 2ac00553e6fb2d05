#ifndef STARTUPTASK_LINUX_H
#define STARTUPTASK_LINUX_H

#include <QByteArray>
#include <QString>

// Writes folder/fileName atomically (temporary file, fsync, rename), creating the folder
// and its parents (mode 0700) when missing. Returns 0 or the errno of the failed step;
// on failure no partial file is left.
int writeAutostartEntry(const QString &folder, const QString &fileName, const QByteArray &text);

// The autostart folder of this user, from the environment.
QString autostartFolder();

#endif // STARTUPTASK_LINUX_H
