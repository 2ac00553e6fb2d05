#include "getpcinfothread.h"

#include "acquisitionpass.h"
#include "sensorsdk.h"

#include <chrono>
#include <cstdio>

getPcInfoThread::getPcInfoThread(QObject *parent) : QThread(parent) {}

getPcInfoThread::~getPcInfoThread()
{
    // Destroying a running QThread aborts the process.
    stopLoop();
}

SensorSnapshot getPcInfoThread::getPcInfo() const
{
    std::lock_guard<std::mutex> lock(snapshotMutex);
    return snapshot;
}

void getPcInfoThread::onStartInitSdkLater()
{
    SensorSdkTable &sdk = sensorSdkTable();
    loadSensorSdk(sdk);
    int result = 0;
    if (!initSensorSdk(sdk, &result)) {
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
        const SensorSnapshot pass = runAcquisitionPass(sensorSdkTable(), verboseLog);
        {
            std::lock_guard<std::mutex> lock(snapshotMutex);
            snapshot = pass;
        }
        verboseLog = false;
        emit sigGetPcInfoOk();
    }
}
