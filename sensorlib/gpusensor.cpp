#include "gpusensor.h"

#include "sensortext.h"

#include <algorithm>

namespace {

// The one place a driver's name picks its unit.
const GpuKind *const kGpuKinds[] = {&kAmdgpuKind, &kRadeonKind, &kNouveauKind,
                                    &kI915Kind,   &kXeKind,     &kNvidiaKind};

const char *const kGpuReadingLabels[kSensorKindCount] = {
    "GPU Temperature", "GPU Fan1", "GPU Power (Total)", "GPU Clock", "GPU Core Load"};

std::string folderOf(const GpuCard &card, GpuFolder folder)
{
    switch (folder) {
    case GpuFolder::Hwmon:
        return card.hwmon;
    case GpuFolder::Device:
        return card.device;
    case GpuFolder::Card:
        return card.card;
    }
    return {};
}

// The source's file on this card; empty when the card has none.
std::string sourceFile(const Discovery &discovery, const GpuCard &card, const GpuSource &source)
{
    const std::string folder = folderOf(card, source.folder);
    if (folder.empty())
        return {};
    if (source.label)
        return discovery.labelledInput(Chip{folder, "", ChipFamily::Gpu}, source.file,
                                       source.label);
    const std::string file = folder + "/" + source.file;
    return discovery.root.isFile(file) ? file : std::string();
}

ReadFn sourceRead(const Discovery &discovery, const std::string &file, const GpuSource &source)
{
    return source.conversion ? discovery.attribute(file, *source.conversion)
                             : discovery.energy({file}, {});
}

// The first source of `kind` that the card has: its file, and the row.
const GpuSource *firstSource(const Discovery &discovery, const GpuCard &card, SensorKind kind,
                             std::string *file)
{
    for (size_t i = 0; i < card.kind->sourceCount; ++i) {
        const GpuSource &source = card.kind->sources[i];
        if (source.kind != kind)
            continue;
        *file = sourceFile(discovery, card, source);
        if (!file->empty())
            return &source;
    }
    return nullptr;
}

} // namespace

const GpuKind *gpuKind(const std::string &driver)
{
    for (const GpuKind *kind : kGpuKinds) {
        if (driver == kind->driver)
            return kind;
    }
    return nullptr;
}

const char *gpuReadingLabel(SensorKind kind)
{
    return kGpuReadingLabels[static_cast<int>(kind)];
}

Sensor sysfsGpuSensor(const Discovery &discovery, const GpuCard &card)
{
    Sensor gpu;
    std::string product;
    if (discovery.root.readLine(card.device + "/product_name", &product) && !product.empty())
        gpu.name = product;
    else
        gpu.name = std::string(card.kind->vendor) + " [" + card.pci + "]";
    for (int k = 0; k < kSensorKindCount; ++k) {
        const auto kind = static_cast<SensorKind>(k);
        // An integrated card's power is the whole socket's, CPU included.
        if (kind == SensorKind::Power && card.integrated)
            continue;
        std::string file;
        if (const GpuSource *source = firstSource(discovery, card, kind, &file))
            gpu.add(kind, gpuReadingLabel(kind), sourceRead(discovery, file, *source));
    }
    return gpu;
}

std::vector<GpuCard> gpuCards(Discovery &discovery)
{
    const SysRoot &root = discovery.root;
    std::vector<GpuCard> cards;
    const auto cardAt = [&cards](const std::string &pci) -> GpuCard * {
        for (GpuCard &card : cards) {
            if (card.pci == pci)
                return &card;
        }
        return nullptr;
    };
    for (const Chip &chip : discovery.chips) {
        const GpuKind *kind = gpuKind(chip.name);
        if (!kind || !kind->sourceCount)
            continue;
        const std::string device = chip.dir + "/device";
        const std::string pci = root.resolvedName(device);
        if (pci.empty()) {
            discovery.note(Finding::Kind::Gpu, chip.dir, chip.name, Finding::Outcome::PassedOver,
                           "no device link: the card cannot be told apart");
            continue;
        }
        if (cardAt(pci))
            continue;
        GpuCard card;
        card.kind = kind;
        card.pci = pci;
        card.device = device;
        card.hwmon = chip.dir;
        card.source = chip.dir;
        cards.push_back(card);
    }
    // Integrated Intel graphics has no hwmon: its drm card names it.
    for (const std::string &entry : root.list("sys/class/drm")) {
        if (!startsWith(entry, "card") || entry.find('-') != std::string::npos)
            continue;
        const std::string dir = "sys/class/drm/" + entry;
        const std::string pci = root.resolvedName(dir + "/device");
        const std::string driver = root.resolvedName(dir + "/device/driver");
        if (pci.empty() || driver.empty())
            continue;
        const GpuKind *kind = gpuKind(driver);
        if (!kind || !kind->sourceCount) {
            discovery.note(Finding::Kind::Gpu, dir, driver, Finding::Outcome::PassedOver,
                           kind ? "its readings come through NVML, not sysfs"
                                : "its driver gives no readings");
            continue;
        }
        if (GpuCard *known = cardAt(pci)) {
            known->card = dir;
            continue;
        }
        GpuCard card;
        card.kind = kind;
        card.pci = pci;
        card.device = dir + "/device";
        card.card = dir;
        card.source = dir;
        cards.push_back(card);
    }
    for (GpuCard &card : cards) {
        const char *marker = card.kind->integratedMarker;
        card.integrated = onRootBus(root.resolvedName(card.device + "/..")) ||
                          (marker && !card.hwmon.empty() && root.isFile(card.hwmon + "/" + marker));
    }
    std::sort(cards.begin(), cards.end(),
              [](const GpuCard &a, const GpuCard &b) { return a.pci < b.pci; });
    return cards;
}

bool gpuSensor(Discovery &discovery, const std::vector<GpuCard> &cards, const NvmlGpus &nvml,
               Sensor *gpu)
{
    // NVML knows only discrete cards.
    std::vector<GpuCard> candidates;
    for (int i = 0; i < nvml.count(); ++i) {
        GpuCard card;
        card.kind = &kNvidiaKind;
        card.pci = nvml.pciAddress(i);
        card.source = "NVML card " + std::to_string(i);
        card.nvml = &nvml;
        card.nvmlIndex = i;
        candidates.push_back(card);
    }
    candidates.insert(candidates.end(), cards.begin(), cards.end());
    std::vector<GpuFacts> facts;
    for (const GpuCard &card : candidates)
        facts.push_back(GpuFacts{card.pci, card.integrated});
    const int chosen = chooseGpu(facts);
    for (size_t i = 0; i < candidates.size(); ++i) {
        const bool used = static_cast<int>(i) == chosen;
        discovery.note(Finding::Kind::Gpu, candidates[i].source, candidates[i].kind->driver,
                       used ? Finding::Outcome::Used : Finding::Outcome::PassedOver,
                       used ? "the card the GPU fields show"
                            : "another card comes first: discrete before integrated, then by "
                              "PCI address");
    }
    if (chosen < 0)
        return false;
    const GpuCard &card = candidates[static_cast<size_t>(chosen)];
    *gpu = card.kind->sensor(discovery, card);
    return true;
}

ReadFn gpuSocketPower(const Discovery &discovery, const GpuCard &card)
{
    std::string file;
    if (!card.integrated || !card.kind->socketPower)
        return {};
    const GpuSource *source = firstSource(discovery, card, SensorKind::Power, &file);
    return source ? sourceRead(discovery, file, *source) : ReadFn();
}
