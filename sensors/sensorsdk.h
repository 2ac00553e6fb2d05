#ifndef SENSORSDK_H
#define SENSORSDK_H

// The sensor SDK's ten entry points, taken from its library at run time. The
// library is imported by ordinal on Windows; on ELF systems, which have no
// ordinals, the entry point of ordinal N is the exported C symbol sensor_sdk_N.

#if defined(_WIN32)
#define QUILLON_SDK_CALL __cdecl
#else
#define QUILLON_SDK_CALL
#endif

using SdkInitFn = int(QUILLON_SDK_CALL *)(int);                    // 411
using SdkShutdownFn = int(QUILLON_SDK_CALL *)();                   // 198
using SdkSensorCountFn = int(QUILLON_SDK_CALL *)();                // 623
using SdkPerSensorFn = int(QUILLON_SDK_CALL *)(int);               // 560
using SdkSensorNameFn = int(QUILLON_SDK_CALL *)(int, char *, int); // 476
using SdkDoubleReadingFn = double(QUILLON_SDK_CALL *)(int, int, char *, int);
using SdkIntReadingFn = int(QUILLON_SDK_CALL *)(int, int, char *, int);

struct SensorSdkTable
{
    SdkInitFn init = nullptr;                 // 411
    SdkShutdownFn shutdown = nullptr;         // 198
    SdkSensorCountFn sensorCount = nullptr;   // 623
    SdkPerSensorFn perSensor = nullptr;       // 560
    SdkSensorNameFn sensorName = nullptr;     // 476
    SdkDoubleReadingFn temperature = nullptr; // 606
    SdkIntReadingFn fan = nullptr;            // 734
    SdkDoubleReadingFn power = nullptr;       // 183
    SdkDoubleReadingFn clock = nullptr;       // 629
    SdkDoubleReadingFn usage = nullptr;       // 943

    bool isComplete() const
    {
        return init && shutdown && sensorCount && perSensor && sensorName && temperature && fan &&
               power && clock && usage;
    }
};

// Ordinals in the order the loader fetches them.
constexpr int kSdkOrdinals[10] = {411, 198, 623, 560, 476, 606, 734, 183, 629, 943};

// Fills `table` from `entry(ordinal)` (the platform's symbol look-up, null where
// missing), in the order of kSdkOrdinals.
template <typename Lookup> void bindSensorSdk(SensorSdkTable &table, Lookup entry)
{
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

// Loads the SDK library by its bare name with the platform's default search
// order and stores each of the ten entry points (null where missing) in
// `table`. The library stays loaded for the life of the process. Implemented
// per platform (sdkloader_unix.cpp, sdkloader_win.cpp).
void loadSensorSdk(SensorSdkTable &table);

#if defined(_WIN32)
// LoadLibraryW(libraryName), then the ten entry points by ordinal. False when the
// library did not load; the table is then left as it was.
bool loadSensorSdkFrom(const wchar_t *libraryName, SensorSdkTable &table);
#endif

// Initialises a bound SDK: init(64). False, without calling anything, when one of
// the ten entry points is missing; otherwise *initResult holds init's result
// (0 = ready), which may be any value, -111 included.
bool initSensorSdk(const SensorSdkTable &table, int *initResult);

// The process-wide table: written once by the start-up worker before the
// acquisition thread starts, read-only afterwards.
SensorSdkTable &sensorSdkTable();

#endif // SENSORSDK_H
