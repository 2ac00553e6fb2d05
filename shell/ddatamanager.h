#ifndef DDATAMANAGER_H
#define DDATAMANAGER_H

#include "appconfig.h"

#include <QObject>
#include <QString>

// Process-wide holder of the configuration record. The first instance() call creates it:
// it makes sure the application data folder exists, reads configDir/appConfig.ini beside
// the executable and starts logging. GUI thread only.
class DDataManager : public QObject
{
    Q_OBJECT

public:
    static DDataManager *instance();

    AppConfig getAppConfig() const;
    QString getConfigDirPath() const;

    // Two debug lines: the run marker, then the configuration folder.
    void printStartupBanner();

private:
    explicit DDataManager(QObject *parent = nullptr);

    QString configDirPath;
    AppConfig config;
};

#endif // DDATAMANAGER_H
