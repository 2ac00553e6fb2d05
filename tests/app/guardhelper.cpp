// A stand-in for the program in process-level tests: takes the single-instance guard,
// arms the crash handler with a start stamp set back as the test asks, and waits to be
// killed or faults on a worker thread. Started without arguments (as a crash restart
// starts it) it only takes the guard and reports.
#include "app/crashhandler.h"
#include "app/singleinstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

static void report(const QByteArray &line)
{
    const QByteArray path = qgetenv("QUILLON_HELPER_REPORT");
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const QByteArray text = line + '\n';
    if (::write(fd, text.constData(), size_t(text.size())) < 0) {
        // nothing more to do in a helper
    }
    ::close(fd);
}

int main(int argc, char **argv)
{
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);

    // Another user on the same machine: a root test drops to that uid first.
    bool otherUser = false;
    const uint uid = qEnvironmentVariable("QUILLON_HELPER_UID").toUInt(&otherUser);
    if (otherUser && (::setgid(gid_t(uid)) != 0 || ::setuid(uid_t(uid)) != 0))
        return 4;

    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    SingleInstanceGuard guard(qEnvironmentVariable("QUILLON_HELPER_KEY"));
    if (!guard.tryAcquire()) {
        report("refused " + QByteArray::number(::getpid()));
        return -1;
    }
    if (args.isEmpty()) {
        report("restarted " + QByteArray::number(::getpid()));
        return 0;
    }

    const QString when = args.at(0);
    if (when == QLatin1String("late"))
        setStartStamp(currentStartStamp() - 60000);
    else if (when == QLatin1String("early"))
        setStartStamp(currentStartStamp() - 30000);
    if (when != QLatin1String("unarmed"))
        installCrashHandler();
    report("armed " + QByteArray::number(::getpid()));

    if (args.contains(QStringLiteral("thread-fault"))) {
        std::thread([] {
            // An address the compiler cannot see through: a real, unmapped access.
            volatile quintptr address = 8;
            *reinterpret_cast<volatile int *>(quintptr(address)) = 1;
        }).join();
    }
    for (int i = 0; i < 300; ++i)
        ::usleep(100000);
    report("timeout");
    return 3;
}
