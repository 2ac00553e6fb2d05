#include "appconfig.h"

#include <QFileInfo>
#include <QSettings>
#include <QTextCodec>
#include <QVariant>

#include <memory>

QString colourFromStoredText(const QString &stored)
{
    QString text = stored;
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    if (text.count(QLatin1Char(',')) == 3)
        text.truncate(text.lastIndexOf(QLatin1Char(',')));
    return text;
}

bool maySettingsOpen(const QString &path)
{
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
}

namespace {

// A null `ini` stands for a missing file: every key reads as absent.
QVariant readValue(const QSettings *ini, const char *key)
{
    return ini ? ini->value(QLatin1String(key), QVariant()) : QVariant();
}

QString readText(const QSettings *ini, const char *key)
{
    return readValue(ini, key).toString();
}

int readInt(const QSettings *ini, const char *key)
{
    return readValue(ini, key).toInt();
}

QString readColour(const QSettings *ini, const char *key)
{
    return colourFromStoredText(readText(ini, key));
}

} // namespace

AppConfig loadAppConfig(const QString &configDirPath)
{
    const QString file = configDirPath + QStringLiteral("appConfig.ini");
    // The settings reader would block for ever on a FIFO in the file's place.
    std::unique_ptr<QSettings> settings;
    if (maySettingsOpen(file)) {
        settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
        QTextCodec *codec = QTextCodec::codecForName("UTF_8");
        if (!codec)
            codec = QTextCodec::codecForName("UTF-8");
        settings->setIniCodec(codec);
    }
    const QSettings *ini = settings.get();

    AppConfig c;
    c.appName = readText(ini, "AppInfo/AppName");
    c.appVersion = readText(ini, "AppInfo/AppVersion");
    c.appId = readText(ini, "AppInfo/AppID");
    c.startupTaskEnabled = 1;
    c.appIcoSel01 = configDirPath + readText(ini, "AppIco/AppIcoSel01");
    c.appIcoSel02 = configDirPath + readText(ini, "AppIco/AppIcoSel02");
    c.leftTopShowModel = readInt(ini, "AppUiShow/LeftTopShowModel");
    c.leftTopShowImage = configDirPath + readText(ini, "AppUiShow/LeftTopShowImage");
    c.mainAreaShowModel = readInt(ini, "AppUiShow/MainAreaShowModel");
    c.mainAreaShowBgImage = configDirPath + readText(ini, "AppUiShow/MainAreaShowBgImage");
    c.deviceConStatusShowModel = readInt(ini, "AppUiShow/DeviceConStatusShowModel");
    c.temperatureChangShowModel = readInt(ini, "AppUiShow/TemperatureChangShowModel");
    c.appVersionShowModel = readInt(ini, "AppUiShow/AppVersionShowModel");
    c.appBorderColor = readColour(ini, "ThemeColor/AppBorderColor");
    c.titleBgColorStart = readColour(ini, "ThemeColor/TitleBgColorStart");
    c.titleBgColorStop = readColour(ini, "ThemeColor/TitleBgColorStop");
    c.defaultColor = readColour(ini, "ThemeColor/DefaultColor");
    c.progressBarDefColor = readColour(ini, "ThemeColor/ProgressBarDefColor");
    c.mainColor = readColour(ini, "ThemeColor/MainColor");
    c.mainBgColor = readColour(ini, "ThemeColor/MainBgColor");
    c.borderColor = readColour(ini, "ThemeColor/BorderColor");
    c.roundBorderColor = readColour(ini, "ThemeColor/RoundBorderColor");
    c.roundPointerColor = readColour(ini, "ThemeColor/RoundPointerColor");
    c.roundTextColor = readColour(ini, "ThemeColor/RoundTextColor");
    c.dataValueTextColor = readColour(ini, "ThemeColor/DataValueTextColor");
    c.textFont = readText(ini, "ThemeColor/TextFont");
    return c;
}
