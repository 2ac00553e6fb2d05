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

using SdkInitFn = int(QUILLON_SDK_CALL *)(int);
using SdkShutdownFn = int(QUILLON_SDK_CALL *)();
using SdkSensorCountFn = int(QUILLON_SDK_CALL *)();
using SdkPerSensorFn = int(QUILLON_SDK_CALL *)(int);
using SdkSensorNameFn = int(QUILLON_SDK_CALL *)(int, char *, int);
using SdkDoubleReadingFn = double(QUILLON_SDK_CALL *)(int, int, char *, int);
using SdkIntReadingFn = int(QUILLON_SDK_CALL *)(int, int, char *, int);

struct SensorSdkTable
{
    SdkInitFn init = nullptr;
    SdkShutdownFn shutdown = nullptr;
    SdkSensorCountFn sensorCount = nullptr;
    SdkPerSensorFn perSensor = nullptr;
    SdkSensorNameFn sensorName = nullptr;
    SdkDoubleReadingFn temperature = nullptr;
    SdkIntReadingFn fan = nullptr;
    SdkDoubleReadingFn power = nullptr;
    SdkDoubleReadingFn clock = nullptr;
    SdkDoubleReadingFn usage = nullptr;

    bool isComplete() const
    {
        return init && shutdown && sensorCount && perSensor && sensorName && temperature && fan &&
               power && clock && usage;
    }
};

// The one table of the SDK's entry points: each ordinal and where its function goes,
// in the order the loader fetches them.
#define QUILLON_SDK_ENTRY_POINTS(X)                                                                \
    X(411, init, SdkInitFn)                                                                        \
    X(198, shutdown, SdkShutdownFn)                                                                \
    X(623, sensorCount, SdkSensorCountFn)                                                          \
    X(560, perSensor, SdkPerSensorFn)                                                              \
    X(476, sensorName, SdkSensorNameFn)                                                            \
    X(606, temperature, SdkDoubleReadingFn)                                                        \
    X(734, fan, SdkIntReadingFn)                                                                   \
    X(183, power, SdkDoubleReadingFn)                                                              \
    X(629, clock, SdkDoubleReadingFn)                                                              \
    X(943, usage, SdkDoubleReadingFn)

#define QUILLON_SDK_ORDINAL(ordinal, member, type) ordinal,
constexpr int kSdkOrdinals[] = {QUILLON_SDK_ENTRY_POINTS(QUILLON_SDK_ORDINAL)};
#undef QUILLON_SDK_ORDINAL

// Fills `table` from `entry(ordinal)` (the platform's symbol look-up, null where
// missing), in the order of kSdkOrdinals.
template <typename Lookup> void bindSensorSdk(SensorSdkTable &table, Lookup entry)
{
#define QUILLON_SDK_BIND(ordinal, member, type)                                                    \
    table.member = reinterpret_cast<type>(entry(ordinal));
    QUILLON_SDK_ENTRY_POINTS(QUILLON_SDK_BIND)
#undef QUILLON_SDK_BIND
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
