#include "startuptask.h"

#include "schtasks.h"

QString startupTaskName(const QString &applicationName, const QString &appId)
{
    return applicationName + QStringLiteral("StartupTaskOKver---") + appId;
}

QString startupTaskParameters(const QString &taskName, const QString &executablePath)
{
    return QString::fromStdWString(
        schtasksCreateParameters(taskName.toStdWString(), executablePath.toStdWString(),
                                 startupByTaskArgument().toStdWString()));
}

QString desktopEntryQuotedArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QString desktopEntryEscaped(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else if (c.category() != QChar::Other_Control) // other controls have no escape
            escaped += c;
    }
    return escaped;
}

QString autostartExecLine(const QString &executablePath)
{
    return desktopEntryQuotedArgument(executablePath) + QLatin1Char(' ') + startupByTaskArgument();
}

QByteArray autostartEntryText(const QString &name, const QString &executablePath)
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Version=1.0\n");
    // A leading blank would be dropped by the reader unless written as \s.
    QString escapedName = desktopEntryEscaped(name);
    if (escapedName.startsWith(QLatin1Char(' ')))
        escapedName.replace(0, 1, QStringLiteral("\\s"));
    text += QStringLiteral("Name=") + escapedName + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + desktopEntryEscaped(autostartExecLine(executablePath)) +
            QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n"
                           "X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

QString autostartEntryFileName(const QString &taskName)
{
    QString name = taskName;
    for (QChar &c : name) {
        const ushort u = c.unicode();
        const bool keep = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                          (u >= '0' && u <= '9') || u == '.' || u == '_' || u == '-';
        if (!keep)
            c = QLatin1Char('_');
    }
    if (name.startsWith(QLatin1Char('.')))
        name[0] = QLatin1Char('_');
    return name + QStringLiteral(".desktop");
}

QString autostartFolderFor(const QString &xdgConfigHome, const QString &home)
{
    const QString base = xdgConfigHome.startsWith(QLatin1Char('/'))
                             ? xdgConfigHome
                             : home + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart");
}
