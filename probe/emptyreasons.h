#ifndef EMPTYREASONS_H
#define EMPTYREASONS_H

// Why a field the program shows is empty, from facts of the machine's tree.

#include "labelmatch.h"

#include <array>
#include <string>
#include <vector>

class SysRoot;

struct TreeFacts
{
    std::string virtualMachine;          // the hypervisor's name; empty on real hardware
    std::vector<std::string> hwmonChips; // driver names, in listing order
    std::vector<std::string> gpuDrivers; // drivers of GPUs, hwmon and drm together
    bool cpuTemperatureDriver = false;   // coretemp, k10temp or zenpower
    bool boardFanChannels = false;       // a fan input outside the GPUs
    std::string superIo;                 // the Super-I/O chip's driver, when loaded
    bool raplPackages = false;           // package counters under sys/class/powercap
    bool raplReadable = false;           // ...and this user may read them all
    bool raplRootOnly = false;           // one is there, but this user may not read it
    bool helperFile = false;             // run/quillon/cpu-power exists
    bool helperFresh = false;            // ...and is under 3 s old
    bool udevDmi = false;                // run/udev/data/+dmi:id is readable
    // A reading with this field's label that the pass saw below 1.0: its label.
    std::array<std::string, kSnapshotFieldCount> belowOne;
};

// Reads the facts below `root`; `belowOne` is left empty for the caller.
TreeFacts readTreeFacts(const SysRoot &root);

// One line, reason and remedy, for a field that the pass left empty.
std::string emptyFieldReason(SnapshotField field, const TreeFacts &facts);

#endif // EMPTYREASONS_H
