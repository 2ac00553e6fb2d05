#include "shell/appconfig.h"
#include "shell/usersettings.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class tst_AppConfig : public QObject
{
    Q_OBJECT

private slots:
    void colourRule_data();
    void colourRule();
    void freshRecord();
    void loadEdgeCases_data();
    void loadEdgeCases();
    void missingFile_data();
    void missingFile();
    void fullFile();
    void shippedConfiguration();
    void userSettingsNotAFile();

private:
    QTemporaryDir dir;
    QString writeIni(const QByteArray &content);
};

QString tst_AppConfig::writeIni(const QByteArray &content)
{
    static int counter = 0;
    const QString folder = dir.path() + QStringLiteral("/c%1/").arg(++counter);
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("appConfig.ini"));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write the fixture");
    return folder;
}

void tst_AppConfig::colourRule_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("four components drop alpha") << "255.0.0.128"
                                                << "255,0,0";
    QTest::newRow("three components") << "255.0.0"
                                      << "255,0,0";
    QTest::newRow("one component") << "255"
                                   << "255";
    QTest::newRow("five components stay whole") << "1.2.3.4.5"
                                                << "1,2,3,4,5";
    QTest::newRow("two components") << "1.2"
                                    << "1,2";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("letters kept") << "red.green.blue.x"
                                  << "red,green,blue";
    QTest::newRow("trailing dot") << "1.2.3."
                                  << "1,2,3";
    QTest::newRow("mixed comma already") << "1,2.3.4"
                                         << "1,2,3";
}

void tst_AppConfig::colourRule()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    QCOMPARE(colourFromStoredText(stored), expected);
}

void tst_AppConfig::freshRecord()
{
    const AppConfig c;
    QCOMPARE(c.textFont, QStringLiteral("Microsoft YaHei"));
    QVERIFY(c.appName.isEmpty());
    QVERIFY(c.mainColor.isEmpty());
}

void tst_AppConfig::loadEdgeCases_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("colour with commas reads empty")
        << QByteArray("[ThemeColor]\nMainColor=255,0,0\n") << "mainColor" << QVariant(QString());
    QTest::newRow("four-component colour") << QByteArray("[ThemeColor]\nMainColor=10.20.30.40\n")
                                           << "mainColor" << QVariant(QStringLiteral("10,20,30"));
    QTest::newRow("colour of letters kept as text")
        << QByteArray("[ThemeColor]\nBorderColor=aa.bb.cc\n") << "borderColor"
        << QVariant(QStringLiteral("aa,bb,cc"));
    QTest::newRow("word for an integer reads 0")
        << QByteArray("[AppUiShow]\nLeftTopShowModel=two\n") << "leftTopShowModel" << QVariant(0);
    QTest::newRow("integer") << QByteArray("[AppUiShow]\nLeftTopShowModel=2\n")
                             << "leftTopShowModel" << QVariant(2);
    QTest::newRow("negative integer")
        << QByteArray("[AppUiShow]\nMainAreaShowModel=-3\n") << "mainAreaShowModel" << QVariant(-3);
    QTest::newRow("icon file prefixed")
        << QByteArray("[AppIco]\nAppIcoSel01=app.ico\n") << "appIcoSel01"
        << QVariant(QStringLiteral("<dir>app.ico"));
    QTest::newRow("absolute path still prefixed")
        << QByteArray("[AppUiShow]\nLeftTopShowImage=/usr/share/x.png\n") << "leftTopShowImage"
        << QVariant(QStringLiteral("<dir>/usr/share/x.png"));
    QTest::newRow("utf-8 name") << QByteArray(
                                       "[AppInfo]\nAppName=Quillon \xe2\x84\x83 \xe5\xbe\xae\n")
                                << "appName"
                                << QVariant(QString::fromUtf8("Quillon \xe2\x84\x83 \xe5\xbe\xae"));
    QTest::newRow("font replaced by empty")
        << QByteArray("[AppInfo]\nAppName=x\n") << "textFont" << QVariant(QString());
    QTest::newRow("garbage file") << QByteArray("\x01\x02[[[\n=\n\xff\xfe no ini here\n")
                                  << "appName" << QVariant(QString());
    QTest::newRow("key in wrong group ignored")
        << QByteArray("[AppIco]\nAppName=x\n") << "appName" << QVariant(QString());
    QTest::newRow("startup task always enabled")
        << QByteArray("[AppInfo]\nAppID=7\n") << "startupTaskEnabled" << QVariant(1);
}

