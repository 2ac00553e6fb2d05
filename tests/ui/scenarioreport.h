// What the display must receive and the window must show while the program runs on the
// complete test sensor library, whichever platform it runs on: one 65-byte report with
// the library's readings, the run's date and time and the checksum, and the window's
// values. Shared by the whole-program tests of both platforms, so that they hold the two
// programs to the same bytes and texts, and read the stand-ins' files the same way.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <utility>

namespace ScenarioReport {

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The reports the test device received, one 65-byte report per line.
inline QList<QByteArray> writtenReports(const QString &path)
{
    QList<QByteArray> reports;
    const QList<QByteArray> lines = readAll(path).split('\n');
    for (const QByteArray &line : lines) {
        if (!line.isEmpty())
            reports.append(QByteArray::fromHex(line));
    }
    return reports;
}

// "name=value" lines the program writes beside its window picture.
inline QMap<QString, QString> windowValues(const QString &path)
{
    QMap<QString, QString> values;
    const QStringList lines = QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1));
    }
    return values;
}

// The library's readings as the window shows them, in Celsius.
inline const QList<std::pair<const char *, const char *>> &windowTexts()
{
    static const QList<std::pair<const char *, const char *>> texts = {
        {"label_HidStatus", "Connected"},
        {"label_CPU01", "12"},
        {"label_CPU02", "3600"},
        {"label_CPU03", "1200"},
        {"label_CPU04", "65"},
        {"label_GPU01", "3"},
        {"label_GPU02", "1500"},
        {"label_GPU03", "0"},
        {"label_GPU04", "20"},
        {"progressBar_CPU01", "12/100"},
        {"progressBar_CPU02", "3600/3601"},
        {"progressBar_CPU03", "1200/1201"},
        {"progressBar_CPU04", "65/66"},
        {"progressBar_GPU02", "1500/1501"},
        {"progressBar_GPU03", "0/1"},
        {"progressBar_GPU04", "20/21"},
        {"widget_CpuDashboard", "45\u2103"},
        {"widget_GpuDashboard", "50\u2103"},
        {"radioButton_Model02", "0"},
    };
    return texts;
}

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
