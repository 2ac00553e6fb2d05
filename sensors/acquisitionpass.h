#ifndef ACQUISITIONPASS_H
#define ACQUISITIONPASS_H

#include "labelmatch.h"
#include "sensorsdk.h"
#include "sensorsnapshot.h"

#include <string>
#include <vector>

// Reading indices queried per sensor, whether or not the sensor has that many.
constexpr int kReadingsPerSensor = 512;
// The SDK's label and name buffer, passed with this capacity.
constexpr int kLabelCapacity = 256;
// More sensors than any machine has: a bad count must not stall a pass.
constexpr int kMaxSensorCount = 256;

// The sensor count as a pass uses it: negative is none, absurd is capped.
int boundedSensorCount(int reported);

// A reading counts when the SDK wrote a label and gave a finite value of at
// least 1.0.
bool isAcceptedReading(const char *labelBuffer, double value);

// The value narrowed to float without leaving float's range.
float narrowReading(double value);

// Everything one pass saw, for a caller that explains the snapshot.
struct PassRecord
{
    struct Reading
    {
        int sensor = 0;
        ReadingKind kind = ReadingKind::Temperature;
        std::string label;
        double value = 0.0;
        bool accepted = false; // false: labelled, but below 1.0 or not finite
        bool fills = false;    // it took `field`
        SnapshotField field = SnapshotField::CpuTemperature;
    };
    std::vector<std::string> sensorNames;
    std::vector<Reading> readings; // every labelled reading, in pass order
};

// One acquisition pass over every sensor the SDK reports, all entry points of
// `sdk` set. With `verbose` every accepted reading is printed to standard
// output and written to the debug log. A blank line follows each sensor, except when
// standard output is the journal and the pass is not verbose. With `record` the pass
// also fills it, and prints nothing of its own (the caller's output is then its own).
// Returns the pass's snapshot.
SensorSnapshot runAcquisitionPass(const SensorSdkTable &sdk, bool verbose,
                                  PassRecord *record = nullptr);

#endif // ACQUISITIONPASS_H
