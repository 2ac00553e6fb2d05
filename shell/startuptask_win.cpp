#include "startuptask.h"

#include "schtasks.h"

#include <QCoreApplication>
#include <QDebug>

#include <cstdio>

StartupTaskOutcome createStartupTask(const AppConfig &config)
{
    StartupTaskOutcome outcome;
    qDebug() << "Create Startup Task -> Start";
    if (config.startupTaskEnabled == 1) {
        const QString taskName = startupTaskName(QCoreApplication::applicationName(), config.appId);
        const QString parameters =
            startupTaskParameters(taskName, QCoreApplication::applicationFilePath());
        unsigned long code = 0;
        if (!launchElevatedSchtasks(systemSchtasksPath(), parameters.toStdWString(), &code)) {
            printf("Error: %d\n", int(code));
            // Start-up waits until the box is closed.
            outcome.failed = true;
            outcome.tipText = QStringLiteral("ShellExecute error: %1").arg(code);
            outcome.modalTip = true;
        }
    }
    qDebug() << "Create Startup Task -> Over";
    return outcome;
}
