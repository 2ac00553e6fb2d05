#include "logging.h"

#include "logfile.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <mutex>

namespace {

std::mutex &logMutex()
{
    // Never destroyed: threads may still log while statics are torn down at exit.
    static std::mutex *mutex = new std::mutex;
    return *mutex;
}

// Guarded by logMutex(). Empty until createLogDir has run.
QString &logFolderSlot()
{
    static QString *folder = new QString;
    return *folder;
}

QString defaultLogFolder()
{
    return QDir::toNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
        QStringLiteral("/logDir"));
}

// The folder the handler writes to; the caller holds logMutex().
QString logFolderLocked()
{
    const QString &folder = logFolderSlot();
    return folder.isEmpty() ? defaultLogFolder() : folder;
}

// A message issued while this thread is already writing a record (a warning from the
// file layer, say) would otherwise lock the non-recursive mutex twice.
thread_local bool insideHandler = false;

} // namespace

QString logRecordLine(const QString &file, int line, const QDateTime &localTime, const QString &msg)
{
    // One multi-arg call, so a "%1" inside a file name or a message stays as written.
    return QStringLiteral("[%1]-[flie:%2    line:%3    datetime:%4]--------------------> %5")
               .arg(QStringLiteral("Debug"), file, QString::number(line),
                    localTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), msg) +
           QStringLiteral("\r\n");
}

QString logFileName(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log");
}

bool isLogFileName(const QString &name)
{
    const QDate date = QDate::fromString(name.left(10), QStringLiteral("yyyy-MM-dd"));
    return date.isValid() && logFileName(date) == name;
}

QDateTime logPurgeCutoff(const QDateTime &now)
{
    return now.addDays(-7);
}

bool isLogEntryExpired(const QDateTime &created, const QDateTime &cutoff)
{
    if (!created.isValid() || !cutoff.isValid())
        return false;
    return cutoff.secsTo(created) < 0;
}

QDateTime logEntryCreationTime(const QFileInfo &info)
{
    const QDateTime born = info.birthTime();
    return born.isValid() ? born : info.lastModified();
}

int purgeLogFolder(const QString &folder, const QDateTime &cutoff)
{
    // A linked folder is someone else's: the user's documents, say.
    if (QFileInfo(folder).isSymLink())
        return 0;
    QDir dir(folder);
    int removed = 0;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        if (!isLogFileName(name) || entry.isSymLink() || !entry.isFile())
            continue;
        if (isLogEntryExpired(logEntryCreationTime(entry), cutoff) && dir.remove(name))
            ++removed;
    }
    return removed;
}

QString currentLogFolder()
{
    std::lock_guard<std::mutex> lock(logMutex());
    return logFolderLocked();
}

void createLogDir(const QString &subDir)
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!subDir.isEmpty()) {
        base += QStringLiteral("/") + subDir;
        if (!QDir(base).exists())
            QDir().mkdir(base);
    }
    const QString folder = QDir::toNativeSeparators(base + QStringLiteral("/logDir"));
    const bool linked = QFileInfo(folder).isSymLink();
    if (!linked && !QDir(folder).exists())
        QDir().mkdir(folder);

    qDebug() << "LogDir FullPath:" << folder;

    if (linked) {
        // The log cannot carry this line: the handler writes nothing through a link.
        std::fprintf(stderr, "%s: the log folder %s is a symbolic link: nothing is logged\n",
                     qUtf8Printable(QCoreApplication::applicationName()), qUtf8Printable(folder));
        std::fflush(stderr);
    } else {
        purgeLogFolder(folder, logPurgeCutoff(QDateTime::currentDateTime()));
    }

    // The handler writes beside the application data folder whatever subDir was.
    const QString handlerFolder = defaultLogFolder();
    std::lock_guard<std::mutex> lock(logMutex());
    logFolderSlot() = handlerFolder;
}

void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (type != QtDebugMsg || insideHandler)
        return;
    insideHandler = true;
    {
        std::lock_guard<std::mutex> lock(logMutex());
        const QDateTime now = QDateTime::currentDateTime();
        const QString line =
            logRecordLine(QString::fromLocal8Bit(context.file), context.line, now, msg);
        const QString path = QDir::toNativeSeparators(logFolderLocked() + QStringLiteral("/") +
                                                      logFileName(now.date()));

        appendLogRecord(logFolderLocked(), path, line.toLocal8Bit());
    }
    insideHandler = false;
}
