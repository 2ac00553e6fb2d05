#include "win32usage_win.h"

#include <windows.h>

bool queryPhysicalMemory(std::uint32_t *loadPercent, std::uint64_t *totalBytes,
                         std::uint64_t *availableBytes)
{
    MEMORYSTATUSEX memory;
    ZeroMemory(&memory, sizeof memory);
    static_assert(sizeof memory == 64, "the record size the call expects");
    memory.dwLength = sizeof memory;
    if (!GlobalMemoryStatusEx(&memory))
        return false;
    *loadPercent = memory.dwMemoryLoad;
    *totalBytes = memory.ullTotalPhys;
    *availableBytes = memory.ullAvailPhys;
    return true;
}

bool queryDriveSpace(const std::wstring &rootPath, std::uint64_t *totalBytes,
                     std::uint64_t *freeBytes, std::uint64_t *availableToCaller)
{
    ULARGE_INTEGER available = {};
    ULARGE_INTEGER total = {};
    ULARGE_INTEGER free = {};
    if (!GetDiskFreeSpaceExW(rootPath.c_str(), &available, &total, &free))
        return false;
    *totalBytes = total.QuadPart;
    *freeBytes = free.QuadPart;
    if (availableToCaller)
        *availableToCaller = available.QuadPart;
    return true;
}
