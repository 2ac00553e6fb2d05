#ifndef SENSORSNAPSHOT_H
#define SENSORSNAPSHOT_H

// The twelve readings of one acquisition pass: degrees Celsius, percent, MHz,
// watts and RPM; 0.0 where the pass found no such reading.
struct SensorSnapshot
{
    float cpuTemperature = 0.0f;
    float cpuUsage = 0.0f;
    float cpuClock = 0.0f;
    float cpuPower = 0.0f;
    float cpuFanSpeed = 0.0f;
    float gpuTemperature = 0.0f;
    float gpuUsage = 0.0f;
    float gpuClock = 0.0f;
    float gpuPower = 0.0f;
    float gpuFanSpeed = 0.0f;
    float motherboardTemperature = 0.0f;
    float memoryClock = 0.0f;
};

#endif // SENSORSNAPSHOT_H
