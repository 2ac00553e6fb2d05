#ifndef GETPCINFOTHREAD_H
#define GETPCINFOTHREAD_H

#include "sensorsnapshot.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

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

public slots:
    // Loads, binds and initialises the SDK; emits sigTheSdkInitStatus once.
    void onStartInitSdkLater();

signals:
    void sigTheSdkInitStatus(bool isOK, int errorCode);
    void sigGetPcInfoOk();

protected:
    void run() override;

private:
    bool runFlag = true; // guarded by loopMutex
    std::atomic<bool> sdkReady{false};
    SensorSnapshot snapshot; // guarded by snapshotMutex
    std::atomic<bool> verboseLog{true};

    mutable std::mutex snapshotMutex;
    std::mutex loopMutex;
    std::condition_variable loopWake;
};

#endif // GETPCINFOTHREAD_H
