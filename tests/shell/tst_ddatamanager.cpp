#include "shell/ddatamanager.h"
#include "shell/logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString dataHomePath;
}

class tst_DDataManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void oneInstance();
    void missingConfigurationGivesEmptyRecord();
    void logLines_data();
    void logLines();

private:
    QByteArray todaysLog() const;
    QString logFile() const;
};

QString tst_DDataManager::logFile() const
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/logDir/") + logFileName(QDate::currentDate());
}

QByteArray tst_DDataManager::todaysLog() const
{
    QFile file(logFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_DDataManager::initTestCase()
{
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(appData.startsWith(dataHomePath));
    // The data home's parents do not exist yet, as on a fresh account.
    QVERIFY(!QFileInfo::exists(dataHomePath));
    DDataManager::instance();
    QVERIFY(QFileInfo(appData + QStringLiteral("/logDir")).isDir());
}

void tst_DDataManager::oneInstance()
{
    DDataManager *first = DDataManager::instance();
    QCOMPARE(DDataManager::instance(), first);
    QCOMPARE(first->getConfigDirPath(),
             QCoreApplication::applicationDirPath() + QStringLiteral("/configDir/"));
    QCOMPARE(QByteArray(first->metaObject()->className()), QByteArray("DDataManager"));
}

void tst_DDataManager::missingConfigurationGivesEmptyRecord()
{
    const QString dir = DDataManager::instance()->getConfigDirPath();
    QVERIFY(!QFile::exists(dir + QStringLiteral("appConfig.ini")));
    const AppConfig c = DDataManager::instance()->getAppConfig();
    QVERIFY(c.appName.isEmpty());
    QVERIFY(c.textFont.isEmpty());
    QCOMPARE(c.appIcoSel01, dir);
    QCOMPARE(c.startupTaskEnabled, 1);
    QCOMPARE(c.leftTopShowModel, 0);
}

void tst_DDataManager::logLines_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("banner") << QStringLiteral("banner")
                            << QStringList{
                                   QStringLiteral("------------------------- *** App Runing *** "
                                                  "------------------------------"),
                                   QStringLiteral("appConfig.ini Path: \"%1\"")
                                       .arg(DDataManager::instance()->getConfigDirPath())};
    QTest::newRow("warning dropped") << QStringLiteral("warning") << QStringList();
    QTest::newRow("debug quoted string")
        << QStringLiteral("debug") << QStringList{QStringLiteral("APP ICO: \"x y\"")};
    QTest::newRow("debug from another thread")
        << QStringLiteral("thread") << QStringList{QStringLiteral("Start Update -> Start")};
}

void tst_DDataManager::logLines()
{
    QFETCH(QString, source);
    QFETCH(QStringList, expected);
    QFile::remove(logFile());

    if (source == QLatin1String("banner")) {
        DDataManager::instance()->printStartupBanner();
    } else if (source == QLatin1String("warning")) {
        qWarning() << "a warning";
        qInfo() << "an info";
    } else if (source == QLatin1String("debug")) {
        qDebug() << "APP ICO:" << QStringLiteral("x y");
    } else {
        QThread *t = QThread::create([] { qDebug() << "Start Update -> Start"; });
        t->start();
        QVERIFY(t->wait(5000));
        delete t;
    }

    const QByteArray log = todaysLog();
    QStringList messages;
    const QRegularExpression shape(QStringLiteral(
        "^\\[Debug\\]-\\[flie:    line:0    datetime:\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]"
        "--------------------> (.*)$"));
    for (const QByteArray &line : log.split('\n')) {
        if (line.isEmpty())
            continue;
        QVERIFY2(line.endsWith('\r'), line.constData());
        const QRegularExpressionMatch m = shape.match(QString::fromUtf8(line.chopped(1)));
        QVERIFY2(m.hasMatch(), line.constData());
        messages << m.captured(1);
    }
    QCOMPARE(messages, expected);
}

int main(int argc, char **argv)
{
    QTemporaryDir tmp;
    dataHomePath = tmp.path() + QStringLiteral("/fresh/share");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHomePath));
    QCoreApplication app(argc, argv);
    tst_DDataManager test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ddatamanager.moc"
