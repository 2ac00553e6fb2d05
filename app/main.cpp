#include "crashhandler.h"
#include "ddatamanager.h"
#include "dmainwidget.h"
#include "processentry.h"
#include "quitsignal.h"
#include "singleinstance.h"
#include "windowpicture.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Only honoured when set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, true);
    QApplication app(argc, argv);

    SingleInstanceGuard guard(singleInstanceKey());
    if (!guard.tryAcquire())
        return -1;
    // From here on an end request must take the orderly exit that releases the guard.
    QuitSignalWatcher::instance();

    setStartStamp(currentStartStamp());
    installCrashHandler();

    const bool startedByTask = isStartedByTask(QCoreApplication::arguments());
    std::printf("%s\n", startedByTaskLine(startedByTask));
    std::fflush(stdout);

    DDataManager::instance()->printStartupBanner();

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
