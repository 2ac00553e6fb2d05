#include "sensorsdk.h"

SensorSdkTable &sensorSdkTable()
{
    static SensorSdkTable table;
    return table;
}

bool initSensorSdk(const SensorSdkTable &table, int *initResult)
{
    if (!table.isComplete())
        return false;
    *initResult = table.init(64);
    return true;
}
