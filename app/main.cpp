#include "crashhandler.h"
#include "ddatamanager.h"
#include "dmainwidget.h"
#include "processentry.h"
#include "singleinstance.h"

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

    setStartStamp(currentStartStamp());
    installCrashHandler();

    const bool startedByTask = isStartedByTask(QCoreApplication::arguments());
    std::printf("%s\n", startedByTaskLine(startedByTask));
    std::fflush(stdout);

    DDataManager::instance()->printStartupBanner();

    DMainWidget window(nullptr);
    if (startedByTask)
        window.hide();
    else
        window.show();

    return app.exec();
}