static QVariant fieldOf(const AppConfig &c, const QString &name)
{
    if (name == QLatin1String("mainColor"))
        return c.mainColor;
    if (name == QLatin1String("borderColor"))
        return c.borderColor;
    if (name == QLatin1String("leftTopShowModel"))
        return c.leftTopShowModel;
    if (name == QLatin1String("mainAreaShowModel"))
        return c.mainAreaShowModel;
    if (name == QLatin1String("appIcoSel01"))
        return c.appIcoSel01;
    if (name == QLatin1String("leftTopShowImage"))
        return c.leftTopShowImage;
    if (name == QLatin1String("appName"))
        return c.appName;
    if (name == QLatin1String("textFont"))
        return c.textFont;
    if (name == QLatin1String("startupTaskEnabled"))
        return c.startupTaskEnabled;
    return QVariant();
}

void tst_AppConfig::loadEdgeCases()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, field);
    QFETCH(QVariant, expected);
    const QString folder = writeIni(ini);
    if (expected.type() == QVariant::String)
        expected = expected.toString().replace(QStringLiteral("<dir>"), folder);
    QCOMPARE(fieldOf(loadAppConfig(folder), field), expected);
}

void tst_AppConfig::missingFile_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("no file") << QStringLiteral("empty/");
    QTest::newRow("no folder") << QStringLiteral("does/not/exist/");
    QTest::newRow("folder in the file's place") << QStringLiteral("folder/");
#ifdef Q_OS_UNIX
    QTest::newRow("fifo in the file's place") << QStringLiteral("fifo/");
#endif
}

void tst_AppConfig::missingFile()
{
    QFETCH(QString, folder);
    folder = dir.path() + QLatin1Char('/') + folder;
    if (!folder.contains(QLatin1String("does/not")))
        QDir().mkpath(folder);
    const QString file = folder + QStringLiteral("appConfig.ini");
    if (folder.endsWith(QLatin1String("folder/")))
        QDir().mkpath(file);
#ifdef Q_OS_UNIX
    if (folder.endsWith(QLatin1String("fifo/")))
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
#endif
    const AppConfig c = loadAppConfig(folder);
    for (const QString &text :
         {c.appName, c.appVersion, c.appId, c.appBorderColor, c.titleBgColorStart,
          c.titleBgColorStop, c.defaultColor, c.progressBarDefColor, c.mainColor, c.mainBgColor,
          c.borderColor, c.roundBorderColor, c.roundPointerColor, c.roundTextColor,
          c.dataValueTextColor, c.textFont})
        QVERIFY(text.isEmpty());
    for (const QString &path :
         {c.appIcoSel01, c.appIcoSel02, c.leftTopShowImage, c.mainAreaShowBgImage})
        QCOMPARE(path, folder);
    for (int value : {c.leftTopShowModel, c.mainAreaShowModel, c.deviceConStatusShowModel,
                      c.temperatureChangShowModel, c.appVersionShowModel})
        QCOMPARE(value, 0);
    QCOMPARE(c.startupTaskEnabled, 1);
    QVERIFY(!QFileInfo(file).isFile());
}

