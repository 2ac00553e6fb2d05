#include "refresh.h"

#include "numeric/truncate.h"

#include <algorithm>
#include <limits>

RefreshRecord refreshRecordFromSnapshot(const SensorSnapshot &snapshot)
{
    RefreshRecord record;
    record.cpuTemperature = truncateToInt(snapshot.cpuTemperature);
    record.cpuUsage = truncateToInt(snapshot.cpuUsage);
    record.cpuClock = truncateToInt(snapshot.cpuClock);
    record.cpuFanSpeed = truncateToInt(snapshot.cpuFanSpeed);
    record.cpuPower = truncateToInt(snapshot.cpuPower);
    record.gpuTemperature = truncateToInt(snapshot.gpuTemperature);
    record.gpuUsage = truncateToInt(snapshot.gpuUsage);
    record.gpuClock = truncateToInt(snapshot.gpuClock);
    record.gpuFanSpeed = truncateToInt(snapshot.gpuFanSpeed);
    record.gpuPower = truncateToInt(snapshot.gpuPower);
    return record;
}

int celsiusToFahrenheit(int celsius)
{
    return truncateToInt(celsius * 1.8 + 32);
}

int fahrenheitToCelsius(int fahrenheit)
{
    return truncateToInt((fahrenheit - 32.0) / 1.8);
}

GaugeScale gaugeScale(bool fahrenheit)
{
    return fahrenheit ? GaugeScale{32, 212} : GaugeScale{0, 100};
}

int pinToGaugeScale(int value, bool fahrenheit)
{
    const GaugeScale scale = gaugeScale(fahrenheit);
    return std::clamp(value, scale.low, scale.high);
}

int raiseRunningMaximum(int maximum, int value)
{
    if (maximum < 1)
        maximum = 1;
    if (maximum < value)
        maximum = value == std::numeric_limits<int>::max() ? value : value + 1;
    return maximum;
}

RefreshOutcome composeRefresh(const SensorSnapshot &snapshot, bool fahrenheit,
                              const MemoryStatus &memory, const DriveUsage *drive,
                              const RunningMaxima &maxima)
{
    RefreshOutcome outcome;
    RefreshRecord &record = outcome.record;
    record = refreshRecordFromSnapshot(snapshot);

    const auto gaugeValue = [fahrenheit](int celsius) {
        return pinToGaugeScale(fahrenheit ? celsiusToFahrenheit(celsius) : celsius, fahrenheit);
    };
    outcome.cpuGauge = gaugeValue(record.cpuTemperature);
    outcome.gpuGauge = gaugeValue(record.gpuTemperature);

    RunningMaxima &next = outcome.maxima;
    next.cpuClock = raiseRunningMaximum(maxima.cpuClock, record.cpuClock);
    next.gpuClock = raiseRunningMaximum(maxima.gpuClock, record.gpuClock);
    next.cpuFan = raiseRunningMaximum(maxima.cpuFan, record.cpuFanSpeed);
    next.gpuFan = raiseRunningMaximum(maxima.gpuFan, record.gpuFanSpeed);
    next.cpuPower = raiseRunningMaximum(maxima.cpuPower, record.cpuPower);
    next.gpuPower = raiseRunningMaximum(maxima.gpuPower, record.gpuPower);

    record.memoryLoadPercent = truncateToInt(memory.loadPercent);
    record.memoryTotalMiB = memoryTotalMiB(memory.totalBytes);
    outcome.memoryText = memoryUsageText(memory.totalBytes, memory.availableBytes);

    if (drive) {
        outcome.driveMeasured = true;
        outcome.driveText = drive->text;
        record.diskUsedPercent = drive->usedPercent;
        record.diskTotalGiB = drive->totalGiB;
    }
    return outcome;
}
