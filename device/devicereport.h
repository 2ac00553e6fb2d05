#ifndef DEVICEREPORT_H
#define DEVICEREPORT_H

#include <QByteArray>
#include <QDateTime>
#include <QtGlobal>

// The fourteen integers one refresh works on: ten truncated sensor readings plus the
// memory and system-drive figures measured by the window.
struct RefreshRecord
{
    qint32 cpuTemperature = 0, cpuUsage = 0, cpuClock = 0, cpuFanSpeed = 0, cpuPower = 0,
           gpuTemperature = 0, gpuUsage = 0, gpuClock = 0, gpuFanSpeed = 0, gpuPower = 0,
           memoryLoadPercent = 0, memoryTotalMiB = 0, diskUsedPercent = 0, diskTotalGiB = 0;
};

// Report number 0 followed by the display's 64-byte output report.
constexpr int kDeviceReportSize = 65;

// Builds the output report for the USB display: values in big-endian fields that keep
// only their low 8 or 16 bits (no clamping), temperatures always in Celsius with bit 7
// set in Fahrenheit mode, the local date and minute, and an 8-bit checksum over
// bytes 1 to 29. Always kDeviceReportSize bytes.
QByteArray buildDeviceReport(const RefreshRecord &record, bool celsius, const QDateTime &localNow);

#endif // DEVICEREPORT_H
