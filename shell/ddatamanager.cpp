#include "ddatamanager.h"

#include "logging.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QStandardPaths>

DDataManager *DDataManager::instance()
{
    static DDataManager *manager = nullptr;
    if (!manager)
        manager = new DDataManager(nullptr);
    return manager;
}

DDataManager::DDataManager(QObject *parent) : QObject(parent)
{
    // The log folder is created one level deep inside this folder, so its parents must
    // exist too: on a fresh account ~/.local/share may not.
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!QDir(appData).exists())
        QDir().mkpath(appData);

    configDirPath = QCoreApplication::applicationDirPath() + QStringLiteral("/configDir/");
    config = loadAppConfig(configDirPath);

    createLogDir(QString());
    qInstallMessageHandler(logMessageHandler);
}

AppConfig DDataManager::getAppConfig() const
{
    return config;
}

QString DDataManager::getConfigDirPath() const
{
    return configDirPath;
}

void DDataManager::printStartupBanner()
{
    qDebug() << "------------------------- *** App Runing *** ------------------------------";
    qDebug() << "appConfig.ini Path:" << configDirPath;
}
