#include "usersettings.h"

#include "appconfig.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

const char kSettingsOrganization[] = "MyCompanyVekmar";
const char kSettingsApplication[] = "Quillon";
const char kTempShowModelKey[] = "TempShowModel/Model";

// A settings object per access, released right after it.
QSettings openUserSettings()
{
    return {QSettings::NativeFormat, QSettings::UserScope,
            QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication)};
}

// Where the native format keeps a file (on Windows it is the registry, and nothing
// lies at this path).
bool userSettingsUsable()
{
    return maySettingsOpen(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QLatin1Char('/') + QLatin1String(kSettingsOrganization) +
                           QLatin1Char('/') + QLatin1String(kSettingsApplication) +
                           QStringLiteral(".conf"));
}

} // namespace

int storedTemperatureMode()
{
    if (!userSettingsUsable())
        return 1;
    const QSettings settings = openUserSettings();
    if (!settings.contains(QLatin1String(kTempShowModelKey)))
        return 1;
    return settings.value(QLatin1String(kTempShowModelKey)).toInt();
}

void storeTemperatureMode(int mode)
{
    if (userSettingsUsable())
        openUserSettings().setValue(QLatin1String(kTempShowModelKey), mode);
}
