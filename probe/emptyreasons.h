#ifndef EMPTYREASONS_H
#define EMPTYREASONS_H

// Why a field the program shows is empty, from what the library found on the machine.

#include "sensors/labelmatch.h"

#include <array>
#include <string>
#include <vector>

struct Finding;

struct TreeFacts
{
    std::string virtualMachine;        // the hypervisor's name; empty on real hardware
    std::string gpuDriver;             // the chosen card's driver, else the first passed over
    bool gpuChosen = false;            // ...a card of it feeds the GPU fields
    bool cpuTemperatureSource = false; // a CPU temperature chip or zone
    bool boardFanChannels = false;     // a fan input outside the GPUs
    std::string superIo;               // the Super-I/O chip's driver, when loaded
    bool raplPackages = false;         // package counters under sys/class/powercap
    bool raplReadable = false;         // ...and the library reads them all
    bool raplRootOnly = false;         // one is there, but this user may not read it
    bool helperFile = false;           // run/quillon/cpu-power exists
    bool helperFresh = false;          // ...and its figure is taken
    bool udevDmi = false;              // run/udev/data/+dmi:id is readable
    // A reading with this field's label that the pass saw below 1.0: its label.
    std::array<std::string, kSnapshotFieldCount> belowOne;
};

// The facts in what the library's discovery found and passed over;
// `belowOne` is left empty for the caller.
TreeFacts treeFacts(const std::vector<Finding> &findings);

// One line, reason and remedy, for a field that the pass left empty.
std::string emptyFieldReason(SnapshotField field, const TreeFacts &facts);

#endif // EMPTYREASONS_H
