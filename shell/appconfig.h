#ifndef APPCONFIG_H
#define APPCONFIG_H

#include <QString>

// Identity and appearance of the program, read once from configDir/appConfig.ini.
struct AppConfig
{
    QString appName;
    QString appVersion;
    QString appId;
    int startupTaskEnabled = 0;
    QString appIcoSel01;
    QString appIcoSel02;
    int leftTopShowModel = 0;
    QString leftTopShowImage;
    int mainAreaShowModel = 0;
    QString mainAreaShowBgImage;
    int deviceConStatusShowModel = 0;
    int temperatureChangShowModel = 0;
    int appVersionShowModel = 0;
    QString appBorderColor;
    QString titleBgColorStart;
    QString titleBgColorStop;
    QString defaultColor;
    QString progressBarDefColor;
    QString mainColor;
    QString mainBgColor;
    QString borderColor;
    QString roundBorderColor;
    QString roundPointerColor;
    QString roundTextColor;
    QString dataValueTextColor;
    QString textFont = QStringLiteral("Microsoft YaHei");
};

// Turns a stored colour ("r.g.b" or "r.g.b.a") into the "r,g,b" text that the style
// sheets put after "rgb(". Dots become commas; with exactly three commas the last
// component is dropped; anything else is kept whole.
QString colourFromStoredText(const QString &stored);

// True when QSettings may be given `path`: nothing there, or a regular file. A FIFO,
// device or folder in its place would block the reader or mislead it, and then reads
// as a missing file.
bool maySettingsOpen(const QString &path);

// Reads configDirPath + "appConfig.ini" (UTF-8). No key has a default: a missing key
// gives an empty text or 0. Path fields get configDirPath prepended as is.
AppConfig loadAppConfig(const QString &configDirPath);

#endif // APPCONFIG_H
