#ifndef LOGGING_H
#define LOGGING_H

#include <QDateTime>
#include <QString>
#include <QtGlobal>

class QFileInfo;

// Creates <AppDataLocation>[/subDir]/logDir and removes the day files created more
// than seven days ago. A logDir that is a symbolic link is left alone: one line on
// standard error says so, and nothing is logged. Run once at start, before
// logMessageHandler is installed.
void createLogDir(const QString &subDir);

// Process-wide Qt message handler: appends every debug message to the day's file in the
// log folder; other message types are dropped. A record that cannot be written is lost,
// nothing else happens.
void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg);

// One log line, CR LF included:
// "[Debug]-[flie:<file>    line:<line>    datetime:<yyyy-MM-dd hh:mm:ss>]-------------------->
// <msg>"
QString logRecordLine(const QString &file, int line, const QDateTime &localTime,
                      const QString &msg);

// "yyyy-MM-dd.log" for the given local date.
QString logFileName(const QDate &date);

// True for a name logFileName() gives for some date.
bool isLogFileName(const QString &name);

// Entries created before now - 7 days are purged.
QDateTime logPurgeCutoff(const QDateTime &now);

// True when an entry created at `created` lies before `cutoff` (whole seconds, as
// QDateTime::secsTo counts them). An invalid creation time is never expired.
bool isLogEntryExpired(const QDateTime &created, const QDateTime &cutoff);

// The creation time of a log entry; where the filesystem records none, its last
// modification time.
QDateTime logEntryCreationTime(const QFileInfo &info);

// Removes the day files (isLogFileName, regular files, not links) of `folder` created
// before `cutoff`; nothing else in it is touched, and nothing at all when `folder` is a
// symbolic link. Failed removals are ignored. Returns how many were removed.
int purgeLogFolder(const QString &folder, const QDateTime &cutoff);

// The folder the handler writes to (set by createLogDir; until then derived from the
// application data location).
QString currentLogFolder();

#endif // LOGGING_H
