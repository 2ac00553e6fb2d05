#include "sensorsdk.h"

#include <windows.h>

void loadSensorSdk(SensorSdkTable &table)
{
    HMODULE handle = LoadLibraryW(L"HWiNFO32.dll");
    if (handle == nullptr || handle == reinterpret_cast<HMODULE>(INVALID_HANDLE_VALUE))
        return;
    auto entry = [handle](int ordinal) {
        return GetProcAddress(handle, MAKEINTRESOURCEA(ordinal));
    };
    // Imported by ordinal only; the library is never freed.
    bindSensorSdk(table, entry);
}
