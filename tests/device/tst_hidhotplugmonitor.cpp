#include "device/devicebroadcast.h"
#include "device/hidhotplugmonitor.h"

#include <QFileInfo>
#include <QtTest>

#include <cstring>

namespace {

constexpr quint32 kWmDeviceChange = 0x0219;
constexpr quintptr kArrival = 0x8000;
constexpr quintptr kQueryRemove = 0x8001;
constexpr quintptr kRemoveComplete = 0x8004;

// A DEV_BROADCAST_DEVICEINTERFACE_W as Windows lays it out: size, type, reserved,
// class GUID, then the UTF-16 name; sizeField overrides the size in the header.
QByteArray broadcast(quint32 deviceType, const QString &name, bool terminated = true,
                     int sizeField = -1)
{
    QByteArray record(28, '\0');
    for (QChar c : name) {
        const char16_t unit = c.unicode();
        record.append(reinterpret_cast<const char *>(&unit), 2);
    }
    if (terminated)
        record.append(2, '\0');
    const quint32 size = sizeField < 0 ? quint32(record.size()) : quint32(sizeField);
    std::memcpy(record.data(), &size, 4);
    std::memcpy(record.data() + 4, &deviceType, 4);
    return record;
}

const QString kDisplayInterface = QStringLiteral(
    "\\\\?\\HID#VID_5131&PID_2007#7&2a1f3c4b&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}");
const QString kDisplaySysPath = QStringLiteral(
    "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/0003:5131:2007.0004/hidraw/hidraw2");
const QString kMouseSysPath = QStringLiteral(
    "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/0003:046D:C077.0005/hidraw/hidraw3");

} // namespace

class tst_HidHotplugMonitor : public QObject
{
    Q_OBJECT

private slots:
    void isMonitoredHidPath_data();
    void isMonitoredHidPath();
    void translateUdevEvent_data();
    void translateUdevEvent();
    void parseDeviceChangeEvent_data();
    void parseDeviceChangeEvent();
    void startNeedsRunningUdev();
};

void tst_HidHotplugMonitor::isMonitoredHidPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("monitored");

    QTest::newRow("Windows interface path") << kDisplayInterface << true;
    QTest::newRow("lower case") << kDisplayInterface.toLower() << true;
    QTest::newRow("sysfs path") << kDisplaySysPath << true;
    QTest::newRow("product before vendor") << QStringLiteral("usb#2007#5131") << true;
    QTest::newRow("vendor only") << QStringLiteral("\\\\?\\HID#VID_5131&PID_1234#1") << false;
    QTest::newRow("product only") << QStringLiteral("\\\\?\\HID#VID_1234&PID_2007#1") << false;
    QTest::newRow("another device's sysfs path") << kMouseSysPath << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("garbage") << QString::fromLatin1("\x01\xff%%%\n513 1 200 7") << false;
}

void tst_HidHotplugMonitor::isMonitoredHidPath()
{
    QFETCH(QString, path);
    QFETCH(bool, monitored);
    QCOMPARE(::isMonitoredHidPath(path), monitored);
}

void tst_HidHotplugMonitor::translateUdevEvent_data()
{
    QTest::addColumn<QByteArray>("action"); // null: no action string at all
    QTest::addColumn<QByteArray>("sysPath");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("monitored");

    const QByteArray display = kDisplaySysPath.toLatin1();
    QTest::newRow("display added")
        << QByteArray("add") << display << int(HotplugEvent::Arrival) << true;
    QTest::newRow("display removed")
        << QByteArray("remove") << display << int(HotplugEvent::Removal) << true;
    QTest::newRow("another device removed")
        << QByteArray("remove") << kMouseSysPath.toLatin1() << int(HotplugEvent::Removal) << false;
    QTest::newRow("change") << QByteArray("change") << display << int(HotplugEvent::None) << false;
    QTest::newRow("bind") << QByteArray("bind") << display << int(HotplugEvent::None) << false;
    QTest::newRow("upper-case action")
        << QByteArray("ADD") << display << int(HotplugEvent::None) << false;
    QTest::newRow("no action") << QByteArray() << display << int(HotplugEvent::None) << false;
    QTest::newRow("no path") << QByteArray("add") << QByteArray() << int(HotplugEvent::None)
                             << false;
}

