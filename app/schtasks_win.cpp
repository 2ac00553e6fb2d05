#include "schtasks.h"

#include <windows.h>

#include <shellapi.h>

bool launchElevatedSchtasks(const std::wstring &parameters, unsigned long *lastError)
{
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"runas", L"schtasks", parameters.c_str(), nullptr, 0);
    // Values above 32 mean the tool was started; whether it created the task is its
    // own business.
    if (reinterpret_cast<INT_PTR>(result) > 32)
        return true;
    if (lastError)
        *lastError = GetLastError();
    return false;
}
