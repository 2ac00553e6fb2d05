// What the display must receive while the program runs on the complete test sensor
// library, whichever platform it runs on: one 65-byte report with the library's
// readings, the run's date and time and the checksum. Shared by the whole-program tests
// of both platforms, so that they hold the two programs to the same bytes.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

namespace ScenarioReport {

inline int bigEndian16(const QByteArray &report, int offset)
{
    return (quint8(report.at(offset)) << 8) | quint8(report.at(offset + 1));
}

// Empty when the report is right; otherwise what is wrong. `fahrenheit` sets the flag
// bit of the two temperatures.
inline QString mismatch(const QByteArray &report, bool fahrenheit = false)
{
    if (report.size() != 65)
        return QStringLiteral("size %1").arg(report.size());
    const quint8 flag = fahrenheit ? 0x80 : 0x00;
    struct Field
    {
        const char *name;
        int offset;
        int width;
        int value;
    };
    const Field fields[] = {
        {"report number", 0, 1, 0x00},
        {"tag", 1, 1, 0x40},
        {"CPU temperature", 2, 1, 45 | flag},
        {"CPU usage", 3, 1, 12},
        {"CPU clock", 4, 2, 3600},
        {"CPU fan", 6, 2, 1200},
        {"CPU power", 8, 2, 65},
        {"GPU temperature", 10, 1, 50 | flag},
        {"GPU usage", 11, 1, 3},
        {"GPU clock", 12, 2, 1500},
        {"GPU fan", 14, 2, 0},
        {"GPU power", 16, 2, 20},
    };
    for (const Field &f : fields) {
        const int got = f.width == 1 ? quint8(report.at(f.offset)) : bigEndian16(report, f.offset);
        if (got != f.value)
            return QStringLiteral("%1: %2, not %3")
                .arg(QLatin1String(f.name))
                .arg(got)
                .arg(f.value);
    }
    if (quint8(report.at(18)) > 100 || bigEndian16(report, 19) <= 0)
        return QStringLiteral("memory load or size out of range");
    const QDate today = QDate::currentDate();
    if (qAbs(bigEndian16(report, 24) - today.year()) > 1 || quint8(report.at(26)) < 1 ||
        quint8(report.at(26)) > 12 || quint8(report.at(28)) > 23 || quint8(report.at(29)) > 59)
        return QStringLiteral("date or time out of range");
    quint8 sum = 0;
    for (int i = 1; i <= 29; ++i)
        sum += quint8(report.at(i));
    if (quint8(report.at(30)) != sum)
        return QStringLiteral("checksum %1, not %2").arg(quint8(report.at(30))).arg(sum);
    if (report.mid(31) != QByteArray(34, '\0'))
        return QStringLiteral("padding is not zero");
    return QString();
}

} // namespace ScenarioReport
