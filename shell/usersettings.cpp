#include "usersettings.h"

#include <QSettings>

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

} // namespace

int storedTemperatureMode()
{
    const QSettings settings = openUserSettings();
    if (!settings.contains(QLatin1String(tempShowModelKey)))
        return 1;
    return settings.value(QLatin1String(tempShowModelKey)).toInt();
}

void storeTemperatureMode(int mode)
{
    openUserSettings().setValue(QLatin1String(tempShowModelKey), mode);
}
