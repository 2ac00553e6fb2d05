#ifndef USERSETTINGS_H
#define USERSETTINGS_H

// The user's one persisted choice: the temperature unit, "TempShowModel/Model" in the
// per-user settings store of organisation "MyCompanyVekmar", application "Quillon".

// The stored value, or 1 (Celsius) when none is stored.
int storedTemperatureMode();
void storeTemperatureMode(int mode);

#endif // USERSETTINGS_H
