// quillon-sensors: what the sensor library sees on this machine, the twelve
// fields the program would show and why an empty one is empty. One second,
// two samples; reads only.

#include "choose.h"
#include "device/devicereport.h"
#include "emptyreasons.h"
#include "probeoutput.h"
#include "refresh/refresh.h"
#include "sensorlib/linuxsensors.h"
#include "sensorlib/powerhelperfile.h"
#include "sensorlib/sysroot.h"
#include "sensors/acquisitionpass.h"
#include "sensors/sensorsdk.h"
#include "shell/usersettings.h"
#include "usage/systemusage.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

enum class Form
{
    Plain,
    Json,
    Report
};

const char kUsage[] =
    "Usage: quillon-sensors [--json | --report | --help]\n"
    "       quillon-sensors --choose FIELD SOURCE|none|auto\n"
    "Takes two samples one second apart through Quillon's sensor library and lists\n"
    "every sensor and reading it reports, then the twelve fields the program shows,\n"
    "each with its value and the sensor and label it comes from, or why it is empty\n"
    "and what to do about it, then each field's sources to choose from.\n"
    "  --json    the same as one JSON object; \"fields\" holds the twelve fields,\n"
    "            \"choices\" their sources\n"
    "  --report  the 65-byte report the program would send to the display now,\n"
    "            field by field and as hex\n"
    "  --choose  writes FIELD=SOURCE into [Fields] of the user's sensors.conf, the\n"
    "            source Quillon then takes for that field; none keeps it empty, auto\n"
    "            removes the line; the listing shows the fields and their sources\n"
    "QUILLON_SENSORS_ROOT=<dir> reads a captured tree instead of \"/\". Only --choose\n"
    "changes anything.\n";

// What the program's refresh would put into the report now: this pass, this
// machine's memory and drive, the user's saved unit.
QByteArray reportNow(const SensorSnapshot &snapshot, bool celsius, const QDateTime &now)
{
    DriveUsage drive;
    const bool driveMeasured = querySystemDriveUsage(&drive);
    const RefreshOutcome outcome = composeRefresh(snapshot, !celsius, queryMemoryStatus(),
                                                  driveMeasured ? &drive : nullptr, {});
    return buildDeviceReport(outcome.record, celsius, now);
}

} // namespace

int main(int argc, char **argv)
{
    Form form = Form::Plain;
    if (argc == 4 && std::strcmp(argv[1], "--choose") == 0)
        return chooseSource(argv[2], argv[3]);
    if (argc > 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (argc == 2) {
        if (std::strcmp(argv[1], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[1], "--json") == 0) {
            form = Form::Json;
        } else if (std::strcmp(argv[1], "--report") == 0) {
            form = Form::Report;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }

    SensorSdkTable sdk;
    loadSensorSdk(sdk);
    int initResult = -111;
    if (!initSensorSdk(sdk, &initResult) || initResult != 0) {
        std::fprintf(stderr, "quillon-sensors: the sensor library libquillon-sensors.so %s (%d)\n",
                     sdk.isComplete() ? "refused to start" : "was not found", initResult);
        return 1;
    }
    // The library took its first samples at start; the pass takes the second.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ProbeResult result;
    result.snapshot = runAcquisitionPass(sdk, false, &result.pass);
    sdk.shutdown();

    const char *root = std::getenv("QUILLON_SENSORS_ROOT");
    result.root = root && *root ? root : "/";
    const char *nvml = std::getenv("QUILLON_NVML_LIBRARY");
    const std::string nvmlLibrary = nvml && *nvml ? nvml : "libnvidia-ml.so.1";
    // The library's discovery once more, for its record: the SDK has no call for it.
    LinuxSensors discovery(result.root, nvmlLibrary);
    discovery.discover(boottimeNs() / 1000u);
    result.findings = discovery.findings();
    result.facts = treeFacts(result.findings);
    noteReadingsBelowOne(result);
    ChoiceReport choices;
    if (form != Form::Report) {
        choices = readChoices(result.root, nvmlLibrary, systemChoiceFile(SysRoot(result.root)),
                              userChoiceFile());
        for (int f = 0; f < kSnapshotFieldCount; ++f)
            result.choiceReasons[static_cast<size_t>(f)] = choiceReason(choices, f);
    }

    std::string out;
    if (form == Form::Json) {
        out = withChoices(jsonListing(result), choices);
    } else if (form == Form::Report) {
        const bool celsius = storedTemperatureMode() == 1;
        const QDateTime now = QDateTime::currentDateTime();
        out = reportListing(reportNow(result.snapshot, celsius, now), celsius, now);
    } else {
        out = plainListing(result) + choiceListing(choices);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
