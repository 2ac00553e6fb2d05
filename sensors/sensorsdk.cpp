#include "sensorsdk.h"

SensorSdkTable &sensorSdkTable()
{
    static SensorSdkTable table;
    return table;
}
