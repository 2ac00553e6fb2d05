#include <QtTest>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ui/dmainwidget.h"

extern char **environ;

namespace {

const char kSocket[] = "quillon-test";

// A headless weston for the length of the run. It has to be up before the application
// object exists, which picks its platform once, so it is started without Qt.
class Weston
{
public:
    explicit Weston(const QString &runtimeDir)
    {
        const QString weston = QStandardPaths::findExecutable(QStringLiteral("weston"));
        const QString plugin = QLibraryInfo::location(QLibraryInfo::PluginsPath) +
                               QStringLiteral("/platforms/libqwayland-generic.so");
        if (weston.isEmpty()) {
            whyNot = "weston is not installed";
            return;
        }
        if (!QFile::exists(plugin)) {
            whyNot = "Qt's Wayland platform (qtwayland5) is not installed";
            return;
        }
        qputenv("XDG_RUNTIME_DIR", runtimeDir.toLocal8Bit());
        const QByteArray program = weston.toLocal8Bit();
        const QByteArray socket = QByteArray("--socket=") + kSocket;
        char backend[] = "--backend=headless-backend.so";
        char idle[] = "--idle-time=0";
        char *argv[] = {const_cast<char *>(program.constData()), backend,
                        const_cast<char *>(socket.constData()), idle, nullptr};
        if (posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ) != 0) {
            pid = -1;
            whyNot = "weston did not start";
            return;
        }
        const QString socketPath = runtimeDir + QLatin1Char('/') + QLatin1String(kSocket);
        for (int i = 0; i < 100 && !QFile::exists(socketPath); ++i)
            usleep(100 * 1000); // no event loop yet: a bounded poll for the socket
        if (!QFile::exists(socketPath)) {
            whyNot = "weston opened no socket";
            return;
        }
        qputenv("WAYLAND_DISPLAY", kSocket);
        qputenv("QT_QPA_PLATFORM", "wayland");
        // Widgets paint to shared memory. The headless compositor has no GPU, and an EGL
        // driver loaded and unloaded again leaves allocations the leak check cannot name.
        qputenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION", "none");
        whyNot = nullptr;
    }
    ~Weston()
    {
        if (pid <= 0)
            return;
        kill(pid, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(pid, nullptr, WNOHANG) == pid)
                return;
            usleep(100 * 1000);
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }

    const char *whyNot = "not started";

private:
    pid_t pid = -1;
};

Weston *weston = nullptr;

} // namespace

class tst_Wayland : public QObject
{
    Q_OBJECT

private slots:
    void showsAndTakesPresses();
};

void tst_Wayland::showsAndTakesPresses()
{
    if (weston->whyNot)
        QSKIP(weston->whyNot);
    QVERIFY(QGuiApplication::platformName().startsWith(QLatin1String("wayland")));
    DMainWidget window;
    window.resize(1200, 596);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // A press on the title and one on a corner go to the compositor or, where it has no
    // seat to take them from, to the window's own handling; either way they end cleanly.
    QWindow *handle = window.windowHandle();
    const QPoint grip = window.findChild<QFrame *>(QStringLiteral("frame_4"))->geometry().center();
    for (const QPoint &point : {grip, QPoint(1198, 594)}) {
        QTest::mousePress(handle, Qt::LeftButton, {}, point);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, point);
        QVERIFY(!window.isLeftButtonHeld());
        QVERIFY(!window.isDraggingTitle());
    }
    QVERIFY(window.isVisible());
}

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    const QString runtime = home.path() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto compositor = std::make_unique<Weston>(runtime);
    weston = compositor.get();
    int status = 0;
    {
        QApplication app(argc, argv);
        app.setQuitOnLastWindowClosed(false);
        tst_Wayland test;
        status = QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_wayland.moc"
