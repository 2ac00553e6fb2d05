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
    bindSensorSdk(table, entry);
}
