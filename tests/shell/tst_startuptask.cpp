#include "shell/startuptask.h"
#include "shell/startuptask_linux.h"
#include "ui/startuptip.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

#include <unistd.h>

class tst_StartupTask : public QObject
{
    Q_OBJECT

private slots:
    void taskName_data();
    void taskName();
    void schtasksParameters_data();
    void schtasksParameters();
    void execLine_data();
    void execLine();
    void entryText();
    void entryFileName_data();
    void entryFileName();
    void folder_data();
    void folder();
    void writeEntry();
    void writeEntryFailures_data();
    void writeEntryFailures();
    void createWritesEntry();
    void programPath_data();
    void programPath();
    void createFailureShowsTip();

private:
    QTemporaryDir dir;
};

void tst_StartupTask::taskName_data()
{
    QTest::addColumn<QString>("application");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("expected");
    QTest::newRow("usual") << "quillon"
                           << "1001"
                           << "quillonStartupTaskOKver---1001";
    QTest::newRow("empty id") << "quillon"
                              << ""
                              << "quillonStartupTaskOKver---";
}

void tst_StartupTask::taskName()
{
    QFETCH(QString, application);
    QFETCH(QString, id);
    QFETCH(QString, expected);
    QCOMPARE(startupTaskName(application, id), expected);
}

void tst_StartupTask::schtasksParameters_data()
{
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("path with blanks")
        << "quillonStartupTaskOKver---1"
        << "C:/Program Files/Quillon/quillon.exe"
        << "/create /tn \"quillonStartupTaskOKver---1\" /tr \"\\\"C:/Program "
           "Files/Quillon/quillon.exe\\\" ---StartupByTaskMinWindow\" /sc onlogon /rl highest";
    QTest::newRow("placeholder in the name stays")
        << "a%2b"
        << "C:/q.exe"
        << "/create /tn \"a%2b\" /tr \"\\\"C:/q.exe\\\" ---StartupByTaskMinWindow\" /sc onlogon "
           "/rl highest";
}

void tst_StartupTask::schtasksParameters()
{
    QFETCH(QString, task);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(startupTaskParameters(task, path), expected);
}

void tst_StartupTask::execLine_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("execValue");
    QTest::newRow("plain") << "/opt/quillon/quillon"
                           << "\"/opt/quillon/quillon\" ---StartupByTaskMinWindow";
    QTest::newRow("blanks") << "/home/a b/my apps/quillon"
                            << "\"/home/a b/my apps/quillon\" ---StartupByTaskMinWindow";
    // Inside quotes: \" \` \$ \\ ; then string escaping doubles every backslash.
    QTest::newRow("quote") << "/x/a\"b"
                           << "\"/x/a\\\\\"b\" ---StartupByTaskMinWindow";
    QTest::newRow("dollar") << "/x/$HOME"
                            << "\"/x/\\\\$HOME\" ---StartupByTaskMinWindow";
    QTest::newRow("backtick") << "/x/a`b"
                              << "\"/x/a\\\\`b\" ---StartupByTaskMinWindow";
    QTest::newRow("backslash") << "/x/a\\b"
                               << "\"/x/a\\\\\\\\b\" ---StartupByTaskMinWindow";
    QTest::newRow("percent") << "/x/100%d"
                             << "\"/x/100%%d\" ---StartupByTaskMinWindow";
    QTest::newRow("newline") << "/x/a\nb"
                             << "\"/x/a\\nb\" ---StartupByTaskMinWindow";
    QTest::newRow("single quote and semicolon") << "/x/it's;here"
                                                << "\"/x/it's;here\" ---StartupByTaskMinWindow";
}

void tst_StartupTask::execLine()
{
    QFETCH(QString, path);
    QFETCH(QString, execValue);
    QCOMPARE(desktopEntryEscaped(autostartExecLine(path)), execValue);
    QVERIFY(autostartEntryText(QStringLiteral("Quillon"), path)
                .contains("\nExec=" + execValue.toUtf8() + '\n'));
}

