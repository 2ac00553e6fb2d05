// A stand-in for the sensor SDK's Windows library: the ten entry points, exported by
// ordinal only (the .def files list them; nothing is exported by name), each with a
// reading that tells it apart, so a wrong ordinal in the binding shows as a wrong value.
#include <cstdio>
#include <cstring>

#ifndef FAKESDK_INIT_RESULT
#define FAKESDK_INIT_RESULT 0
#endif

namespace {
int initCalls = 0;
int lastInitArgument = -1;

void writeLabel(char *buffer, int capacity, const char *text)
{
    if (!buffer || capacity <= 0)
        return;
    std::snprintf(buffer, static_cast<size_t>(capacity), "%s", text);
}
} // namespace

extern "C" {

int __cdecl sdkInit(int argument)
{
    ++initCalls;
    lastInitArgument = argument;
    return argument == 64 ? FAKESDK_INIT_RESULT : -64;
}

int __cdecl sdkShutdown()
{
    return 7;
}

int __cdecl sdkSensorCount()
{
    return 2;
}

int __cdecl sdkPerSensor(int sensor)
{
    return sensor;
}

int __cdecl sdkSensorName(int sensor, char *buffer, int capacity)
{
    writeLabel(buffer, capacity, sensor == 0 ? "CPU [#0]" : "GPU [#0]");
    return 0;
}

double __cdecl sdkTemperature(int sensor, int reading, char *label, int capacity)
{
    if (sensor != 0 || reading != 0)
        return 0.0;
    writeLabel(label, capacity, "CPU Package");
    return 45.5;
}

int __cdecl sdkFan(int sensor, int reading, char *label, int capacity)
{
    if (sensor != 0 || reading != 1)
        return 0;
    writeLabel(label, capacity, "CPU");
    return 1200;
}

double __cdecl sdkPower(int sensor, int reading, char *label, int capacity)
{
    if (sensor != 0 || reading != 2)
        return 0.0;
    writeLabel(label, capacity, "CPU Package Power");
    return 65.25;
}

double __cdecl sdkClock(int sensor, int reading, char *label, int capacity)
{
    if (sensor != 0 || reading != 3)
        return 0.0;
    writeLabel(label, capacity, "Core 0 Clock");
    return 3600.0;
}

double __cdecl sdkUsage(int sensor, int reading, char *label, int capacity)
{
    if (sensor != 0 || reading != 4)
        return 0.0;
    writeLabel(label, capacity, "Total CPU Usage");
    return 12.5;
}

// For the test only: how init was called.
int __cdecl fakesdkInitCalls()
{
    return initCalls;
}

int __cdecl fakesdkLastInitArgument()
{
    return lastInitArgument;
}
}
