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
    table.init = reinterpret_cast<SdkInitFn>(entry(411));
    table.shutdown = reinterpret_cast<SdkShutdownFn>(entry(198));
    table.sensorCount = reinterpret_cast<SdkSensorCountFn>(entry(623));
    table.perSensor = reinterpret_cast<SdkPerSensorFn>(entry(560));
    table.sensorName = reinterpret_cast<SdkSensorNameFn>(entry(476));
    table.temperature = reinterpret_cast<SdkDoubleReadingFn>(entry(606));
    table.fan = reinterpret_cast<SdkIntReadingFn>(entry(734));
    table.power = reinterpret_cast<SdkDoubleReadingFn>(entry(183));
    table.clock = reinterpret_cast<SdkDoubleReadingFn>(entry(629));
    table.usage = reinterpret_cast<SdkDoubleReadingFn>(entry(943));
}
