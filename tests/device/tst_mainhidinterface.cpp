#include "device/mainhidinterface.h"
#include "fakehidapi/fakehid.h"

#include <QSignalSpy>
#include <QtTest>

#include <optional>
#include <thread>

using FakeHid::Call;
using Devices = std::vector<FakeHid::Device>;
using Bytes = std::vector<unsigned char>;
Q_DECLARE_METATYPE(Devices)

namespace {

constexpr std::chrono::seconds kPatience(5);

FakeHid::Device display(const std::string &path)
{
    FakeHid::Device device;
    device.path = path;
    return device;
}

// A distinct 65-byte report; the last byte carries the number too, so a transport that
// believed the caller's length of 64 would be caught.
QByteArray report(int number)
{
    QByteArray bytes(kDeviceReportSize, char(number));
    bytes[0] = 0;
    bytes[64] = char(0x80 | number);
    return bytes;
}

Bytes asBytes(const QByteArray &bytes)
{
    return Bytes(bytes.constBegin(), bytes.constEnd());
}

std::vector<Bytes> reports(std::initializer_list<int> numbers)
{
    std::vector<Bytes> all;
    for (int n : numbers)
        all.push_back(asBytes(report(n)));
    return all;
}

int send(MainHidInterFace &hid, int number)
{
    // Callers pass 64 for their 65-byte report.
    return hid.sendHidData(report(number).constData(), 64);
}

// What the window does on sigOpenHidSuccessful: start the writer.
void startWriterOnOpen(MainHidInterFace &hid)
{
    QObject::connect(&hid, &MainHidInterFace::sigOpenHidSuccessful, &hid, [&hid] { hid.start(); });
}

size_t indexOf(const std::vector<FakeHid::CallRecord> &calls, Call call, size_t from = 0)
{
    for (size_t i = from; i < calls.size(); ++i) {
        if (calls[i].call == call)
            return i;
    }
    return calls.size();
}

// Lets a write parked at the fake's gate go after a while, from another thread.
class DelayedRelease
{
public:
    explicit DelayedRelease(std::chrono::milliseconds delay)
        : releaser([delay] {
              std::this_thread::sleep_for(delay);
              FakeHid::openWriteGate();
          })
    {
    }
    ~DelayedRelease() { releaser.join(); }

private:
    std::thread releaser;
};

} // namespace

class tst_MainHidInterFace : public QObject
{
    Q_OBJECT

private slots:
    void init() { FakeHid::reset(); }

    void findHidDevice_data();
    void findHidDevice();
    void reportsAreRefusedWhileClosed();
    void writesEachReportOnceInOrder();
    void queuedReportsWaitForTheNextOpen();
    void closeWhenNotOpenDoesNothing();
    void closeWaitsForABlockedWrite();
    void writeFailureEndsTheLink_data();
    void writeFailureEndsTheLink();
    void reopenDelay_data();
    void reopenDelay();
    void writeFailureWhileListedReopens_data();
    void writeFailureWhileListedReopens();
    void missedRemovalLeavesNoStaleHandle();
    void arrivalStorm();
    void destructionWithBlockedWriter();
};

