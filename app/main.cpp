#include "crashhandler.h"
#include "processentry.h"
#include "quitsignal.h"
#include "shell/ddatamanager.h"
#include "singleinstance.h"
#include "ui/dmainwidget.h"
#include "windowpicture.h"

#include <QApplication>
#include <QDebug>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Only honoured when set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, true);
    QApplication app(argc, argv);

    SingleInstanceGuard guard(singleInstanceKey());
    const SingleInstanceGuard::Outcome guardOutcome = guard.acquire();
    // Only another instance's hold ends a start with -1, silently: the user unit takes
    // that status as final.
    if (guardOutcome == SingleInstanceGuard::HeldElsewhere)
        return -1;
    for (const QString &problem : guard.problems())
        std::fprintf(stderr, "quillon: %s\n", qUtf8Printable(problem));
    std::fflush(stderr);
    if (guardOutcome == SingleInstanceGuard::Unavailable) {
        DDataManager::instance();
        for (const QString &problem : guard.problems())
            qDebug().noquote() << problem;
        // Any other failure status: the user unit tries again a little later.
        return 1;
    }
    // From here on an end request must take the orderly exit that releases the guard.
    QuitSignalWatcher::instance();

    setStartStamp(currentStartStamp());
    installCrashHandler();

    const bool startedByTask = isStartedByTask(QCoreApplication::arguments());
    std::printf("%s\n", startedByTaskLine(startedByTask));
    std::fflush(stdout);

    DDataManager::instance()->printStartupBanner();
    for (const QString &problem : guard.problems())
        qDebug().noquote() << problem;

    DMainWidget window(nullptr);
    // A logout or an interrupt ends the program through the same path as the tray's exit.
    QObject::connect(QuitSignalWatcher::instance(), &QuitSignalWatcher::sigQuitRequested, &window,
                     &DMainWidget::onQuitApp);
    if (qEnvironmentVariableIsSet("QUILLON_SCREENSHOT"))
        new WindowPicture(&window, qEnvironmentVariable("QUILLON_SCREENSHOT"));
    // A logon start waits in the tray; with no tray a hidden window could never come back.
    if (startedByTask && window.hasTrayIcon())
        window.hide();
    else if (startedByTask)
        window.showMinimized();
    else
        window.show();

    return app.exec();
}
