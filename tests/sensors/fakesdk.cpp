// Stand-in sensor SDK libraries for the binding's tests, one per FAKESDK_CASE:
// 1 complete, 2 lacking ordinal 943, 3 init refused with 3, 4 labels without
// NUL, 5 non-finite and huge values, 6 negative sensor count, 7 absurd count, 8 the
// complete set with temperatures that move by a few degrees every second, 9 a
// reading call (the sensor count) that never returns.

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <thread>

#ifndef FAKESDK_CASE
#error "FAKESDK_CASE must be defined"
#endif

#ifdef _WIN32
// Exported by ordinal through a .def file, as the real Windows library is.
#define FAKE_EXPORT extern "C"
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

enum Kind
{
    Temperature,
    Fan,
    Power,
    Clock,
    Usage
};

struct Reading
{
    int sensor;
    Kind kind;
    int index;
    const char *label;
    double value;
};

#if FAKESDK_CASE == 4
const char *const kNames[] = {"", "Board"};
// Filled at load time: 256 label bytes without a terminating NUL.
char longName[256];
char longTemperature[256];
char longGpuFan[256];
const Reading kReadings[] = {
    {0, Temperature, 0, longTemperature, 40.0},
    {0, Fan, 1, longGpuFan, 900.0},
    {1, Temperature, 0, "Motherboard", 31.0},
};
struct Init
{
    Init()
    {
        std::memset(longName, 'N', sizeof longName);
        std::memset(longTemperature, 'X', sizeof longTemperature);
        std::memset(longGpuFan, 'x', sizeof longGpuFan);
        std::memcpy(longGpuFan, "GPU Fan", 7);
    }
} fillAtLoad;
#elif FAKESDK_CASE == 5
const char *const kNames[] = {"Odd values"};
const Reading kReadings[] = {
    {0, Temperature, 0, "CPU Package", std::numeric_limits<double>::quiet_NaN()},
    {0, Temperature, 1, "CPU Package", std::numeric_limits<double>::infinity()},
    {0, Temperature, 2, "CPU Package", 55.0},
    {0, Power, 0, "CPU Package Power", 1e300},
    {0, Clock, 0, "Core 0 Clock", -std::numeric_limits<double>::infinity()},
    {0, Clock, 1, "GPU Clock", std::numeric_limits<double>::infinity()},
    {0, Usage, 0, "Total CPU Usage", 0.99},
    {0, Usage, 1, "GPU Core Load", 1.0},
};
#else
const char *const kNames[] = {"Fake CPU", "Fake GPU", "Fake Board"};
const Reading kReadings[] = {
    {0, Temperature, 0, "CPU Package", 45.0}, {0, Usage, 0, "Total CPU Usage", 12.0},
    {0, Clock, 0, "Core 0 Clock", 3600.0},    {0, Fan, 0, "CPU Fan", 1200.0},
    {0, Power, 0, "CPU Package Power", 65.0}, {1, Temperature, 0, "GPU Temperature", 50.0},
    {1, Usage, 0, "GPU Core Load", 3.0},      {1, Clock, 0, "GPU Clock", 1500.0},
    {1, Power, 0, "GPU Power (Total)", 20.0}, {1, Fan, 0, "GPU Fan1", 0.0},
    {2, Temperature, 0, "Motherboard", 30.0}, {2, Clock, 0, "Memory Clock", 1600.0},
};
#endif

#if FAKESDK_CASE == 6
constexpr int kSensorCount = -5;
#elif FAKESDK_CASE == 7
constexpr int kSensorCount = 1000000;
#else
constexpr int kSensorCount = sizeof kNames / sizeof kNames[0];
#endif

std::atomic<int> initCalls{0}, shutdownCalls{0}, perSensorCalls{0};
std::atomic<int> callsAfterShutdown{0};
std::atomic<bool> shutDown{false};

void noteCall()
{
    if (shutDown)
        ++callsAfterShutdown;
}

