// Prints how often the HID writer wakes up with the device open and nothing to send,
// and how long a report takes from sendHidData() to hid_write(), against the test
// hidapi. Wake-ups are the writer thread's context switches as the kernel counts them.
#include "device/mainhidinterface.h"
#include "tests/device/fakehidapi/fakehid.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds IdleWindow(3);
constexpr int LatencySamples = 1000;

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

// Voluntary plus involuntary switches of one thread of this process.
long contextSwitches(const QString &tid)
{
    QFile status(QStringLiteral("/proc/self/task/%1/status").arg(tid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    long total = 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:") ||
            line.startsWith("nonvoluntary_ctxt_switches:"))
            total += line.mid(line.indexOf(':') + 1).trimmed().toLong();
    }
    return total;
}

QString threadNamed(const QByteArray &comm)
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(tid) + QStringLiteral("/comm"));
        if (file.open(QIODevice::ReadOnly) && file.readAll().trimmed() == comm)
            return tid;
    }
    return QString();
}

double wakeupsPerSecond(const QString &tid)
{
    const long before = contextSwitches(tid);
    std::this_thread::sleep_for(IdleWindow);
    const long after = contextSwitches(tid);
    if (before < 0 || after < 0)
        return -1;
    return double(after - before) / double(IdleWindow.count());
}

// For comparison: a writer that looks at its queue every 500 microseconds.
double pollingWakeupsPerSecond()
{
    std::mutex mutex;
    std::deque<int> queue;
    std::atomic<bool> stop(false);
    std::atomic<long> tid(0);
    std::thread poller([&] {
        tid = long(syscall(SYS_gettid));
        while (!stop) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (!queue.empty())
                    queue.pop_front();
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    while (tid == 0)
        std::this_thread::yield();
    const double rate = wakeupsPerSecond(QString::number(tid));
    stop = true;
    poller.join();
    return rate;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quiet);

    FakeHid::Device display;
    display.path = "/dev/hidraw-bench";
    FakeHid::setDevices({display});

    MainHidInterFace hid;
    QObject::connect(&hid, &MainHidInterFace::sigOpenHidSuccessful, &hid, [&hid] { hid.start(); });
    hid.findHidDevice();
    if (!hid.isRunning()) {
        std::fprintf(stderr, "the device did not open\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // Qt names the thread after the class, cut to the kernel's 15 characters.
    const QString writerTid = threadNamed(QByteArrayLiteral("MainHidInterFac"));
    const double idle = writerTid.isEmpty() ? -1 : wakeupsPerSecond(writerTid);
    const double polling = pollingWakeupsPerSecond();

    // One report at a time, as the window sends them: each finds the writer asleep.
    const QByteArray report(kDeviceReportSize, '\x40');
    std::vector<Clock::time_point> sent;
    for (int i = 0; i < LatencySamples; ++i) {
        sent.push_back(Clock::now());
        hid.sendHidData(report.constData(), 64);
        FakeHid::waitForWrites(size_t(i + 1), std::chrono::seconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    hid.closeHid();

    std::vector<double> latencyUs;
    for (const FakeHid::CallRecord &call : FakeHid::calls()) {
        if (call.call == FakeHid::Call::WriteBegin && latencyUs.size() < sent.size()) {
            const auto delay = call.at - sent[latencyUs.size()];
            latencyUs.push_back(std::chrono::duration<double, std::micro>(delay).count());
        }
    }
    if (latencyUs.size() != sent.size()) {
        std::fprintf(stderr, "only %zu of %zu reports were written\n", latencyUs.size(),
                     sent.size());
        return 1;
    }

    std::printf("%-58s %12s %10s\n", "measure", "value", "target");
    std::printf("%-58s %12.1f %10s\n", "writer wake-ups per second, device open, no reports", idle,
                "< 2");
    std::printf("%-58s %12.1f %10s\n", "  (a writer polling every 500 us, for comparison)", polling,
                "");
    std::printf("%-58s %9.1f us %10s\n", "sendHidData -> hid_write, median",
                percentile(latencyUs, 0.5), "< 1000 us");
    std::printf("%-58s %9.1f us %10s\n", "sendHidData -> hid_write, 99th percentile",
                percentile(latencyUs, 0.99), "");
    std::printf("%-58s %9.1f us %10s\n", "sendHidData -> hid_write, worst",
                percentile(latencyUs, 1.0), "");
    std::printf("(%d reports, one every 2 ms)\n", LatencySamples);
    return 0;
}
