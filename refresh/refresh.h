#ifndef REFRESH_H
#define REFRESH_H

// One display refresh as a pure composition: the sensor snapshot, the memory and drive
// figures and the bars' running maxima go in; the values to show and the record the
// device report is built from come out. No widgets, so it is checked row by row.

#include <QString>

#include "device/devicereport.h"
#include "sensors/sensorsnapshot.h"
#include "usage/systemusage.h"

// The first ten members of the refresh record, truncated from the snapshot; the
// four measured members are 0.
RefreshRecord refreshRecordFromSnapshot(const SensorSnapshot &snapshot);

// Integer part of t * 1.8 + 32 and of (t - 32) / 1.8, computed in double precision.
int celsiusToFahrenheit(int celsius);
int fahrenheitToCelsius(int fahrenheit);

// The dials' scale in each unit.
struct GaugeScale
{
    int low;
    int high;
};
GaugeScale gaugeScale(bool fahrenheit);

// A dial ignores a value off its scale and would keep showing a cool reading while the
// part is hot: the value given to it is held at the nearer end instead.
int pinToGaugeScale(int value, bool fahrenheit);

// One step of a bar's running maximum: at least 1, and one above any value that
// exceeds it, so a value equal to the maximum does not raise it. Returns the new maximum.
int raiseRunningMaximum(int maximum, int value);

// The ranges of the clock, fan and power bars: each the largest value seen so far.
struct RunningMaxima
{
    int cpuClock = 0;
    int gpuClock = 0;
    int cpuFan = 0;
    int gpuFan = 0;
    int cpuPower = 0;
    int gpuPower = 0;
};

struct RefreshOutcome
{
    // Every number the window shows, and the report's values.
    RefreshRecord record;
    RunningMaxima maxima;
    // The dials' values, in the unit they show, held on the scale; the record keeps the
    // true temperatures.
    int cpuGauge = 0;
    int gpuGauge = 0;
    QString memoryText;
    // False when the drive could not be measured: its displays keep what they show and
    // the record's drive members stay 0.
    bool driveMeasured = false;
    QString driveText;
};

// drive is null when the system drive could not be measured.
RefreshOutcome composeRefresh(const SensorSnapshot &snapshot, bool fahrenheit,
                              const MemoryStatus &memory, const DriveUsage *drive,
                              const RunningMaxima &maxima);

#endif // REFRESH_H
