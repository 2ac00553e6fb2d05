#ifndef CPUSENSOR_H
#define CPUSENSOR_H

#include "discovery.h"
#include "gpusensor.h"

#include <vector>

// The CPU sensor: the processor's model name, its temperature, total usage,
// core 0 clock and package power. `gpus` are asked for an APU's socket power
// when nothing better gives the package's.
Sensor cpuSensor(Discovery &discovery, const std::vector<GpuCard> &gpus);

#endif // CPUSENSOR_H