void tst_MainHidInterFace::findHidDevice_data()
{
    QTest::addColumn<Devices>("devices");
    QTest::addColumn<QByteArray>("openedPath"); // the path hid_open_path gets; empty: none
    QTest::addColumn<bool>("opened");

    FakeHid::Device otherProduct = display("/dev/hidraw0");
    otherProduct.productId = 0x1234;
    FakeHid::Device otherVendor = display("/dev/hidraw0");
    otherVendor.vendorId = 0x1234;
    FakeHid::Device refusing = display("/dev/hidraw0");
    refusing.failOpen = true;
    FakeHid::Device pathless = display("");
    pathless.nullPath = true;
    const std::string longPath(10000, 'a');
    FakeHid::Device garbage = display("\x01\x7f\xfe\xff");
    garbage.failOpen = true;

    QTest::newRow("one display") << Devices{display("/dev/hidraw0")} << QByteArray("/dev/hidraw0")
                                 << true;
    QTest::newRow("two displays: the first listed")
        << Devices{display("/dev/hidraw3"), display("/dev/hidraw1")} << QByteArray("/dev/hidraw3")
        << true;
    QTest::newRow("another product of the vendor is ignored")
        << Devices{otherProduct, display("/dev/hidraw1")} << QByteArray("/dev/hidraw1") << true;
    QTest::newRow("another vendor") << Devices{otherVendor} << QByteArray() << false;
    QTest::newRow("listed twice, opened once")
        << Devices{display("/dev/hidraw2"), display("/dev/hidraw2")} << QByteArray("/dev/hidraw2")
        << true;
    QTest::newRow("nothing listed") << Devices{} << QByteArray() << false;
    QTest::newRow("open refused") << Devices{refusing} << QByteArray("/dev/hidraw0") << false;
    QTest::newRow("record without a path is passed over")
        << Devices{pathless, display("/dev/hidraw5")} << QByteArray("/dev/hidraw5") << true;
    QTest::newRow("Latin-1 path survives the round trip")
        << Devices{display("/dev/hidraw-\xe9")} << QByteArray("/dev/hidraw-\xe9") << true;
    QTest::newRow("garbage path") << Devices{garbage} << QByteArray("\x01\x7f\xfe\xff") << false;
    QTest::newRow("overlong path is cut, not opened")
        << Devices{display(longPath)} << QByteArray(4096, 'a') << false;
}

void tst_MainHidInterFace::findHidDevice()
{
    QFETCH(Devices, devices);
    QFETCH(QByteArray, openedPath);
    QFETCH(bool, opened);

    FakeHid::setDevices(devices);
    MainHidInterFace hid;
    QSignalSpy openSpy(&hid, &MainHidInterFace::sigOpenHidSuccessful);
    hid.findHidDevice();

    QCOMPARE(openSpy.count(), opened ? 1 : 0);
    const auto calls = FakeHid::calls();
    std::vector<std::string> openAttempts;
    for (const auto &c : calls) {
        if (c.call == Call::OpenPath)
            openAttempts.push_back(c.path);
        // Asking for the display's IDs keeps hidapi 0.13.1 out of its full-walk crash.
        if (c.call == Call::Enumerate) {
            QCOMPARE(c.vendorId, quint16(0x5131));
            QCOMPARE(c.productId, quint16(0x2007));
        }
    }
    QCOMPARE(FakeHid::countCalls(Call::Enumerate), size_t(1));
    QCOMPARE(FakeHid::countCalls(Call::FreeEnumeration), size_t(1));
    if (openedPath.isEmpty()) {
        QVERIFY(openAttempts.empty());
    } else {
        QCOMPARE(openAttempts.size(), size_t(1));
        QCOMPARE(QByteArray::fromStdString(openAttempts.front()), openedPath);
    }
    QCOMPARE(FakeHid::openHandleCount(), opened ? 1 : 0);
    QCOMPARE(FakeHid::countCalls(Call::SetNonblocking), size_t(opened ? 1 : 0));
    QCOMPARE(send(hid, 1), opened ? 0 : -1);
}

void tst_MainHidInterFace::reportsAreRefusedWhileClosed()
{
    FakeHid::setDevices({display("/dev/hidraw0")});
    MainHidInterFace hid;
    startWriterOnOpen(hid);

    QCOMPARE(send(hid, 1), -1); // before any open
    hid.findHidDevice();
    QCOMPARE(hid.sendHidData(nullptr, 64), -1);
    hid.closeHid();
    QCOMPARE(send(hid, 2), -1); // after the close

    // Nothing refused was kept: the next open writes nothing.
    hid.findHidDevice();
    send(hid, 3);
    QVERIFY(FakeHid::waitForWrites(1, kPatience));
    hid.closeHid();
    QCOMPARE(FakeHid::writtenReports(), reports({3}));
}

