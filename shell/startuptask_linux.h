#ifndef STARTUPTASK_LINUX_H
#define STARTUPTASK_LINUX_H

#include "startuptask.h"

#include <QByteArray>
#include <QString>

// Writes folder/fileName atomically (temporary file, fsync, rename), creating the folder
// and its parents (mode 0700) when missing. Returns 0 or the errno of the failed step;
// on failure no partial file is left.
int writeAutostartEntry(const QString &folder, const QString &fileName, const QByteArray &text);

// The autostart folder of this user, from the environment.
QString autostartFolder();

// Why an autostart entry cannot start exactly the file at `programPath`, this process's
// executable, in the form a desktop launcher such as GLib's reads it; empty when it
// can. Control characters other than tab, newline and carriage return have no
// escape in the entry, a '%' cannot be written so that the launcher both finds and
// starts the program, and the path, as UTF-8, must name this very executable (a name
// that is not UTF-8 does not).
QString autostartProgramProblem(const QString &programPath);

// Writes the autostart entry that starts `programPath` for `config`, or none when
// autostartProgramProblem() objects. A failure is printed on standard output and
// logged; the outcome carries the "Tip" text.
StartupTaskOutcome registerAutostart(const AppConfig &config, const QString &programPath);

#endif // STARTUPTASK_LINUX_H