void tst_AppConfig::fullFile()
{
    const QString folder = writeIni("[AppInfo]\nAppName=N\nAppVersion=V\nAppID=I\n"
                                    "[AppIco]\nAppIcoSel01=a.png\nAppIcoSel02=b.png\n"
                                    "[AppUiShow]\nLeftTopShowModel=1\nLeftTopShowImage=c.png\n"
                                    "MainAreaShowModel=2\nMainAreaShowBgImage=d.png\n"
                                    "DeviceConStatusShowModel=3\nTemperatureChangShowModel=4\n"
                                    "AppVersionShowModel=5\n"
                                    "[ThemeColor]\nAppBorderColor=1.1.1\nTitleBgColorStart=2.2.2\n"
                                    "TitleBgColorStop=3.3.3\nDefaultColor=4.4.4\n"
                                    "ProgressBarDefColor=5.5.5\nMainColor=6.6.6\n"
                                    "MainBgColor=7.7.7\nBorderColor=8.8.8\n"
                                    "RoundBorderColor=9.9.9\nRoundPointerColor=10.10.10\n"
                                    "RoundTextColor=11.11.11\nDataValueTextColor=12.12.12.255\n"
                                    "TextFont=DejaVu Sans\n");
    const AppConfig c = loadAppConfig(folder);
    QCOMPARE(c.appName, QStringLiteral("N"));
    QCOMPARE(c.appVersion, QStringLiteral("V"));
    QCOMPARE(c.appId, QStringLiteral("I"));
    QCOMPARE(c.appIcoSel01, folder + QStringLiteral("a.png"));
    QCOMPARE(c.appIcoSel02, folder + QStringLiteral("b.png"));
    QCOMPARE(c.leftTopShowImage, folder + QStringLiteral("c.png"));
    QCOMPARE(c.mainAreaShowBgImage, folder + QStringLiteral("d.png"));
    QCOMPARE(c.leftTopShowModel, 1);
    QCOMPARE(c.mainAreaShowModel, 2);
    QCOMPARE(c.deviceConStatusShowModel, 3);
    QCOMPARE(c.temperatureChangShowModel, 4);
    QCOMPARE(c.appVersionShowModel, 5);
    const QStringList colours = {c.appBorderColor,    c.titleBgColorStart,   c.titleBgColorStop,
                                 c.defaultColor,      c.progressBarDefColor, c.mainColor,
                                 c.mainBgColor,       c.borderColor,         c.roundBorderColor,
                                 c.roundPointerColor, c.roundTextColor,      c.dataValueTextColor};
    for (int i = 0; i < colours.size(); ++i)
        QCOMPARE(colours.at(i), QStringLiteral("%1,%1,%1").arg(i + 1));
    QCOMPARE(c.textFont, QStringLiteral("DejaVu Sans"));
}

// The file we ship must fill every field, name files that exist and give three-part
// colours.
void tst_AppConfig::shippedConfiguration()
{
    const QString folder = QStringLiteral(QUILLON_TEST_DATA "/../../configDir/");
    QVERIFY2(QFile::exists(folder + QStringLiteral("appConfig.ini")), qPrintable(folder));
    const AppConfig c = loadAppConfig(folder);
    QCOMPARE(c.appName, QStringLiteral("Quillon"));
    QVERIFY(!c.appVersion.isEmpty());
    QVERIFY(!c.appId.isEmpty());
    for (const QString &path :
         {c.appIcoSel01, c.appIcoSel02, c.leftTopShowImage, c.mainAreaShowBgImage}) {
        QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.read(8) == QByteArray("\x89PNG\r\n\x1a\n"), qPrintable(path));
    }
    const QRegularExpression rgb(QStringLiteral("^\\d{1,3},\\d{1,3},\\d{1,3}$"));
    for (const QString &colour :
         {c.appBorderColor, c.titleBgColorStart, c.titleBgColorStop, c.defaultColor,
          c.progressBarDefColor, c.mainColor, c.mainBgColor, c.borderColor, c.roundBorderColor,
          c.roundPointerColor, c.roundTextColor, c.dataValueTextColor})
        QVERIFY2(rgb.match(colour).hasMatch(), qPrintable(colour));
    QCOMPARE(c.textFont, QStringLiteral("Liberation Sans"));
    QVERIFY(c.leftTopShowModel >= 0 && c.leftTopShowModel <= 3);
}

void tst_AppConfig::userSettingsNotAFile()
{
#ifdef Q_OS_UNIX
    // A FIFO as the user's settings file would block the reader: the unit is not
    // restored, and storing it leaves the FIFO alone.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/config")));
    const QString file = dir.path() + QStringLiteral("/config/MyCompanyVekmar/Quillon.conf");
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    QCOMPARE(storedTemperatureMode(), 1);
    storeTemperatureMode(0);
    QCOMPARE(storedTemperatureMode(), 1);
    QVERIFY(QFileInfo::exists(file) && !QFileInfo(file).isFile());
#else
    QSKIP("the registry holds the user's settings here");
#endif
}

QTEST_GUILESS_MAIN(tst_AppConfig)
#include "tst_appconfig.moc"