void tst_MainHidInterFace::writesEachReportOnceInOrder()
{
    FakeHid::setDevices({display("/dev/hidraw0")});
    MainHidInterFace hid;
    startWriterOnOpen(hid);
    hid.findHidDevice();
    QVERIFY(hid.isRunning());

    // As many as the queue keeps, so none can be dropped however slow the writer.
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(send(hid, n), 0);
    QVERIFY(FakeHid::waitForWrites(4, kPatience));
    QCOMPARE(hid.closeHid(), 0);

    QCOMPARE(FakeHid::writtenReports(), reports({1, 2, 3, 4}));
    QCOMPARE(FakeHid::countCalls(Call::WriteBegin), size_t(4));
    std::thread::id writer;
    for (const auto &c : FakeHid::calls()) {
        if (c.call != Call::WriteBegin)
            continue;
        QCOMPARE(c.data.size(), size_t(65));
        QVERIFY(c.thread != std::this_thread::get_id());
        if (writer == std::thread::id())
            writer = c.thread;
        QVERIFY(c.thread == writer);
    }
    QCOMPARE(FakeHid::countCalls(Call::Close), size_t(1));
    QCOMPARE(FakeHid::countCalls(Call::Exit), size_t(1));
    QVERIFY(hid.isFinished());
}

void tst_MainHidInterFace::queuedReportsWaitForTheNextOpen()
{
    FakeHid::setDevices({display("/dev/hidraw0")});
    MainHidInterFace hid;
    hid.findHidDevice(); // opened, writer not started yet
    for (int n = 1; n <= 6; ++n)
        QCOMPARE(send(hid, n), 0);
    hid.closeHid();
    QCOMPARE(FakeHid::countCalls(Call::WriteBegin), size_t(0));

    // Only the newest four were kept.
    startWriterOnOpen(hid);
    hid.findHidDevice();
    QVERIFY(FakeHid::waitForWrites(4, kPatience));
    hid.closeHid();
    QCOMPARE(FakeHid::writtenReports(), reports({3, 4, 5, 6}));
}

void tst_MainHidInterFace::closeWhenNotOpenDoesNothing()
{
    MainHidInterFace hid;
    QCOMPARE(hid.closeHid(), 0);
    QCOMPARE(hid.closeHid(), 0);
    QCOMPARE(FakeHid::countCalls(Call::Close), size_t(0));
    QCOMPARE(FakeHid::countCalls(Call::Exit), size_t(0));
}

void tst_MainHidInterFace::closeWaitsForABlockedWrite()
{
    FakeHid::setDevices({display("/dev/hidraw0")});
    MainHidInterFace hid;
    startWriterOnOpen(hid);
    hid.findHidDevice();

    FakeHid::closeWriteGate();
    for (int n = 1; n <= 3; ++n)
        send(hid, n);
    QVERIFY(FakeHid::waitForBlockedWrite(kPatience));
    {
        // Long enough for closeHid() to be waiting when the write returns; the fake
        // aborts the test if the close ever overlaps the write.
        DelayedRelease release(std::chrono::milliseconds(200));
        QCOMPARE(hid.closeHid(), 0);
        QVERIFY(hid.isFinished());
    }
    auto calls = FakeHid::calls();
    const size_t writeEnd = indexOf(calls, Call::WriteEnd);
    const size_t close = indexOf(calls, Call::Close);
    QVERIFY(writeEnd < close);
    QCOMPARE(indexOf(calls, Call::WriteBegin, close), calls.size()); // nothing after it

    // The two reports the writer had not taken go out after the next open.
    hid.findHidDevice();
    QVERIFY(FakeHid::waitForWrites(3, kPatience));
    hid.closeHid();
    QCOMPARE(FakeHid::writtenReports(), reports({1, 2, 3}));
}

