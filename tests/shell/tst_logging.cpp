#include "shell/logging.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Fixed so the application data location points into our own folder.
QTemporaryDir *dataHome = nullptr;
} // namespace

class tst_Logging : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void record_data();
    void record();
    void fileName_data();
    void fileName();
    void expiry_data();
    void expiry();
    void creationTimeFallsBackToModification();
    void purgeFolder_data();
    void purgeFolder();
    void createLogDirMakesFolderAndPurges();

    void debugAppendsRecords();
    void otherTypesWriteNothing_data();
    void otherTypesWriteNothing();
    void concurrentWritersDoNotInterleave();
    void lostRecords_data();
    void lostRecords();

private:
    QString logFolder() const;
    QString todaysFile() const;
    static void debugLine(const QString &text);
};

QString tst_Logging::logFolder() const
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/logDir");
}

QString tst_Logging::todaysFile() const
{
    return logFolder() + QLatin1Char('/') + logFileName(QDate::currentDate());
}

void tst_Logging::debugLine(const QString &text)
{
    logMessageHandler(QtDebugMsg, QMessageLogContext(), text);
}

void tst_Logging::initTestCase()
{
    QVERIFY(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                .startsWith(dataHome->path()));
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    createLogDir(QString());
    QVERIFY(QFileInfo(logFolder()).isDir());
}

void tst_Logging::init()
{
    // Each case starts without today's file and with a usable folder.
    QFile::remove(todaysFile());
    QFileInfo folder(logFolder());
    if (!folder.isDir()) {
        QFile::remove(logFolder());
        QDir().mkpath(logFolder());
    }
}

void tst_Logging::record_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no context") << QString() << 0 << QStringLiteral("TempShowModel Changed -> [℃]")
                                << QStringLiteral(
                                       "[Debug]-[flie:    line:0    datetime:2025-12-25 09:20:45]"
                                       "--------------------> TempShowModel Changed -> [℃]\r\n");
    QTest::newRow("with context")
        << QStringLiteral("main.cpp") << 42 << QStringLiteral("x")
        << QStringLiteral("[Debug]-[flie:main.cpp    line:42    datetime:2025-12-25 09:20:45]"
                          "--------------------> x\r\n");
    QTest::newRow("placeholder in message kept")
        << QString() << 0 << QStringLiteral("100%1 %2 done")
        << QStringLiteral("[Debug]-[flie:    line:0    datetime:2025-12-25 09:20:45]"
                          "--------------------> 100%1 %2 done\r\n");
    QTest::newRow("placeholder in file name kept")
        << QStringLiteral("a%1.cpp") << 7 << QStringLiteral("m")
        << QStringLiteral("[Debug]-[flie:a%1.cpp    line:7    datetime:2025-12-25 09:20:45]"
                          "--------------------> m\r\n");
    QTest::newRow("empty message")
        << QString() << 0 << QString()
        << QStringLiteral("[Debug]-[flie:    line:0    datetime:2025-12-25 09:20:45]"
                          "--------------------> \r\n");
}

void tst_Logging::record()
{
    QFETCH(QString, file);
    QFETCH(int, line);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    const QDateTime when(QDate(2025, 12, 25), QTime(9, 20, 45, 999));
    QCOMPARE(logRecordLine(file, line, when, message), expected);
}

void tst_Logging::fileName_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("expected");
    QTest::newRow("before midnight") << QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59, 999))
                                     << QStringLiteral("2025-12-31.log");
    QTest::newRow("after midnight")
        << QDateTime(QDate(2026, 1, 1), QTime(0, 0)) << QStringLiteral("2026-01-01.log");
    QTest::newRow("single digits")
        << QDateTime(QDate(2025, 3, 4), QTime(12, 0)) << QStringLiteral("2025-03-04.log");
}

void tst_Logging::fileName()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, expected);
    QCOMPARE(logFileName(when.date()), expected);
}

void tst_Logging::expiry_data()
{
    QTest::addColumn<qint64>("ageMs");
    QTest::addColumn<bool>("expired");
    const qint64 week = qint64(7) * 24 * 3600 * 1000;
    QTest::newRow("seven days and one second") << week + 1000 << true;
    QTest::newRow("exactly seven days") << week << false;
    QTest::newRow("half a second over is no whole second") << week + 500 << false;
    QTest::newRow("six days") << week - 24 * 3600 * 1000 << false;
    QTest::newRow("a year") << week * 52 << true;
    QTest::newRow("from the future") << qint64(-3600000) << false;
}

void tst_Logging::expiry()
{
    QFETCH(qint64, ageMs);
    QFETCH(bool, expired);
    const QDateTime now(QDate(2025, 12, 25), QTime(9, 20, 45));
    const QDateTime cutoff = logPurgeCutoff(now);
    QCOMPARE(isLogEntryExpired(now.addMSecs(-ageMs), cutoff), expired);
    QVERIFY(!isLogEntryExpired(QDateTime(), cutoff));
}

