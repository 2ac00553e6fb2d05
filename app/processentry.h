#ifndef PROCESSENTRY_H
#define PROCESSENTRY_H

#include <QString>
#include <QStringList>

#include "shell/startuptask.h"

// True when an argument after the program name equals startupByTaskArgument() exactly
// (whole argument, case-sensitive).
bool isStartedByTask(const QStringList &arguments);

// The line the entry prints on standard output, without the end of line.
const char *startedByTaskLine(bool startedByTask);

// The single-instance key.
inline QString singleInstanceKey()
{
    return QStringLiteral("Telvorin_V1.0");
}

#endif // PROCESSENTRY_H
