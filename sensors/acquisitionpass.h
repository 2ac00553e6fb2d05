#ifndef ACQUISITIONPASS_H
#define ACQUISITIONPASS_H

#include "sensorsdk.h"
#include "sensorsnapshot.h"

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

// One acquisition pass over every sensor the SDK reports, all entry points of
// `sdk` set. With `verbose` every accepted reading is printed to standard
// output and written to the debug log. A blank line follows each sensor, except when
// standard output is the journal and the pass is not verbose. Returns the pass's snapshot.
SensorSnapshot runAcquisitionPass(const SensorSdkTable &sdk, bool verbose);

#endif // ACQUISITIONPASS_H
