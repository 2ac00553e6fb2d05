#include "startuptask.h"

#include "schtasks.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>

#include <cstdio>

void createStartupTask(const AppConfig &config)
{
    qDebug() << "Create Startup Task -> Start";
    if (config.startupTaskEnabled == 1) {
        const QString taskName = startupTaskName(QCoreApplication::applicationName(), config.appId);
        const QString parameters =
            startupTaskParameters(taskName, QCoreApplication::applicationFilePath());
        unsigned long code = 0;
        if (!launchElevatedSchtasks(systemSchtasksPath(), parameters.toStdWString(), &code)) {
            printf("Error: %d\n", int(code));
            QMessageBox::information(nullptr, QStringLiteral("Tip"),
                                     QStringLiteral("ShellExecute error: %1").arg(code),
                                     QMessageBox::Ok, QMessageBox::NoButton);
        }
    }
    qDebug() << "Create Startup Task -> Over";
}
