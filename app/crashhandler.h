#ifndef CRASHHANDLER_H
#define CRASHHANDLER_H

// Plain C++ (no Qt): the Windows fault filter is built and tested without Qt.
#include <cstdint>

// The start stamp: the millisecond clock reduced to its last eight decimal digits
// (0 .. 99 999 999, wrapping about every 27.8 hours). Plain arithmetic, so the fatal
// fault handler may call it.
constexpr std::int32_t startStampFromMSecs(std::int64_t msecs)
{
    // Same as taking the rightmost eight characters of the decimal text, including
    // the sign of a short negative value.
    return msecs >= 0                        ? std::int32_t(msecs % 100000000)
           : msecs > -10000000               ? std::int32_t(msecs)
           : msecs >= -9223372036854775807LL ? std::int32_t((-msecs) % 100000000)
                                             : std::int32_t(54775808);
}

// A fault restarts the program only when it comes at least 60 000 ms (by the stamps)
// after a recorded start. A wrapped clock gives a negative difference: no restart.
constexpr bool shouldRestartAfterFault(std::int32_t startStamp, std::int32_t faultStamp)
{
    return startStamp != 0 && std::int64_t(faultStamp) - std::int64_t(startStamp) >= 60000;
}

// The stamp of the current clock.
std::int32_t currentStartStamp();

// Written once at start, before the handler is installed; tests set it back to
// provoke the restart path.
void setStartStamp(std::int32_t stamp);
std::int32_t startStamp();

// Arms the process-wide fatal-fault handler: a fault 60 s or more after the start
// stamp starts a new instance of the program (no arguments) and ends this one;
// an earlier fault gets the system's default handling.
void installCrashHandler();

#endif // CRASHHANDLER_H
