#ifndef PROBEOUTPUT_H
#define PROBEOUTPUT_H

// The probe's three forms: a listing, one JSON object, the decoded device report.

#include "emptyreasons.h"
#include "sensorlib/discovery.h"
#include "sensors/acquisitionpass.h"

#include <QByteArray>
#include <QDateTime>

#include <string>
#include <vector>

struct ProbeResult
{
    std::string root; // the tree the library read
    PassRecord pass;
    SensorSnapshot snapshot;
    std::vector<Finding> findings; // what the library's discovery looked at
    TreeFacts facts;               // from the findings, with belowOne filled from the pass
    // Why the owner's sensors.conf leaves a field empty; empty where it does not.
    std::array<std::string, kSnapshotFieldCount> choiceReasons;
};

// The snapshot member's name ("cpuTemperature") and its unit ("°C").
const char *snapshotFieldName(SnapshotField field);
const char *snapshotFieldUnit(SnapshotField field);

// Fills facts.belowOne from the pass: labelled readings below 1.0 that would
// have filled an empty field.
void noteReadingsBelowOne(ProbeResult &result);

// The sensors, the fields, then what discovery looked at. Text from the machine (root,
// names, labels, reasons) with its control characters and the bytes that are no UTF-8
// escaped: \x1b, \u009b, \xff, a backslash as \\.
std::string plainListing(const ProbeResult &result);
// {"root", "sensors": [{"name", "readings": [{"kind", "label", "value", "unit"}]}],
//  "fields": {"cpuTemperature": {"value", "unit", "sensor", "label"} or
//             {"value": null, "reason"}, ...},
//  "discovery": [{"kind", "outcome", "source", "name", "reason"}, ...]}
// Valid JSON whatever the machine reports: bytes that are no UTF-8 become U+FFFD, a
// character cut short at the end of a name is left out, a value that is not finite is
// null.
std::string jsonListing(const ProbeResult &result);
// `report` as built by buildDeviceReport: field by field, then as hex.
std::string reportListing(const QByteArray &report, bool celsius, const QDateTime &builtAt);

#endif // PROBEOUTPUT_H
