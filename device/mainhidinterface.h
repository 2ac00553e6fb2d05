#ifndef MAINHIDINTERFACE_H
#define MAINHIDINTERFACE_H

#include "devicereport.h"

#include <QString>
#include <QStringList>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

struct hid_device_;

// How long the link waits before it re-opens a display whose writes failed while it is
// still listed: 1 s after the first failure of an episode, doubling up to 30 s.
int hidReopenDelayMs(int failuresInEpisode);

// The link to the USB display (0x5131:0x2007) over hidapi. The GUI thread finds, opens,
// queues and closes; the thread's run() is the writer, which sleeps until a report is
// queued or the device is closed and writes one report per round, oldest first. The
// queue keeps the newest kMaxQueuedReports: the display shows a clock, so an old report
// is worth nothing.
class MainHidInterFace : public QThread
{
    Q_OBJECT

public:
    static constexpr unsigned short kVendorId = 0x5131;
    static constexpr unsigned short kProductId = 0x2007;
    static constexpr size_t kMaxQueuedReports = 4;

    explicit MainHidInterFace(QObject *parent = nullptr);
    ~MainHidInterFace() override;

    // Enumerates, opens the first matching device and emits sigOpenHidSuccessful() on
    // success. A handle still held from an earlier open is closed first.
    void findHidDevice();
    // 0 when the device at the last found path was opened, -1 otherwise.
    int openHid();
    // Queues a copy of 65 bytes of data (len is not used); -1 while the device is closed.
    int sendHidData(const char *data, int len);
    // The one stop sequence of the link: closes the device and shuts hidapi down, waits
    // for a write in progress and for the writer to finish. Without a device it only
    // waits for the writer. Always 0.
    int closeHid();

signals:
    void sigOpenHidSuccessful();
    // A write failed and the device is no longer listed: it is gone. Emitted on this
    // object's thread; the link then refuses reports until closeHid() and the next
    // successful findHidDevice(). While the device is still listed the link re-opens it
    // itself (with back-off) and emits sigOpenHidSuccessful() when it is back.
    void sigHidWriteFailed();

protected:
    void run() override;

private slots:
    void onWriteFailed();

private:
    void releaseHandle(std::unique_lock<std::mutex> &lock);
    bool isDeviceListed() const;
    void scheduleReopen(int failuresInEpisode);

    QString strHidPath;
    // Guarded by mutex, like everything below it.
    hid_device_ *hidHandle = nullptr;
    bool isOpen = false;
    std::mutex mutex;
    std::deque<std::unique_ptr<unsigned char[]>> reportQueue;

    std::condition_variable writerWake; // a report was queued or the device is closing
    std::condition_variable writeDone;  // the writer left hid_write
    bool writing = false;
    quint64 linkNumber = 0; // counts opens, so a late failure notice cannot close a new link
    quint64 failedLink = 0;
    int failedWriteErrno = 0;
    int failuresInEpisode = 0; // failed writes or re-opens since the last good write
    quint64 reopenTicket = 0;  // bumped by every open and close: a pending re-open is stale
};

// The paths of every listed display (0x5131:0x2007), in enumeration order.
QStringList listedDisplayPaths();

#endif // MAINHIDINTERFACE_H