void tst_MainHidInterFace::writeFailureEndsTheLink_data()
{
    QTest::addColumn<bool>("unplugged");
    QTest::newRow("device unplugged, removal event missed") << true;
}

void tst_MainHidInterFace::reopenDelay_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("delayMs");
    QTest::newRow("none yet") << 0 << 1000;
    QTest::newRow("first failure of an episode") << 1 << 1000;
    QTest::newRow("second") << 2 << 2000;
    QTest::newRow("third") << 3 << 4000;
    QTest::newRow("fifth") << 5 << 16000;
    QTest::newRow("sixth is capped") << 6 << 30000;
    QTest::newRow("a device that never recovers") << 1000 << 30000;
}

void tst_MainHidInterFace::reopenDelay()
{
    QFETCH(int, failures);
    QFETCH(int, delayMs);
    QCOMPARE(hidReopenDelayMs(failures), delayMs);
}

void tst_MainHidInterFace::writeFailureWhileListedReopens_data()
{
    QTest::addColumn<int>("stalledWrites");
    QTest::addColumn<bool>("failsEveryWrite");
    QTest::newRow("one stalled write") << 1 << false;
    QTest::newRow("device accepts the open, fails every write") << 0 << true;
}

void tst_MainHidInterFace::writeFailureWhileListedReopens()
{
    QFETCH(int, stalledWrites);
    QFETCH(bool, failsEveryWrite);
    FakeHid::Device device = display("/dev/hidraw0");
    device.stalledWrites = stalledWrites;
    device.failWrites = failsEveryWrite;
    FakeHid::setDevices({device});
    MainHidInterFace hid;
    startWriterOnOpen(hid);
    QSignalSpy failSpy(&hid, &MainHidInterFace::sigHidWriteFailed);
    QSignalSpy openSpy(&hid, &MainHidInterFace::sigOpenHidSuccessful);
    hid.findHidDevice();

    QCOMPARE(send(hid, 1), 0);
    QVERIFY(FakeHid::waitForWrites(1, kPatience));
    // Re-opened by the link itself, after the first step of the back-off.
    QVERIFY(openSpy.wait(5000));
    QCOMPARE(openSpy.count(), 2);
    QCOMPARE(FakeHid::openHandleCount(), 1);
    QCOMPARE(send(hid, 2), 0);
    QVERIFY(FakeHid::waitForWrites(2, kPatience));
    if (failsEveryWrite) {
        QVERIFY(openSpy.wait(5000)); // the second step: no tight loop of opens
        QCOMPARE(FakeHid::countCalls(Call::OpenPath), size_t(3));
        QVERIFY(FakeHid::writtenReports().empty());
    } else {
        QCOMPARE(FakeHid::writtenReports(), reports({2}));
    }
    hid.closeHid();
    QCOMPARE(FakeHid::openHandleCount(), 0);
    QCOMPARE(failSpy.count(), 0);
}

void tst_MainHidInterFace::writeFailureEndsTheLink()
{
    QFETCH(bool, unplugged);

    FakeHid::Device device = display("/dev/hidraw0");
    device.failWrites = !unplugged;
    FakeHid::setDevices({device});
    MainHidInterFace hid;
    startWriterOnOpen(hid);
    QThread *emittedOn = nullptr;
    connect(&hid, &MainHidInterFace::sigHidWriteFailed,
            [&emittedOn] { emittedOn = QThread::currentThread(); });
    QSignalSpy failSpy(&hid, &MainHidInterFace::sigHidWriteFailed);

    hid.findHidDevice();
    if (unplugged)
        FakeHid::unplug("/dev/hidraw0");
    QCOMPARE(send(hid, 1), 0);
    QVERIFY(failSpy.wait(5000));
    QCOMPARE(emittedOn, QThread::currentThread());
    QVERIFY(hid.wait(5000)); // the writer stops instead of writing to a dead handle
    QCOMPARE(send(hid, 2), -1);
    QCOMPARE(FakeHid::countCalls(Call::WriteBegin), size_t(1));

    // The window treats it as a removal, then the device comes back.
    hid.closeHid();
    QCOMPARE(FakeHid::openHandleCount(), 0);
    FakeHid::setDevices({display("/dev/hidraw0")});
    QSignalSpy openSpy(&hid, &MainHidInterFace::sigOpenHidSuccessful);
    hid.findHidDevice();
    QCOMPARE(openSpy.count(), 1);
    QCOMPARE(send(hid, 3), 0);
    QVERIFY(FakeHid::waitForWrites(2, kPatience));
    hid.closeHid();
    QCOMPARE(FakeHid::writtenReports(), reports({3}));
    QCOMPARE(failSpy.count(), 1);
}

