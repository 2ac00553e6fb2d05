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
// The system's own tool, <system folder>\schtasks.exe. It is started elevated, so it is
// never looked up by its bare name, which would try the current folder first. Empty
// when the system folder cannot be read.
std::wstring systemSchtasksPath();

// Runs the tool at `toolPath` with `parameters` elevated (verb "runas"), its console
// hidden, and does not wait for it. False when it could not be launched, with
// GetLastError() in *lastError (ERROR_FILE_NOT_FOUND for an empty path).
bool launchElevatedSchtasks(const std::wstring &toolPath, const std::wstring &parameters,
                            unsigned long *lastError);
#endif

#endif // SCHTASKS_H
