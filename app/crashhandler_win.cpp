#include "crashhandler.h"

#include <cstdio>

#include <windows.h>

namespace {

LONG WINAPI crashFilter(EXCEPTION_POINTERS *)
{
    if (!shouldRestartAfterFault(startStamp(), currentStartStamp()))
        return EXCEPTION_CONTINUE_SEARCH;

    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, 255);

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    // No command line: the new instance gets no arguments and shows its window.
    if (!CreateProcessW(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        printf("CreateProcess failed (%d).\n", int(GetLastError()));
    }
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void installCrashHandler()
{
    SetUnhandledExceptionFilter(crashFilter);
}
