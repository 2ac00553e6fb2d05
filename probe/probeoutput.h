#ifndef PROBEOUTPUT_H
#define PROBEOUTPUT_H

// The probe's three forms: a listing, one JSON object, the decoded device report.

#include "acquisitionpass.h"
#include "emptyreasons.h"

#include <QByteArray>
#include <QDateTime>

#include <string>

struct ProbeResult
{
    std::string root; // the tree the library read
    PassRecord pass;
    SensorSnapshot snapshot;
    TreeFacts facts; // with belowOne filled from the pass
};

// The snapshot member's name ("cpuTemperature") and its unit ("°C").
const char *snapshotFieldName(SnapshotField field);
const char *snapshotFieldUnit(SnapshotField field);

// Fills facts.belowOne from the pass: labelled readings below 1.0 that would
// have filled an empty field.
void noteReadingsBelowOne(ProbeResult &result);

std::string plainListing(const ProbeResult &result);
// {"root", "sensors": [{"name", "readings": [{"kind", "label", "value", "unit"}]}],
//  "fields": {"cpuTemperature": {"value", "unit", "sensor", "label"} or
//             {"value": null, "reason"}, ...}}
std::string jsonListing(const ProbeResult &result);
// `report` as built by buildDeviceReport: field by field, then as hex.
std::string reportListing(const QByteArray &report, bool celsius, const QDateTime &builtAt);

#endif // PROBEOUTPUT_H
