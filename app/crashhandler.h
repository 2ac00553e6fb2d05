#ifndef CRASHHANDLER_H
#define CRASHHANDLER_H

#include <QtGlobal>

// The start stamp: the millisecond clock reduced to its last eight decimal digits
// (0 .. 99 999 999, wrapping about every 27.8 hours). Plain arithmetic, so the fatal
// fault handler may call it.
constexpr qint32 startStampFromMSecs(qint64 msecs)
{
    // Same as taking the rightmost eight characters of the decimal text, including
    // the sign of a short negative value.
    return msecs >= 0                        ? qint32(msecs % 100000000)
           : msecs > -10000000               ? qint32(msecs)
           : msecs >= -9223372036854775807LL ? qint32((-msecs) % 100000000)
                                             : qint32(54775808);
}

// A fault restarts the program only when it comes at least 60 000 ms (by the stamps)
// after a recorded start. A wrapped clock gives a negative difference: no restart.
constexpr bool shouldRestartAfterFault(qint32 startStamp, qint32 faultStamp)
{
    return startStamp != 0 && qint64(faultStamp) - qint64(startStamp) >= 60000;
}

// The stamp of the current clock.
qint32 currentStartStamp();

// Written once at start, before the handler is installed; tests set it back to
// provoke the restart path.
void setStartStamp(qint32 stamp);
qint32 startStamp();

// Arms the process-wide fatal-fault handler: a fault 60 s or more after the start
// stamp starts a new instance of the program (no arguments) and ends this one;
// an earlier fault gets the system's default handling.
void installCrashHandler();

#endif // CRASHHANDLER_H
