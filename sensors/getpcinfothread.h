#ifndef GETPCINFOTHREAD_H
#define GETPCINFOTHREAD_H

#include "sensorsnapshot.h"

#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Binds the sensor SDK and reads every sensor once a second into the snapshot.
class getPcInfoThread : public QThread
{
    Q_OBJECT
public:
    explicit getPcInfoThread(QObject *parent = nullptr);
    ~getPcInfoThread() override;

    // A copy of the last complete pass; safe from any thread.
    SensorSnapshot getPcInfo() const;
    // Shuts the SDK down: its result, or -88 without a call when the SDK never
    // initialised. Stops the loop first so that no pass follows the shutdown.
    int uninitSdk();
    // Ends the run() loop promptly (interrupting its sleep) and waits for the
    // thread. Idempotent; safe when the thread never started.
    void stopLoop();

    // The start-up worker: a plain thread that runs `first`, then onStartInitSdkLater(),
    // then starts this thread. Called once.
    void startInitWorker(std::function<void()> first);
    // The exit's stop: ends the loop and waits at most `bound` in all for the
    // start-up worker and the loop. False when one of them is still inside an SDK call
    // (a library that never returns): then the SDK must not be shut down, and this
    // object must be left alive until the process ends. Later calls answer at once.
    bool stopWithin(std::chrono::milliseconds bound = std::chrono::seconds(2));

public slots:
    // Loads, binds and initialises the SDK; emits sigTheSdkInitStatus once.
    void onStartInitSdkLater();

signals:
    void sigTheSdkInitStatus(bool isOK, int errorCode);
    void sigGetPcInfoOk();

protected:
    void run() override;

private:
    bool runFlag = true;         // guarded by loopMutex
    bool initWorkerDone = false; // guarded by loopMutex
    bool leftStuck = false;
    std::atomic<int> sdkCallsInFlight{0};
    std::thread initWorker;
    std::atomic<bool> sdkReady{false};
    SensorSnapshot snapshot; // guarded by snapshotMutex
    std::atomic<bool> verboseLog{true};

    mutable std::mutex snapshotMutex;
    std::mutex loopMutex;
    std::condition_variable loopWake;
};

#endif // GETPCINFOTHREAD_H
