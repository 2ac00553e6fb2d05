#ifndef WIN32USAGE_WIN_H
#define WIN32USAGE_WIN_H

// The Windows memory and drive queries, in plain C++ (no Qt) so that they are built and
// tested on their own; systemusage_win.cpp adapts them to the refresh.

#if defined(_WIN32)

#include <cstdint>
#include <string>

// GlobalMemoryStatusEx: the load in whole percent, total and available physical memory.
// False, with nothing written, when the call fails.
bool queryPhysicalMemory(std::uint32_t *loadPercent, std::uint64_t *totalBytes,
                         std::uint64_t *availableBytes);

// GetDiskFreeSpaceExW on a drive's root path ("C:/" or "C:\\"): its size, all its free
// bytes, and the free bytes this user may use (less under quotas). False, with nothing
// written, when the call fails.
bool queryDriveSpace(const std::wstring &rootPath, std::uint64_t *totalBytes,
                     std::uint64_t *freeBytes, std::uint64_t *availableToCaller);

#endif

#endif // WIN32USAGE_WIN_H
