#include "logfile.h"

#include <QFile>
#include <QFileInfo>

bool appendLogRecord(const QString &folder, const QString &path, const QByteArray &record)
{
    // A link or anything but a plain file in the file's place, or a linked folder,
    // loses the record.
    const QFileInfo info(path);
    if (QFileInfo(folder).isSymLink() || info.isSymLink() || (info.exists() && !info.isFile()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
        return false;
    const qint64 start = file.size();
    const qint64 written = file.write(record);
    const bool complete = written == record.size() && file.flush();
    if (!complete)
        file.resize(start);
    file.close();
    return complete;
}