void tst_Logging::creationTimeFallsBackToModification()
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("a.log"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QDateTime old = QDateTime::currentDateTime().addDays(-30);
    QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    file.close();
    const QFileInfo info(path);
    const QDateTime created = logEntryCreationTime(info);
    QVERIFY(created.isValid());
    if (info.birthTime().isValid())
        QCOMPARE(created, info.birthTime());
    else
        QCOMPARE(created.toSecsSinceEpoch(), old.toSecsSinceEpoch());
}

void tst_Logging::purgeFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("pastCutoff");
    QTest::addColumn<bool>("removed");
    QTest::newRow("day file past the cutoff") << "2025-01-01.log"
                                              << "file" << true << true;
    QTest::newRow("day file within the week") << "2025-01-02.log"
                                              << "file" << false << false;
    QTest::newRow("notes.txt") << "notes.txt"
                               << "file" << true << false;
    QTest::newRow("photo.jpg") << "photo.jpg"
                               << "file" << true << false;
    QTest::newRow("day name with more after it") << "2025-01-01.log.bak"
                                                 << "file" << true << false;
    QTest::newRow("day name with more before it") << "x2025-01-01.log"
                                                  << "file" << true << false;
    QTest::newRow("no such date") << "2025-13-45.log"
                                  << "file" << true << false;
    QTest::newRow("link named as a day file") << "2025-01-03.log"
                                              << "link" << true << false;
    QTest::newRow("folder named as a day file") << "2025-01-04.log"
                                                << "folder" << true << false;
    QTest::newRow("hidden entry") << ".keep"
                                  << "file" << true << false;
    QTest::newRow("log folder is a link") << "2025-01-01.log"
                                          << "linked-folder" << true << false;
}

void tst_Logging::purgeFolder()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(bool, pastCutoff);
    QFETCH(bool, removed);
    QTemporaryDir tmp;
    // What a link points at: the user's own files, which must survive any purge.
    const QString elsewhere = tmp.filePath(QStringLiteral("documents"));
    QVERIFY(QDir().mkpath(elsewhere));
    QFile target(elsewhere + QLatin1Char('/') + name);
    QVERIFY(target.open(QIODevice::WriteOnly));
    target.close();

    QString folder = tmp.filePath(QStringLiteral("logDir"));
    if (kind == QLatin1String("linked-folder")) {
        QVERIFY(QFile::link(elsewhere, folder));
    } else {
        QVERIFY(QDir().mkpath(folder));
        const QString entry = folder + QLatin1Char('/') + name;
        if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(target.fileName(), entry));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(entry));
        } else {
            QFile file(entry);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    // Everything was created just now: a cutoff ten seconds ahead has it all older.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime cutoff = pastCutoff ? now.addSecs(10) : logPurgeCutoff(now);
    QCOMPARE(purgeLogFolder(folder, cutoff), removed ? 1 : 0);
    const QFileInfo after(folder + QLatin1Char('/') + name);
    QCOMPARE(after.exists() || after.isSymLink(), !removed);
    if (kind != QLatin1String("file"))
        QVERIFY(target.exists());

    QCOMPARE(purgeLogFolder(folder + QStringLiteral("/missing"), cutoff), 0);
}

void tst_Logging::createLogDirMakesFolderAndPurges()
{
    // A fresh file stays: createLogDir's cutoff is a week back.
    QFile recent(logFolder() + QStringLiteral("/2000-01-01.log"));
    QVERIFY(recent.open(QIODevice::WriteOnly));
    recent.close();
    createLogDir(QString());
    QVERIFY(recent.exists());
    QCOMPARE(QDir::fromNativeSeparators(currentLogFolder()), logFolder());

    createLogDir(QStringLiteral("sub"));
    QVERIFY(QFileInfo(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                      QStringLiteral("/sub/logDir"))
                .isDir());
    // The handler keeps writing beside the application data folder.
    QCOMPARE(QDir::fromNativeSeparators(currentLogFolder()), logFolder());
    QFile::remove(recent.fileName());
}

void tst_Logging::debugAppendsRecords()
{
    QVERIFY(!QFile::exists(todaysFile()));
    debugLine(QStringLiteral("first"));
    QVERIFY(QFile::exists(todaysFile()));
    debugLine(QStringLiteral("second %1"));

    QFile file(todaysFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    const QList<QByteArray> lines = content.split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.last().isEmpty());
    const QRegularExpression shape(QStringLiteral(
        "^\\[Debug\\]-\\[flie:    line:0    datetime:\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]"
        "--------------------> (.*)\r$"));
    const QRegularExpressionMatch first = shape.match(QString::fromUtf8(lines.at(0)));
    const QRegularExpressionMatch second = shape.match(QString::fromUtf8(lines.at(1)));
    QVERIFY2(first.hasMatch(), lines.at(0).constData());
    QVERIFY2(second.hasMatch(), lines.at(1).constData());
    QCOMPARE(first.captured(1), QStringLiteral("first"));
    QCOMPARE(second.captured(1), QStringLiteral("second %1"));
}

void tst_Logging::otherTypesWriteNothing_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("warning") << int(QtWarningMsg);
    QTest::newRow("critical") << int(QtCriticalMsg);
    QTest::newRow("info") << int(QtInfoMsg);
}

