#ifndef LOGFILE_H
#define LOGFILE_H

#include <QByteArray>
#include <QString>

// Appends one record to the log file at `path` (inside `folder`) in a single write.
// Only a regular file of the running user (or of the folder's owner, for a root run
// that keeps the user's data folder) is written; a link, FIFO or device in its place,
// a file of someone else, or a `folder` that is itself a link, loses the record. When the write
// comes back short (a full disk) the file is cut back to where the record began, so only whole
// records are ever kept. True when the whole record was written.
bool appendLogRecord(const QString &folder, const QString &path, const QByteArray &record);

#endif // LOGFILE_H
