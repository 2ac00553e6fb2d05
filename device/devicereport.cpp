#include "devicereport.h"

namespace {

class ReportWriter
{
public:
    explicit ReportWriter(QByteArray *bytes) : bytes(bytes) {}

    // Only the low bits travel; unsigned arithmetic makes the wrap well defined for
    // negative values too.
    void put8(qint32 value) { (*bytes)[pos++] = static_cast<char>(quint32(value) & 0xFFu); }
    void put16(qint32 value)
    {
        put8(qint32((quint32(value) >> 8) & 0xFFu));
        put8(value);
    }

private:
    QByteArray *bytes;
    int pos = 2;
};

constexpr char kReportTag = 0x40;
constexpr qint32 kFahrenheitFlag = 0x80;
constexpr int kChecksumOffset = 30;

} // namespace

QByteArray buildDeviceReport(const RefreshRecord &record, bool celsius, const QDateTime &localNow)
{
    // An invalid clock reading sends zeros rather than Qt's -1 markers.
    const QDate date = localNow.date().isValid() ? localNow.date() : QDate();
    const QTime time = localNow.time().isValid() ? localNow.time() : QTime(0, 0);

    QByteArray report(kDeviceReportSize, '\0');
    report[1] = kReportTag;

    // The display converts to Fahrenheit itself; bit 7 only tells it to.
    const qint32 unitFlag = celsius ? 0 : kFahrenheitFlag;

    ReportWriter out(&report);
    out.put8(record.cpuTemperature | unitFlag);
    out.put8(record.cpuUsage);
    out.put16(record.cpuClock);
    out.put16(record.cpuFanSpeed);
    out.put16(record.cpuPower);
    out.put8(record.gpuTemperature | unitFlag);
    out.put8(record.gpuUsage);
    out.put16(record.gpuClock);
    out.put16(record.gpuFanSpeed);
    out.put16(record.gpuPower);
    out.put8(record.memoryLoadPercent);
    out.put16(record.memoryTotalMiB);
    out.put8(record.diskUsedPercent);
    out.put16(record.diskTotalGiB);
    out.put16(date.isValid() ? date.year() : 0);
    out.put8(date.isValid() ? date.month() : 0);
    out.put8(date.isValid() ? date.day() : 0);
    out.put8(time.hour());
    out.put8(time.minute());

    quint32 sum = 0;
    for (int i = 1; i < kChecksumOffset; ++i)
        sum += static_cast<quint8>(report.at(i));
    report[kChecksumOffset] = static_cast<char>(sum & 0xFFu);
    return report;
}