void tst_HidHotplugMonitor::translateUdevEvent()
{
    QFETCH(QByteArray, action);
    QFETCH(QByteArray, sysPath);
    QFETCH(int, kind);
    QFETCH(bool, monitored);

    const HotplugEvent event =
        ::translateUdevEvent(action.isNull() ? nullptr : action.constData(),
                             sysPath.isNull() ? nullptr : sysPath.constData());
    QCOMPARE(int(event.kind), kind);
    if (event.kind != HotplugEvent::None)
        QCOMPARE(event.path, QString::fromLatin1(sysPath));
    QCOMPARE(::isMonitoredHidPath(event.path), monitored);
}

void tst_HidHotplugMonitor::parseDeviceChangeEvent_data()
{
    QTest::addColumn<quint32>("messageId");
    QTest::addColumn<quintptr>("eventCode");
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<bool>("arrival");
    QTest::addColumn<QString>("path");

    const QByteArray display = broadcast(5, kDisplayInterface);
    QTest::newRow("arrival") << kWmDeviceChange << kArrival << display << true << true
                             << kDisplayInterface;
    QTest::newRow("removal") << kWmDeviceChange << kRemoveComplete << display << true << false
                             << kDisplayInterface;
    QTest::newRow("another message")
        << quint32(0x0112) << kArrival << display << false << false << QString();
    QTest::newRow("query remove") << kWmDeviceChange << kQueryRemove << display << false << false
                                  << QString();
    // A volume record is 20 bytes long: reading past its header would run off the end.
    QByteArray volume(20, '\0');
    const quint32 volumeSize = 20, volumeType = 2;
    std::memcpy(volume.data(), &volumeSize, 4);
    std::memcpy(volume.data() + 4, &volumeType, 4);
    QTest::newRow("storage volume")
        << kWmDeviceChange << kArrival << volume << false << false << QString();
    QTest::newRow("name without terminator stops at the record's size")
        << kWmDeviceChange << kArrival << broadcast(5, QStringLiteral("5131#2007"), false) << true
        << true << QStringLiteral("5131#2007");
    QTest::newRow("size shorter than the header")
        << kWmDeviceChange << kArrival << broadcast(5, kDisplayInterface, true, 12) << false
        << false << QString();
    QTest::newRow("empty name") << kWmDeviceChange << kRemoveComplete << broadcast(5, QString())
                                << true << false << QString();
}

void tst_HidHotplugMonitor::parseDeviceChangeEvent()
{
    QFETCH(quint32, messageId);
    QFETCH(quintptr, eventCode);
    QFETCH(QByteArray, record);
    QFETCH(bool, parsed);
    QFETCH(bool, arrival);
    QFETCH(QString, path);

    // A heap copy of exactly the record's length, so AddressSanitizer sees any overread.
    std::unique_ptr<char[]> exact(new char[size_t(record.size())]);
    std::memcpy(exact.get(), record.constData(), size_t(record.size()));

    bool isArrival = false;
    std::u16string name;
    QCOMPARE(parseDeviceBroadcast(messageId, eventCode, exact.get(), &isArrival, &name), parsed);
    const QString interfacePath = QString::fromStdU16String(name);
    QCOMPARE(isArrival, arrival);
    QCOMPARE(interfacePath, path);
    QVERIFY(!parseDeviceBroadcast(kWmDeviceChange, kArrival, nullptr, &isArrival, &name));
}

void tst_HidHotplugMonitor::startNeedsRunningUdev()
{
    // Without udevd (containers, CI) libudev's socket opens but stays silent.
    const bool udevRunning = QFileInfo::exists(QStringLiteral("/run/udev/control"));
    HidHotplugMonitor monitor;
    QString error;
    QCOMPARE(monitor.start(0, &error), udevRunning);
    QCOMPARE(error.isEmpty(), udevRunning);
    QCOMPARE(monitor.start(0, nullptr), udevRunning);
}

QTEST_GUILESS_MAIN(tst_HidHotplugMonitor)
#include "tst_hidhotplugmonitor.moc"