void tst_StartupTask::entryText()
{
    QCOMPARE(autostartEntryText(QStringLiteral("Quillon ℃"), QStringLiteral("/opt/q")),
             QString::fromUtf8("[Desktop Entry]\nType=Application\nVersion=1.0\nName=Quillon ℃\n"
                               "Exec=\"/opt/q\" ---StartupByTaskMinWindow\nTerminal=false\n"
                               "X-GNOME-Autostart-enabled=true\n")
                 .toUtf8());
    QVERIFY(autostartEntryText(QStringLiteral(" two\nlines"), QStringLiteral("/q"))
                .contains("\nName=\\stwo\\nlines\n"));
    QVERIFY(
        autostartEntryText(QString::fromUtf8("a\x01\x1b[31mb\x7f\u0085c\td"), QStringLiteral("/q"))
            .contains("\nName=a[31mbc\\td\n"));
}

void tst_StartupTask::entryFileName_data()
{
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("expected");
    QTest::newRow("usual") << "quillonStartupTaskOKver---1001"
                           << "quillonStartupTaskOKver---1001.desktop";
    QTest::newRow("slash cannot leave the folder") << "qStartupTaskOKver---../../x"
                                                   << "qStartupTaskOKver---.._.._x.desktop";
    QTest::newRow("blanks and unicode") << "q ℃"
                                        << "q__.desktop";
    QTest::newRow("no hidden file") << ".q"
                                    << "_q.desktop";
}

void tst_StartupTask::entryFileName()
{
    QFETCH(QString, task);
    QFETCH(QString, expected);
    QCOMPARE(autostartEntryFileName(task), expected);
}

void tst_StartupTask::folder_data()
{
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("expected");
    QTest::newRow("set") << "/cfg"
                         << "/cfg/autostart";
    QTest::newRow("unset") << ""
                           << "/home/u/.config/autostart";
    QTest::newRow("relative is ignored") << "cfg"
                                         << "/home/u/.config/autostart";
}

void tst_StartupTask::folder()
{
    QFETCH(QString, xdg);
    QFETCH(QString, expected);
    QCOMPARE(autostartFolderFor(xdg, QStringLiteral("/home/u")), expected);
}

void tst_StartupTask::writeEntry()
{
    const QString folder = dir.filePath(QStringLiteral("w/deep/autostart"));
    QCOMPARE(writeAutostartEntry(folder, QStringLiteral("a.desktop"), "one"), 0);
    QCOMPARE(writeAutostartEntry(folder, QStringLiteral("a.desktop"), "second"), 0);
    QFile file(folder + QStringLiteral("/a.desktop"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("second"));
    QCOMPARE(file.permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther),
             QFileDevice::ReadOther);
    // No temporary file left behind.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("a.desktop")});
}

void tst_StartupTask::writeEntryFailures_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<int>("expectedErrno");
    QTest::newRow("autostart is a file") << "file" << ENOTDIR;
    QTest::newRow("a parent is a file") << "parent" << ENOTDIR;
    QTest::newRow("entry name is a folder") << "target-dir" << EISDIR;
}