void tst_MainHidInterFace::missedRemovalLeavesNoStaleHandle()
{
    FakeHid::setDevices({display("/dev/hidraw0")});
    MainHidInterFace hid;
    startWriterOnOpen(hid);
    QSignalSpy failSpy(&hid, &MainHidInterFace::sigHidWriteFailed);
    hid.findHidDevice();
    FakeHid::unplug("/dev/hidraw0");
    send(hid, 1);
    QVERIFY(FakeHid::waitForWrites(1, kPatience));

    // The device is back before anyone closed the dead link.
    FakeHid::setDevices({display("/dev/hidraw1")});
    hid.findHidDevice();
    QCOMPARE(FakeHid::openHandleCount(), 1);
    send(hid, 2);
    QVERIFY(FakeHid::waitForWrites(2, kPatience));
    QCOMPARE(FakeHid::writtenReports(), reports({2}));

    // A failure notice still in flight from the old link must not close the new one.
    QCoreApplication::processEvents();
    QCOMPARE(send(hid, 3), 0);
    QVERIFY(FakeHid::waitForWrites(3, kPatience));
    hid.closeHid();
    QCOMPARE(FakeHid::writtenReports(), reports({2, 3}));
    QCOMPARE(failSpy.count(), 0);
}

void tst_MainHidInterFace::arrivalStorm()
{
    FakeHid::setDevices({display("/dev/hidraw0")});
    MainHidInterFace hid;
    startWriterOnOpen(hid);
    QSignalSpy openSpy(&hid, &MainHidInterFace::sigOpenHidSuccessful);
    hid.findHidDevice();

    constexpr int storm = 30;
    for (int n = 1; n <= storm; ++n) {
        QCOMPARE(send(hid, n), 0);
        hid.findHidDevice();
        // Each report crosses a re-open; waiting keeps the queue below its bound.
        QVERIFY(FakeHid::waitForWrites(size_t(n), kPatience));
    }
    QCOMPARE(FakeHid::openHandleCount(), 1);
    hid.closeHid();

    QCOMPARE(openSpy.count(), storm + 1);
    std::vector<Bytes> expected;
    for (int n = 1; n <= storm; ++n)
        expected.push_back(asBytes(report(n)));
    QCOMPARE(FakeHid::writtenReports(), expected);
    QCOMPARE(FakeHid::openHandleCount(), 0);
}

void tst_MainHidInterFace::destructionWithBlockedWriter()
{
    FakeHid::setDevices({display("/dev/hidraw0")});
    {
        std::optional<DelayedRelease> release; // outlives the link, so the write is held
        MainHidInterFace hid;
        startWriterOnOpen(hid);
        hid.findHidDevice();
        FakeHid::closeWriteGate();
        for (int n = 1; n <= 4; ++n)
            send(hid, n);
        QVERIFY(FakeHid::waitForBlockedWrite(kPatience));
        release.emplace(std::chrono::milliseconds(100));
    }
    QCOMPARE(FakeHid::openHandleCount(), 0);
    QCOMPARE(FakeHid::writtenReports(), reports({1}));
}

QTEST_GUILESS_MAIN(tst_MainHidInterFace)
#include "tst_mainhidinterface.moc"
