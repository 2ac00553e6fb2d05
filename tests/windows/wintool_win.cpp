// What the Windows program check does to a running quillon.exe from outside, as Windows
// or another program would:
//   wintool arrive|remove   a device-change broadcast for the display's interface
//   wintool close           WM_CLOSE to the main window
//   wintool crash           a fault in the program (a thread of its own started at 0)
//   wintool visible         prints how many of its top-level windows are visible
// The main window is the top-level window of a process named quillon.exe whose title is
// the program's name. Exit status 0 when done, 1 when no such process or window exists.
#include <windows.h>

#include <dbt.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

struct Search
{
    bool visibleOnly = false;
    HWND mainWindow = nullptr;
    int visible = 0;
};

bool isQuillon(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return false;
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool named = QueryFullProcessImageNameW(process, 0, image, &size) != 0;
    CloseHandle(process);
    const std::wstring path(image, named ? size : 0);
    const std::wstring tail = L"\\quillon.exe";
    return path.size() >= tail.size() &&
           _wcsicmp(path.c_str() + path.size() - tail.size(), tail.c_str()) == 0;
}

BOOL CALLBACK visit(HWND window, LPARAM context)
{
    auto *search = reinterpret_cast<Search *>(context);
    if (!isQuillon(window))
        return TRUE;
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (std::wcscmp(title, L"Quillon") == 0 && !search->mainWindow)
        search->mainWindow = window;
    if (IsWindowVisible(window))
        ++search->visible;
    return TRUE;
}

int sendDeviceChange(HWND window, WPARAM event)
{
    static const wchar_t path[] =
        L"\\\\?\\HID#VID_5131&PID_2007#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    // The record as Windows sends it: the header, then the name in place of dbcc_name.
    constexpr size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    alignas(DEV_BROADCAST_DEVICEINTERFACE_W) unsigned char record[nameOffset + sizeof path] = {};
    DEV_BROADCAST_DEVICEINTERFACE_W header;
    ZeroMemory(&header, sizeof header);
    header.dbcc_size = DWORD(sizeof record);
    header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(record, &header, nameOffset);
    std::memcpy(record + nameOffset, path, sizeof path);
    // SendMessage: the record must outlive the window's handling of it.
    SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record));
    return 0;
}

int crash(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    if (!process)
        return 1;
    // A thread whose start address is 0 faults at once, inside the program.
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, nullptr, nullptr, 0, nullptr);
    if (thread)
        CloseHandle(thread);
    CloseHandle(process);
    return thread ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: wintool arrive|remove|close|crash|visible\n");
        return 2;
    }
    Search search;
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    const std::wstring command = argv[1];
    if (command == L"visible") {
        std::printf("%d\n", search.visible);
        return 0;
    }
    if (!search.mainWindow)
        return 1;
    if (command == L"arrive")
        return sendDeviceChange(search.mainWindow, DBT_DEVICEARRIVAL);
    if (command == L"remove")
        return sendDeviceChange(search.mainWindow, DBT_DEVICEREMOVECOMPLETE);
    if (command == L"close")
        return PostMessageW(search.mainWindow, WM_CLOSE, 0, 0) ? 0 : 1;
    if (command == L"crash")
        return crash(search.mainWindow);
    return 2;
}
