#ifndef STARTUPTASK_H
#define STARTUPTASK_H

#include "appconfig.h"

#include <QByteArray>
#include <QString>

// The argument the logon entry passes: start hidden in the tray.
inline QString startupByTaskArgument()
{
    return QStringLiteral("---StartupByTaskMinWindow");
}

// What a failed registration asks the user interface to show: a "Tip" box with this
// text. Modal means start-up waits until it is closed.
struct StartupTaskOutcome
{
    bool failed = false;
    QString tipText;
    bool modalTip = false;
};

// Registers the program to start at logon with startupByTaskArgument(), again at every
// start. Windows: an elevated "schtasks /create". Linux: an XDG autostart entry.
// A failure prints "Error: <code>"; the window then shows the outcome's "Tip" box.
StartupTaskOutcome createStartupTask(const AppConfig &config);

// application name + "StartupTaskOKver---" + appId.
QString startupTaskName(const QString &applicationName, const QString &appId);

// The schtasks parameter text for a logon task running the quoted executable with the
// startup argument at the highest run level.
QString startupTaskParameters(const QString &taskName, const QString &executablePath);

// One argument of a Desktop Entry Exec line, quoted: inside double quotes '"', '`', '$'
// and '\' get a backslash; '%' is doubled so it is no field code.
QString desktopEntryQuotedArgument(const QString &argument);

// A value of type string in a Desktop Entry file: backslash, newline, tab and carriage
// return escaped, every other control character dropped (the format has no escape for
// them).
QString desktopEntryEscaped(const QString &value);

// The Exec value (before string escaping): the quoted executable path and the startup
// argument.
QString autostartExecLine(const QString &executablePath);

// The whole autostart entry, UTF-8.
QByteArray autostartEntryText(const QString &name, const QString &executablePath);

// "<task name>.desktop", with every character outside [A-Za-z0-9._-] replaced by '_'
// so an identifier cannot leave the folder or clash with the file-name rules.
QString autostartEntryFileName(const QString &taskName);

// $XDG_CONFIG_HOME/autostart; an unset, empty or relative XDG_CONFIG_HOME means
// <home>/.config.
QString autostartFolderFor(const QString &xdgConfigHome, const QString &home);

#endif // STARTUPTASK_H
