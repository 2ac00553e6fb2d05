#include "startuptask.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>

#include <cstdio>
#include <string>

#include <windows.h>

#include <shellapi.h>

void createStartupTask(const AppConfig &config)
{
    qDebug() << "Create Startup Task -> Start";
    if (config.startupTaskEnabled == 1) {
        const QString taskName = startupTaskName(QCoreApplication::applicationName(), config.appId);
        const std::wstring parameters =
            startupTaskParameters(taskName, QCoreApplication::applicationFilePath()).toStdWString();
        const HINSTANCE result =
            ShellExecuteW(nullptr, L"runas", L"schtasks", parameters.c_str(), nullptr, 0);
        if (reinterpret_cast<INT_PTR>(result) <= 32) {
            const DWORD code = GetLastError();
            printf("Error: %d\n", int(code));
            QMessageBox::information(nullptr, QStringLiteral("Tip"),
                                     QStringLiteral("ShellExecute error: %1").arg(code),
                                     QMessageBox::Ok, QMessageBox::NoButton);
        }
    }
    qDebug() << "Create Startup Task -> Over";
}
