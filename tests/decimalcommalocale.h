#ifndef DECIMALCOMMALOCALE_H
#define DECIMALCOMMALOCALE_H

// de_DE.UTF-8, whose decimal separator is a comma, for rows that read numbers
// under it as the program does once QApplication has set the C library's locale
// from the environment. Debian compiles only the locales chosen at installation;
// where this one is missing it is compiled into the build tree from the sources
// in Debian's locales package, which needs no root.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <langinfo.h>
#include <locale.h>

#include <cstring>

constexpr const char kDecimalCommaLocale[] = "de_DE.UTF-8";

// The locale loads under this LOCPATH (empty: the system's own) and has a comma.
inline bool decimalCommaLoads(const QByteArray &locPath)
{
    const bool hadLocPath = qEnvironmentVariableIsSet("LOCPATH");
    const QByteArray savedLocPath = qgetenv("LOCPATH");
    if (locPath.isEmpty())
        qunsetenv("LOCPATH");
    else
        qputenv("LOCPATH", locPath);
    const locale_t numeric = ::newlocale(LC_NUMERIC_MASK, kDecimalCommaLocale, locale_t());
    if (hadLocPath)
        qputenv("LOCPATH", savedLocPath);
    else
        qunsetenv("LOCPATH");
    if (!numeric)
        return false;
    const bool comma = std::strcmp(::nl_langinfo_l(RADIXCHAR, numeric), ",") == 0;
    ::freelocale(numeric);
    return comma;
}

// The LOCPATH under which kDecimalCommaLocale loads, empty where the system has
// it; false, with the reason in `why`, where it cannot be had.
inline bool decimalCommaLocPath(QByteArray *locPath, QString *why)
{
    locPath->clear();
    if (decimalCommaLoads(*locPath))
        return true;
    const QString folder = QStringLiteral(QUILLON_BUILD_DIR "/locale");
    *locPath = QFile::encodeName(folder);
    // Looked for as a file: the C library remembers a locale it once failed to
    // find under a path, and would not see it compiled there later.
    const QString compiled =
        QLatin1Char('/') + QLatin1String(kDecimalCommaLocale) + QStringLiteral("/LC_NUMERIC");
    QProcess localedef;
    if (!QFile::exists(folder + compiled)) {
        // Compiled beside the folder and renamed into place, so that tests
        // running side by side see the whole locale or none.
        QTemporaryDir scratch(folder + QStringLiteral("-XXXXXX"));
        localedef.start(QStringLiteral("localedef"),
                        {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                         QStringLiteral("UTF-8"),
                         scratch.filePath(QLatin1String(kDecimalCommaLocale))});
        localedef.waitForFinished(60000);
        if (QFile::exists(scratch.path() + compiled) && QDir().rename(scratch.path(), folder))
            scratch.setAutoRemove(false);
    }
    if (decimalCommaLoads(*locPath))
        return true;
    *why = QStringLiteral("%1 is not installed and localedef cannot compile it (Debian's locales "
                          "package holds its sources): %2")
               .arg(QLatin1String(kDecimalCommaLocale),
                    localedef.error() == QProcess::FailedToStart
                        ? localedef.errorString()
                        : QString::fromLocal8Bit(localedef.readAllStandardError()).trimmed());
    return false;
}

#endif // DECIMALCOMMALOCALE_H
