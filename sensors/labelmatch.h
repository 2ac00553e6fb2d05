#ifndef LABELMATCH_H
#define LABELMATCH_H

#include "sensorsnapshot.h"

#include <array>
#include <string_view>

// The five reading kinds, in the order a pass queries them.
enum class ReadingKind
{
    Temperature,
    Fan,
    Power,
    Clock,
    Usage
};

// One per SensorSnapshot member, in the record's order.
enum class SnapshotField
{
    CpuTemperature,
    CpuUsage,
    CpuClock,
    CpuPower,
    CpuFanSpeed,
    GpuTemperature,
    GpuUsage,
    GpuClock,
    GpuPower,
    GpuFanSpeed,
    MotherboardTemperature,
    MemoryClock
};
constexpr int kSnapshotFieldCount = 12;
constexpr int kReadingKindCount = 5;

using FoundFlags = std::array<bool, kSnapshotFieldCount>;

struct LabelGroup
{
    enum Comparison
    {
        Exact,
        Contains
    };
    SnapshotField field;
    Comparison comparison;
    std::array<const char *, 5> labels; // unused slots are null
};

// True when `label` (case-sensitive, exactly the bytes the SDK wrote) is one of
// the group's labels, or contains one of them for a Contains group.
bool labelMatchesGroup(const LabelGroup &group, std::string_view label);

// The groups of one kind, in test order. `count` receives how many.
const LabelGroup *labelGroups(ReadingKind kind, int *count);

// The field that an accepted reading fills: the first group of its kind whose
// labels match and whose field is not yet found in this pass. Returns false
// when the reading is ignored.
bool matchReading(ReadingKind kind, std::string_view label, const FoundFlags &found,
                  SnapshotField *field);

float &snapshotField(SensorSnapshot &snapshot, SnapshotField field);

#endif // LABELMATCH_H
