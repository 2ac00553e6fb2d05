#include "sensorsdk.h"

#include <windows.h>

bool loadSensorSdkFrom(const wchar_t *libraryName, SensorSdkTable &table)
{
    HMODULE handle = LoadLibraryW(libraryName);
    if (handle == nullptr || handle == reinterpret_cast<HMODULE>(INVALID_HANDLE_VALUE))
        return false;
    auto entry = [handle](int ordinal) {
        // void (*)() converts to any function type without a cast warning.
        return reinterpret_cast<void (*)()>(GetProcAddress(handle, MAKEINTRESOURCEA(ordinal)));
    };
    // Imported by ordinal only; the library is never freed.
    bindSensorSdk(table, entry);
    return true;
}

void loadSensorSdk(SensorSdkTable &table)
{
    loadSensorSdkFrom(L"HWiNFO32.dll", table);
}
