#include "getpcinfothread.h"

#include "acquisitionpass.h"
#include "sensorsdk.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

getPcInfoThread::getPcInfoThread(QObject *parent) : QThread(parent) {}

namespace {
// Counts a call into the SDK for as long as it lasts.
class SdkCall
{
public:
    explicit SdkCall(std::atomic<int> &inFlight) : inFlight(inFlight) { ++inFlight; }
    ~SdkCall() { --inFlight; }
    SdkCall(const SdkCall &) = delete;
    SdkCall &operator=(const SdkCall &) = delete;

private:
    std::atomic<int> &inFlight;
};
} // namespace

getPcInfoThread::~getPcInfoThread()
{
    // The worker starts the loop, so it goes first (the loop it starts then ends at
    // once); then the loop itself, since destroying a running QThread aborts the process.
    {
        std::lock_guard<std::mutex> lock(loopMutex);
        runFlag = false;
    }
    if (initWorker.joinable())
        initWorker.join();
    stopLoop();
}

void getPcInfoThread::startInitWorker(std::function<void()> first)
{
    if (initWorker.joinable())
        return;
    initWorker = std::thread([this, first = std::move(first)] {
        if (first)
            first();
        onStartInitSdkLater();
        start();
        {
            std::lock_guard<std::mutex> lock(loopMutex);
            initWorkerDone = true;
        }
        loopWake.notify_all();
    });
}

bool getPcInfoThread::stopWithin(std::chrono::milliseconds bound)
{
    if (leftStuck)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    std::unique_lock<std::mutex> lock(loopMutex);
    runFlag = false;
    loopWake.notify_all();
    // A worker still initialising starts the loop afterwards; it then ends at once.
    const bool workerDone = !initWorker.joinable() ||
                            loopWake.wait_until(lock, deadline, [this] { return initWorkerDone; });
    lock.unlock();
    if (workerDone && initWorker.joinable())
        initWorker.join();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    leftStuck = !workerDone ||
                !wait(static_cast<unsigned long>(std::max<qint64>(0, left.count()))) ||
                sdkCallsInFlight > 0;
    return !leftStuck;
}

SensorSnapshot getPcInfoThread::getPcInfo() const
{
    std::lock_guard<std::mutex> lock(snapshotMutex);
    return snapshot;
}

void getPcInfoThread::onStartInitSdkLater()
{
    SensorSdkTable &sdk = sensorSdkTable();
    int result = 0;
    bool bound = false;
    {
        const SdkCall call(sdkCallsInFlight);
        loadSensorSdk(sdk);
        bound = initSensorSdk(sdk, &result);
    }
    if (!bound) {
        emit sigTheSdkInitStatus(false, -111);
        std::printf("CANNOT LOAD DLL\n");
        std::fflush(stdout);
        return;
    }
    if (result != 0) {
        verboseLog = false;
        sdkReady = false;
        emit sigTheSdkInitStatus(false, result);
        std::printf("SDK HWiNFO -> INIT FAILED %d\n", result);
        std::fflush(stdout);
        return;
    }
    verboseLog = true;
    sdkReady = true;
    emit sigTheSdkInitStatus(true, 0);
    std::printf("SDK HWiNFO -> INIT OK\n");
    std::fflush(stdout);
}

int getPcInfoThread::uninitSdk()
{
    if (!sdkReady)
        return -88;
    stopLoop();
    return sensorSdkTable().shutdown();
}

void getPcInfoThread::stopLoop()
{
    {
        std::lock_guard<std::mutex> lock(loopMutex);
        runFlag = false;
    }
    loopWake.notify_all();
    if (QThread::currentThread() != this) {
        wait();
        // The loop's last look at its state under the lock now happens before whatever
        // follows, the object's deletion included, in terms the sanitizer also sees
        // (QThread::wait is invisible to it).
        std::lock_guard<std::mutex> lock(loopMutex);
    }
}

void getPcInfoThread::run()
{
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(loopMutex);
            loopWake.wait_for(lock, std::chrono::milliseconds(1000), [this] { return !runFlag; });
            if (!runFlag)
                return;
        }
        if (!sdkReady)
            continue;
        SensorSnapshot pass;
        {
            const SdkCall call(sdkCallsInFlight);
            pass = runAcquisitionPass(sensorSdkTable(), verboseLog);
        }
        {
            std::lock_guard<std::mutex> lock(snapshotMutex);
            snapshot = pass;
        }
        verboseLog = false;
        emit sigGetPcInfoOk();
    }
}