void tst_StartupTask::writeEntryFailures()
{
    QFETCH(QString, obstacle);
    QFETCH(int, expectedErrno);
    const QString base = dir.filePath(obstacle);
    QDir().mkpath(base);
    QString folder = base + QStringLiteral("/autostart");
    if (obstacle == QLatin1String("file")) {
        QFile f(folder);
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (obstacle == QLatin1String("parent")) {
        QFile f(base + QStringLiteral("/cfg"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        folder = base + QStringLiteral("/cfg/autostart");
    } else {
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/e.desktop")));
    }
    QCOMPARE(writeAutostartEntry(folder, QStringLiteral("e.desktop"), "x"), expectedErrno);
    if (QFileInfo(folder).isDir())
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_StartupTask::createWritesEntry()
{
    const QString config = dir.filePath(QStringLiteral("cfg-ok"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    AppConfig c;
    c.appName = QStringLiteral("Quillon");
    c.appId = QStringLiteral("77");
    c.startupTaskEnabled = 1;
    createStartupTask(c);
    const QString entry = config + QStringLiteral("/autostart/") +
                          QCoreApplication::applicationName() +
                          QStringLiteral("StartupTaskOKver---77.desktop");
    QFile file(entry);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(entry));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("\nName=Quillon\n"));
    QVERIFY(text.contains("\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() +
                          "\" ---StartupByTaskMinWindow\n"));

    // Disabled: nothing written.
    QVERIFY(file.remove());
    c.startupTaskEnabled = 0;
    createStartupTask(c);
    QVERIFY(!QFile::exists(entry));
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_StartupTask::programPath_data()
{
    // A link of this name to the test program; empty: another program.
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("written");
    QTest::newRow("blanks") << QByteArray("my apps q") << true;
    QTest::newRow("quote, dollar, backtick, backslash") << QByteArray("q\"$HOME`x`\\n") << true;
    QTest::newRow("newline, tab, carriage return") << QByteArray("q\n\t\rq") << true;
    QTest::newRow("percent") << QByteArray("100%d") << false;
    QTest::newRow("percent at the end") << QByteArray("q%") << false;
    QTest::newRow("control character") << QByteArray("a\x01b") << false;
    QTest::newRow("escape sequence") << QByteArray("a\x1b[2Jb") << false;
    QTest::newRow("C1 control character") << QByteArray("a\xc2\x9b"
                                                        "2Jb")
                                          << false;
    QTest::newRow("not UTF-8") << QByteArray("a\xff\xfe") << false;
    QTest::newRow("another program") << QByteArray() << false;
}

void tst_StartupTask::programPath()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, written);
    QTemporaryDir tmp;
    QString program = QStringLiteral("/bin/sh");
    const QByteArray link = QFile::encodeName(tmp.path()) + '/' + name;
    // QTemporaryDir cannot remove a name that is not UTF-8.
    const auto unlinkLink = qScopeGuard([&] { ::unlink(link.constData()); });
    if (!name.isEmpty()) {
        QCOMPARE(::symlink(QFile::encodeName(QCoreApplication::applicationFilePath()).constData(),
                           link.constData()),
                 0);
        program = QFile::decodeName(link);
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(tmp.filePath(QStringLiteral("cfg"))));
    AppConfig c;
    c.appId = QStringLiteral("p");
    c.startupTaskEnabled = 1;

    const StartupTaskOutcome outcome = registerAutostart(c, program);
    const QString entry = tmp.filePath(QStringLiteral("cfg/autostart/")) +
                          QCoreApplication::applicationName() +
                          QStringLiteral("StartupTaskOKver---p.desktop");
    QCOMPARE(QFile::exists(entry), written);
    QCOMPARE(outcome.failed, !written);
    if (!written) {
        QVERIFY2(outcome.tipText.startsWith(QStringLiteral("Autostart entry not written: ")),
                 qPrintable(outcome.tipText));
    }
}

void tst_StartupTask::createFailureShowsTip()
{
    const QString config = dir.filePath(QStringLiteral("cfg-blocked"));
    QDir().mkpath(config);
    QFile blocker(config + QStringLiteral("/autostart"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    AppConfig c;
    c.startupTaskEnabled = 1;

    // Returns at once: the box does not hold start-up.
    showStartupTaskTip(createStartupTask(c));

    QMessageBox *box = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *b = qobject_cast<QMessageBox *>(w))
            box = b;
    }
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QCOMPARE(box->windowTitle(), QStringLiteral("Tip"));
    QVERIFY2(box->text().startsWith(QStringLiteral("Autostart entry error: %1").arg(ENOTDIR)),
             qPrintable(box->text()));
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!box->testAttribute(Qt::WA_QuitOnClose));

    QPointer<QMessageBox> watch(box);
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(watch.isNull());
}

QTEST_MAIN(tst_StartupTask)
#include "tst_startuptask.moc"
