#ifndef SCHTASKS_H
#define SCHTASKS_H

// The logon task request handed to the Windows "schtasks" tool. Plain C++ (no Qt),
// so that the Windows part is built and tested without Qt.

#include <string>

// /create /tn "<task name>" /tr "\"<executable path>\" <task argument>" /sc onlogon
// /rl highest: the executable path, blanks and all, stays one argument of the task.
std::wstring schtasksCreateParameters(const std::wstring &taskName,
                                      const std::wstring &executablePath,
                                      const std::wstring &taskArgument);

#if defined(_WIN32)
// Runs "schtasks" with `parameters` elevated (verb "runas"), its console hidden, and
// does not wait for it. False when it could not be launched, with GetLastError() in
// *lastError.
bool launchElevatedSchtasks(const std::wstring &parameters, unsigned long *lastError);
#endif

#endif // SCHTASKS_H
