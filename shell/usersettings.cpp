#include "usersettings.h"

#include "appconfig.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

const char settingsOrganization[] = "MyCompanyVekmar";
const char settingsApplication[] = "Quillon";
const char tempShowModelKey[] = "TempShowModel/Model";

// A settings object per access, released right after it.
QSettings openUserSettings()
{
    return {QSettings::NativeFormat, QSettings::UserScope,
            QString::fromLatin1(settingsOrganization), QString::fromLatin1(settingsApplication)};
}

// Where the native format keeps a file (on Windows it is the registry, and nothing
// lies at this path).
bool userSettingsUsable()
{
    return maySettingsOpen(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QLatin1Char('/') + QLatin1String(settingsOrganization) +
                           QLatin1Char('/') + QLatin1String(settingsApplication) +
                           QStringLiteral(".conf"));
}

} // namespace

int storedTemperatureMode()
{
    if (!userSettingsUsable())
        return 1;
    const QSettings settings = openUserSettings();
    if (!settings.contains(QLatin1String(tempShowModelKey)))
        return 1;
    return settings.value(QLatin1String(tempShowModelKey)).toInt();
}

void storeTemperatureMode(int mode)
{
    if (userSettingsUsable())
        openUserSettings().setValue(QLatin1String(tempShowModelKey), mode);
}
