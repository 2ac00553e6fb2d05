#include "sensorsdk.h"

#include <dlfcn.h>

#include <cstdio>

// The bare name, so that LD_LIBRARY_PATH and the program's $ORIGIN run path
// decide which library is found, as the Windows loader's search order would.
static const char kSdkLibraryName[] = "libquillon-sensors.so";

void loadSensorSdk(SensorSdkTable &table)
{
    void *handle = dlopen(kSdkLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return;
    auto entry = [handle](int ordinal) {
        char symbol[32];
        std::snprintf(symbol, sizeof symbol, "sensor_sdk_%d", ordinal);
        return dlsym(handle, symbol);
    };
    // Never dlclose()d: the SDK stays loaded until the process ends.
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
