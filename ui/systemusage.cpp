#include "systemusage.h"

#include <QList>

#include <limits>

namespace {

// The value of one "Key:   1234 kB" line in bytes, or false when it is not usable.
bool kibibyteField(const QByteArray &line, const QByteArray &key, quint64 *bytes)
{
    if (!line.startsWith(key) || line.size() <= key.size() || line.at(key.size()) != ':')
        return false;
    QByteArray rest = line.mid(key.size() + 1).trimmed();
    if (rest.endsWith("kB"))
        rest.chop(2);
    bool ok = false;
    const quint64 kib = rest.trimmed().toULongLong(&ok);
    if (!ok || kib > std::numeric_limits<quint64>::max() / 1024)
        return false;
    *bytes = kib * 1024;
    return true;
}

} // namespace

bool parseMemInfo(const QByteArray &text, MemoryStatus *status)
{
    quint64 total = 0;
    quint64 available = 0;
    bool haveTotal = false;
    bool haveAvailable = false;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &line : lines) {
        if (!haveTotal)
            haveTotal = kibibyteField(line, QByteArrayLiteral("MemTotal"), &total);
        if (!haveAvailable)
            haveAvailable = kibibyteField(line, QByteArrayLiteral("MemAvailable"), &available);
    }
    if (!haveTotal || !haveAvailable || total == 0)
        return false;
    if (available > total)
        available = total;
    status->totalBytes = total;
    status->availableBytes = available;
    status->loadPercent = static_cast<quint32>(static_cast<double>(total - available) * 100.0 /
                                               static_cast<double>(total));
    return true;
}
