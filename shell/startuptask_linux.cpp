#include "startuptask_linux.h"
#include "startuptask.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// mkdir -p that keeps the errno of the step that failed.
int makeFolder(const QByteArray &path)
{
    for (int i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path.at(i) != '/')
            continue;
        const QByteArray prefix = path.left(i);
        if (::mkdir(prefix.constData(), 0700) == 0)
            continue;
        const int error = errno;
        struct stat info
        {
        };
        if (::stat(prefix.constData(), &info) != 0)
            return error;
        if (!S_ISDIR(info.st_mode))
            return ENOTDIR;
    }
    return 0;
}

int writeWhole(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        left -= n;
    }
    return 0;
}

// The program as the user started it: /usr/bin/quillon when started through that link,
// where the executable's own path would name the private folder behind it.
QString startedProgramPath()
{
    const QString program = QCoreApplication::applicationFilePath();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.isEmpty())
        return program;
    const QString &first = arguments.constFirst();
    const QString started = first.contains(QLatin1Char('/'))
                                ? QDir::cleanPath(QFileInfo(first).absoluteFilePath())
                                : QStandardPaths::findExecutable(first);
    const QFileInfo startedInfo(started);
    // argv[0] is whatever the caller chose: it counts only as a link to this executable.
    if (started.isEmpty() || !startedInfo.isSymLink() ||
        startedInfo.canonicalFilePath() != QFileInfo(program).canonicalFilePath())
        return program;
    return started;
}

} // namespace

int writeAutostartEntry(const QString &folder, const QString &fileName, const QByteArray &text)
{
    const QByteArray dir = QFile::encodeName(QDir::cleanPath(folder));
    if (int error = makeFolder(dir))
        return error;

    const QByteArray target = dir + '/' + QFile::encodeName(fileName);
    QByteArray temporary = dir + "/." + QFile::encodeName(fileName) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;

    int error = 0;
    if (::fchmod(fd, 0644) != 0)
        error = errno;
    if (!error)
        error = writeWhole(fd, text);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error)
        ::unlink(temporary.constData());
    return error;
}

QString autostartFolder()
{
    return autostartFolderFor(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
}

QString autostartProgramProblem(const QString &programPath)
{
    if (!programPath.startsWith(QLatin1Char('/')))
        return QStringLiteral("the program's path is not absolute");
    for (const QChar c : programPath) {
        // GLib checks that the Exec line's program exists before it expands "%%" to
        // "%": no spelling of a '%' passes both.
        if (c == QLatin1Char('%'))
            return QStringLiteral("the program's path holds a '%', which desktop launchers "
                                  "read as a field code");
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\t') &&
            c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            return QStringLiteral("the program's path holds a control character, which an "
                                  "autostart entry cannot carry");
    }
    // The launcher runs the entry's UTF-8 bytes: they must reach this very file.
    struct stat named = {};
    struct stat running = {};
    if (::stat(programPath.toUtf8().constData(), &named) != 0 ||
        ::stat("/proc/self/exe", &running) != 0 || named.st_dev != running.st_dev ||
        named.st_ino != running.st_ino)
        return QStringLiteral("the program's path, written as UTF-8, leads elsewhere than to "
                              "this program");
    return {};
}

StartupTaskOutcome registerAutostart(const AppConfig &config, const QString &programPath)
{
    StartupTaskOutcome outcome;
    const QString problem = autostartProgramProblem(programPath);
    if (!problem.isEmpty()) {
        // An entry that starts another program, or nothing, is worse than none.
        const QString line = QStringLiteral("Autostart entry not written: ") + problem;
        std::printf("%s\n", qUtf8Printable(line));
        std::fflush(stdout);
        qDebug().noquote() << line;
        outcome.failed = true;
        outcome.tipText = line;
        return outcome;
    }
    const QString taskName = startupTaskName(QCoreApplication::applicationName(), config.appId);
    const QString shownName = config.appName.isEmpty() ? taskName : config.appName;
    const int error = writeAutostartEntry(autostartFolder(), autostartEntryFileName(taskName),
                                          autostartEntryText(shownName, programPath));
    if (error != 0) {
        std::printf("Error: %d\n", error);
        std::fflush(stdout);
        // Not modal: a hidden, tray-only start goes on while the box is open.
        outcome.failed = true;
        outcome.tipText = QStringLiteral("Autostart entry error: %1 (%2)")
                              .arg(error)
                              .arg(QString::fromLocal8Bit(std::strerror(error)));
        qDebug().noquote() << outcome.tipText;
    }
    return outcome;
}

StartupTaskOutcome createStartupTask(const AppConfig &config)
{
    StartupTaskOutcome outcome;
    qDebug() << "Create Startup Task -> Start";
    if (config.startupTaskEnabled == 1)
        outcome = registerAutostart(config, startedProgramPath());
    qDebug() << "Create Startup Task -> Over";
    return outcome;
}