// What a working machine's temperatures do: 0, +3, +6, +3 degrees, a step a second.
double swing(Kind kind)
{
#if FAKESDK_CASE == 8
    if (kind == Temperature) {
        static const double kOffsets[] = {0.0, 3.0, 6.0, 3.0};
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return kOffsets[now.tv_sec % 4];
    }
#else
    static_cast<void>(kind);
#endif
    return 0.0;
}

// The pass asks for 512 indices per sensor and kind; past the last one in the table
// the answer is known at once, as a real SDK's would be, so the stand-in costs what
// a real library costs when the measuring script runs the program on it.
int highestIndex()
{
    int highest = 0;
    for (const Reading &r : kReadings)
        highest = r.index > highest ? r.index : highest;
    return highest;
}
const int kHighestIndex = highestIndex();

double reading(Kind kind, int sensor, int index, char *label, int capacity)
{
    noteCall();
    if (index > kHighestIndex)
        return 0.0;
    for (const Reading &r : kReadings) {
        if (r.sensor == sensor && r.kind == kind && r.index == index) {
            const size_t length = strnlen(r.label, 256);
            std::memcpy(label, r.label, length < size_t(capacity) ? length + 1 : size_t(capacity));
            return r.value + swing(kind);
        }
    }
    return 0.0;
}

} // namespace

// Counters the tests read back through dlsym.
FAKE_EXPORT int fakesdk_calls(int ordinal)
{
    switch (ordinal) {
    case 411:
        return initCalls;
    case 198:
        return shutdownCalls;
    case 560:
        return perSensorCalls;
    default:
        return callsAfterShutdown;
    }
}

FAKE_EXPORT int sensor_sdk_411(int)
{
    ++initCalls;
    shutDown = false;
#if FAKESDK_CASE == 3
    return 3;
#else
    return 0;
#endif
}

FAKE_EXPORT int sensor_sdk_198()
{
    ++shutdownCalls;
    shutDown = true;
    // Whole-program tests see the shutdown call in this file after the process ends.
    if (const char *record = std::getenv("FAKESDK_RECORD")) {
        if (FILE *file = std::fopen(record, "ab")) {
            std::fputs("shutdown\n", file);
            std::fclose(file);
        }
    }
    return 0;
}

FAKE_EXPORT int sensor_sdk_623()
{
    noteCall();
#if FAKESDK_CASE == 9
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
#endif
    return kSensorCount;
}

FAKE_EXPORT int sensor_sdk_560(int)
{
    noteCall();
    ++perSensorCalls;
    return 0;
}

FAKE_EXPORT int sensor_sdk_476(int sensor, char *name, int capacity)
{
    noteCall();
#if FAKESDK_CASE == 4
    if (sensor == 0) {
        std::memcpy(name, longName,
                    size_t(capacity) < sizeof longName ? size_t(capacity) : sizeof longName);
        return 0;
    }
#endif
    const char *text =
        sensor >= 0 && sensor < int(sizeof kNames / sizeof kNames[0]) ? kNames[sensor] : "Sensor";
    std::strncpy(name, text, size_t(capacity));
    name[capacity - 1] = 0;
    return 0;
}

FAKE_EXPORT double sensor_sdk_606(int s, int i, char *label, int capacity)
{
    return reading(Temperature, s, i, label, capacity);
}

FAKE_EXPORT int sensor_sdk_734(int s, int i, char *label, int capacity)
{
    return static_cast<int>(reading(Fan, s, i, label, capacity));
}

FAKE_EXPORT double sensor_sdk_183(int s, int i, char *label, int capacity)
{
    return reading(Power, s, i, label, capacity);
}

FAKE_EXPORT double sensor_sdk_629(int s, int i, char *label, int capacity)
{
    return reading(Clock, s, i, label, capacity);
}

#if FAKESDK_CASE != 2
FAKE_EXPORT double sensor_sdk_943(int s, int i, char *label, int capacity)
{
    return reading(Usage, s, i, label, capacity);
}
#endif
