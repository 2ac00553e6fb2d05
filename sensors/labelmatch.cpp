#include "labelmatch.h"

namespace {

using G = LabelGroup;

const LabelGroup kTemperatureGroups[] = {
    {SnapshotField::CpuTemperature,
     G::Exact,
     {"CPU", "CPU Temperature", "CPU Package", "CPU (Tctl/Tdie)", nullptr}},
    {SnapshotField::GpuTemperature,
     G::Exact,
     {"GPU Temperature", "GPU Thermal Diode", "GPU TS0 (DispIO)", nullptr, nullptr}},
    {SnapshotField::MotherboardTemperature,
     G::Exact,
     {"Motherboard", "PCH Temperature", "Chipset 1 (xHCI)", nullptr, nullptr}},
};

const LabelGroup kFanGroups[] = {
    {SnapshotField::CpuFanSpeed, G::Exact, {"CPU", "CPU Fan", "SYSFANIN", "CPUFANIN0", nullptr}},
    {SnapshotField::GpuFanSpeed, G::Contains, {"GPU Fan", nullptr, nullptr, nullptr, nullptr}},
};

const LabelGroup kPowerGroups[] = {
    {SnapshotField::CpuPower, G::Exact, {"CPU Package Power", nullptr, nullptr, nullptr, nullptr}},
    {SnapshotField::GpuPower,
     G::Exact,
     {"GPU Power (Total)", "GPU ASIC Power", "Total Graphics Power (TGP)",
      "GPU Core Power (VDDCR_GFX)", "GPU SoC Power (VDDCR_SOC)"}},
};

const LabelGroup kClockGroups[] = {
    {SnapshotField::CpuClock,
     G::Contains,
     {"Core 0 Clock", "core 0 Clock", nullptr, nullptr, nullptr}},
    {SnapshotField::GpuClock, G::Exact, {"GPU Clock", nullptr, nullptr, nullptr, nullptr}},
    {SnapshotField::MemoryClock, G::Exact, {"Memory Clock", nullptr, nullptr, nullptr, nullptr}},
};

const LabelGroup kUsageGroups[] = {
    {SnapshotField::CpuUsage, G::Exact, {"Total CPU Usage", nullptr, nullptr, nullptr, nullptr}},
    {SnapshotField::GpuUsage,
     G::Exact,
     {"GPU Core Load", "GPU D3D Usage", nullptr, nullptr, nullptr}},
};

template <int N> const LabelGroup *groupsOf(const LabelGroup (&groups)[N], int *count)
{
    *count = N;
    return groups;
}

} // namespace

bool labelMatchesGroup(const LabelGroup &group, std::string_view label)
{
    for (const char *candidate : group.labels) {
        if (!candidate)
            break;
        const bool hit = group.comparison == LabelGroup::Exact
                             ? label == candidate
                             : label.find(candidate) != std::string_view::npos;
        if (hit)
            return true;
    }
    return false;
}

const LabelGroup *labelGroups(ReadingKind kind, int *count)
{
    switch (kind) {
    case ReadingKind::Temperature:
        return groupsOf(kTemperatureGroups, count);
    case ReadingKind::Fan:
        return groupsOf(kFanGroups, count);
    case ReadingKind::Power:
        return groupsOf(kPowerGroups, count);
    case ReadingKind::Clock:
        return groupsOf(kClockGroups, count);
    case ReadingKind::Usage:
        return groupsOf(kUsageGroups, count);
    }
    *count = 0;
    return nullptr;
}

bool matchReading(ReadingKind kind, std::string_view label, const FoundFlags &found,
                  SnapshotField *field)
{
    int count = 0;
    const LabelGroup *groups = labelGroups(kind, &count);
    for (int i = 0; i < count; ++i) {
        const LabelGroup &group = groups[i];
        if (labelMatchesGroup(group, label) && !found[static_cast<int>(group.field)]) {
            *field = group.field;
            return true;
        }
    }
    return false;
}

float &snapshotField(SensorSnapshot &snapshot, SnapshotField field)
{
    switch (field) {
    case SnapshotField::CpuTemperature:
        return snapshot.cpuTemperature;
    case SnapshotField::CpuUsage:
        return snapshot.cpuUsage;
    case SnapshotField::CpuClock:
        return snapshot.cpuClock;
    case SnapshotField::CpuPower:
        return snapshot.cpuPower;
    case SnapshotField::CpuFanSpeed:
        return snapshot.cpuFanSpeed;
    case SnapshotField::GpuTemperature:
        return snapshot.gpuTemperature;
    case SnapshotField::GpuUsage:
        return snapshot.gpuUsage;
    case SnapshotField::GpuClock:
        return snapshot.gpuClock;
    case SnapshotField::GpuPower:
        return snapshot.gpuPower;
    case SnapshotField::GpuFanSpeed:
        return snapshot.gpuFanSpeed;
    case SnapshotField::MotherboardTemperature:
        return snapshot.motherboardTemperature;
    case SnapshotField::MemoryClock:
        break;
    }
    return snapshot.memoryClock;
}
