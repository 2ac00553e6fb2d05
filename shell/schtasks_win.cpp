#include "schtasks.h"

#include <windows.h>

#include <shellapi.h>

std::wstring systemSchtasksPath()
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    // 0 is failure; MAX_PATH or more is the size the folder would need.
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return std::wstring(folder, length) + L"\\schtasks.exe";
}

bool launchElevatedSchtasks(const std::wstring &toolPath, const std::wstring &parameters,
                            unsigned long *lastError)
{
    if (toolPath.empty()) {
        if (lastError)
            *lastError = ERROR_FILE_NOT_FOUND;
        return false;
    }
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"runas", toolPath.c_str(), parameters.c_str(), nullptr, 0);
    // Values above 32 mean the tool was started; whether it created the task is its
    // own business.
    if (reinterpret_cast<INT_PTR>(result) > 32)
        return true;
    if (lastError)
        *lastError = GetLastError();
    return false;
}
