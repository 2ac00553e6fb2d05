// The drop-in libhidapi-hidraw.so.0 that whole-program tests put on LD_LIBRARY_PATH.
// Each case runs this executable again as a child, because the library reads its
// environment once.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>
#include <hidapi.h>

#include <cstdio>

namespace {

const char kChildArgument[] = "--enumerate-and-write";

// Enumerates the display through the library, writes one 65-byte report to the first
// record and prints "<records> <first path>".
int runChild()
{
    void *lib = dlopen(QUILLON_BUILD_DIR "/tests/fakehidapi/libhidapi-hidraw.so.0", RTLD_NOW);
    if (!lib)
        return 2;
    auto enumerate = reinterpret_cast<hid_device_info *(*)(unsigned short, unsigned short)>(
        dlsym(lib, "hid_enumerate"));
    auto freeEnumeration =
        reinterpret_cast<void (*)(hid_device_info *)>(dlsym(lib, "hid_free_enumeration"));
    auto openPath = reinterpret_cast<hid_device *(*)(const char *)>(dlsym(lib, "hid_open_path"));
    auto write = reinterpret_cast<int (*)(hid_device *, const unsigned char *, size_t)>(
        dlsym(lib, "hid_write"));
    auto close = reinterpret_cast<void (*)(hid_device *)>(dlsym(lib, "hid_close"));
    if (!enumerate || !freeEnumeration || !openPath || !write || !close)
        return 3;

    hid_device_info *devices = enumerate(0x5131, 0x2007);
    int count = 0;
    for (hid_device_info *d = devices; d; d = d->next)
        ++count;
    QByteArray first;
    if (devices) {
        first = devices->path;
        hid_device *handle = openPath(devices->path);
        unsigned char report[65];
        for (int i = 0; i < 65; ++i)
            report[i] = static_cast<unsigned char>(i * 3);
        if (!handle || write(handle, report, sizeof report) != 65)
            return 4;
        close(handle);
    }
    freeEnumeration(devices);
    std::printf("%d %s\n", count, first.constData());
    return 0;
}

} // namespace

class tst_FakeHidapiShared : public QObject
{
    Q_OBJECT

private slots:
    void environment_data();
    void environment();
};

void tst_FakeHidapiShared::environment_data()
{
    QTest::addColumn<bool>("noDevice");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("loggedLines");

    QTest::newRow("default device") << false << QByteArray("1 /dev/hidraw-fake0\n") << 1;
    QTest::newRow("FAKEHID_NO_DEVICE=1") << true << QByteArray("0 \n") << 0;
}

void tst_FakeHidapiShared::environment()
{
    QFETCH(bool, noDevice);
    QFETCH(QByteArray, output);
    QFETCH(int, loggedLines);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString logPath = dir.filePath(QStringLiteral("writes.log"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FAKEHID_WRITE_LOG"), logPath);
    if (noDevice)
        env.insert(QStringLiteral("FAKEHID_NO_DEVICE"), QStringLiteral("1"));

    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QLatin1String(kChildArgument)});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(child.readAllStandardOutput(), output);

    QFile log(logPath);
    if (loggedLines == 0) {
        QVERIFY(!log.exists());
        return;
    }
    QVERIFY(log.open(QIODevice::ReadOnly));
    QByteArray expected;
    for (int i = 0; i < 65; ++i)
        expected.append(char(i * 3));
    QCOMPARE(log.readAll(), expected.toHex() + '\n');
}

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], kChildArgument) == 0)
        return runChild();
    QCoreApplication app(argc, argv);
    tst_FakeHidapiShared test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fakehidapishared.moc"