void tst_Logging::otherTypesWriteNothing()
{
    QFETCH(int, type);
    logMessageHandler(QtMsgType(type), QMessageLogContext(), QStringLiteral("dropped"));
    QVERIFY(!QFile::exists(todaysFile()));
}

void tst_Logging::concurrentWritersDoNotInterleave()
{
    constexpr int threads = 4;
    constexpr int perThread = 50;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t] {
            for (int i = 0; i < perThread; ++i)
                debugLine(QStringLiteral("thread %1 message %2 %3")
                              .arg(t)
                              .arg(i)
                              .arg(QString(40, QLatin1Char('x'))));
        });
    }
    for (auto &w : workers)
        w.join();

    QFile file(todaysFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), threads * perThread + 1);
    int perWriter[threads] = {};
    const QRegularExpression shape(
        QStringLiteral("--------------------> thread (\\d) message (\\d+) x{40}\r$"));
    for (int i = 0; i < lines.size() - 1; ++i) {
        const QRegularExpressionMatch m = shape.match(QString::fromUtf8(lines.at(i)));
        QVERIFY2(m.hasMatch(), lines.at(i).constData());
        // Each writer's own lines arrive in its order.
        QCOMPARE(m.captured(2).toInt(), perWriter[m.captured(1).toInt()]++);
    }
}

void tst_Logging::lostRecords_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("log folder is a file") << QStringLiteral("folder-is-file");
    QTest::newRow("log folder removed") << QStringLiteral("folder-missing");
    QTest::newRow("log folder is a link") << QStringLiteral("folder-link");
    QTest::newRow("fifo in the file's place") << QStringLiteral("fifo");
    QTest::newRow("link in the file's place") << QStringLiteral("link");
    QTest::newRow("file of another user") << QStringLiteral("foreign");
    QTest::newRow("disk full") << QStringLiteral("full");
    QTest::newRow("disk full mid-record") << QStringLiteral("full-mid-record");
    QTest::newRow("read-only folder") << QStringLiteral("read-only");
}

void tst_Logging::lostRecords()
{
    QFETCH(QString, obstacle);
    if (obstacle == QLatin1String("folder-is-file") ||
        obstacle == QLatin1String("folder-missing")) {
        QVERIFY(QDir(logFolder()).removeRecursively());
        if (obstacle == QLatin1String("folder-is-file")) {
            QFile blocker(logFolder());
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        debugLine(QStringLiteral("lost"));
        QVERIFY(!QFileInfo(logFolder()).isDir());
        return;
    }
    if (obstacle == QLatin1String("folder-link")) {
        QTemporaryDir elsewhere;
        QVERIFY(QDir(logFolder()).removeRecursively());
        QVERIFY(QFile::link(elsewhere.path(), logFolder()));
        debugLine(QStringLiteral("lost"));
        QVERIFY(QFile::remove(logFolder()));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
        return;
    }
    if (obstacle == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(todaysFile()).constData(), 0600), 0);
        debugLine(QStringLiteral("lost")); // would block on a full pipe if written
        QVERIFY(!QFileInfo(todaysFile()).isFile());
        return;
    }
    if (obstacle == QLatin1String("link")) {
        const QString target = logFolder() + QStringLiteral("/elsewhere");
        {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write("precious"), qint64(8));
        }
        QVERIFY(QFile::link(target, todaysFile()));
        debugLine(QStringLiteral("lost"));
        QVERIFY(QFileInfo(todaysFile()).isSymLink());
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("precious"));
        file.close();
        QFile::remove(todaysFile());
        QFile::remove(target);
        return;
    }
    if (obstacle == QLatin1String("foreign")) {
        if (::geteuid() != 0)
            QSKIP("only root can hand a file to another user");
        {
            QFile file(todaysFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(::chown(QFile::encodeName(todaysFile()).constData(), 65534, 65534), 0);
        debugLine(QStringLiteral("lost"));
        QCOMPARE(QFileInfo(todaysFile()).size(), qint64(0));
        return;
    }
    if (obstacle == QLatin1String("read-only")) {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QVERIFY(QFile::setPermissions(logFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        debugLine(QStringLiteral("lost"));
        QFile::setPermissions(logFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner);
        QVERIFY(!QFile::exists(todaysFile()));
        return;
    }

    // A full disk: the file size limit makes every write past it fail the same way.
    {
        QFile file(todaysFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray(4096, 'a')), qint64(4096));
    }
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    // Mid-record: the first bytes of the record fit, the rest does not.
    small.rlim_cur = obstacle == QLatin1String("full") ? 4096 : 4096 + 10;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    debugLine(QStringLiteral("lost"));
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &old), 0);
    QCOMPARE(QFileInfo(todaysFile()).size(), qint64(4096));
    debugLine(QStringLiteral("kept"));
    QFile file(todaysFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll().mid(4096);
    QVERIFY2(after.startsWith("[Debug]") && after.endsWith("kept\r\n"), after.constData());
}

int main(int argc, char **argv)
{
    QTemporaryDir home;
    dataHome = &home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    QCoreApplication app(argc, argv);
    tst_Logging test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logging.moc"
