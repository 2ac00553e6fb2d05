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
    if (startedByTask)
        window.hide();
    else
        window.show();

    return app.exec();
}
