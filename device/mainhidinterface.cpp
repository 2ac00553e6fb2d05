#include "mainhidinterface.h"

#include "hidenumerate.h"

#include <QDebug>
#include <QMetaObject>
#include <QTimer>

#include <hidapi.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <thread>

namespace {
// Longer than any path the platform can open; bounds what we copy from a record.
constexpr size_t kMaxHidPathLength = 4096;
// Breathing space for the device between two reports.
constexpr std::chrono::microseconds kPauseAfterWrite(500);
constexpr int kFirstReopenDelayMs = 1000;
constexpr int kLongestReopenDelayMs = 30000;
} // namespace

int hidReopenDelayMs(int failuresInEpisode)
{
    int delay = kFirstReopenDelayMs;
    for (int i = 1; i < failuresInEpisode && delay < kLongestReopenDelayMs; ++i)
        delay *= 2;
    return std::min(delay, kLongestReopenDelayMs);
}

MainHidInterFace::MainHidInterFace(QObject *parent) : QThread(parent)
{
    // A failed initialisation shows up later as an empty enumeration or a failed open.
    hid_init();
}

MainHidInterFace::~MainHidInterFace()
{
    qDebug() << "________________________ MainHidInterFace::~MainHidInterFace() ........";
    closeHid();
}

QStringList listedDisplayPaths()
{
    hid_device_info *devices =
        enumerateHidCandidates(MainHidInterFace::kVendorId, MainHidInterFace::kProductId);
    QStringList paths;
    for (const hid_device_info *info = devices; info; info = info->next) {
        if (info->vendor_id == MainHidInterFace::kVendorId &&
            info->product_id == MainHidInterFace::kProductId && info->path)
            paths.append(
                QString::fromLatin1(info->path, int(strnlen(info->path, kMaxHidPathLength))));
    }
    hid_free_enumeration(devices);
    return paths;
}

void MainHidInterFace::findHidDevice()
{
    const QStringList paths = listedDisplayPaths();
    if (paths.isEmpty())
        return;
    strHidPath = paths.constFirst();
    qDebug() << "-------------------------- ************** strHidPath:" << strHidPath;
    if (openHid() == 0)
        emit sigOpenHidSuccessful();
}

int MainHidInterFace::openHid()
{
    {
        // A handle still held (a second arrival, or a write failure nobody closed) would
        // leak and keep the old writer going.
        std::unique_lock<std::mutex> lock(mutex);
        if (hidHandle)
            releaseHandle(lock);
    }

    const QByteArray path = strHidPath.toLatin1();
    hid_device *handle = hid_open_path(path.constData());
    if (!handle) {
        qDebug("Unable to open device\n");
        return -1;
    }
    qDebug("\nOpen device success\n");
    // Set before the handle is published: calls on one device must not overlap.
    hid_set_nonblocking(handle, 1);

    std::lock_guard<std::mutex> lock(mutex);
    hidHandle = handle;
    isOpen = true;
    ++linkNumber;
    ++reopenTicket;
    return 0;
}

int MainHidInterFace::sendHidData(const char *data, int len)
{
    Q_UNUSED(len) // callers pass 64 for their 65-byte report; 65 bytes are always taken
    if (!data)
        return -1;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!isOpen)
            return -1;
        std::unique_ptr<unsigned char[]> buffer(
            new (std::nothrow) unsigned char[kDeviceReportSize]);
        if (!buffer)
            return 0; // the report is dropped, as after a failed write
        std::memcpy(buffer.get(), data, kDeviceReportSize);
        while (reportQueue.size() >= kMaxQueuedReports)
            reportQueue.pop_front();
        reportQueue.push_back(std::move(buffer));
    }
    writerWake.notify_one();
    return 0;
}

int MainHidInterFace::closeHid()
{
    std::unique_lock<std::mutex> lock(mutex);
    ++reopenTicket;
    failuresInEpisode = 0;
    if (hidHandle) {
        releaseHandle(lock);
        lock.unlock();
        hid_exit();
    } else {
        lock.unlock();
        // A writer started without an open device leaves at once; it is waited for all
        // the same, so that no caller has a stop sequence of its own.
        if (QThread::currentThread() != this)
            wait();
    }
    return 0;
}

// Entered and left with the lock held and, on entry, a handle present.
void MainHidInterFace::releaseHandle(std::unique_lock<std::mutex> &lock)
{
    isOpen = false;
    writerWake.notify_all();
    // hid_close frees what a concurrent hid_write still uses.
    writeDone.wait(lock, [this] { return !writing; });
    hid_close(hidHandle);
    hidHandle = nullptr;

    // The writer has seen isOpen false; let it finish, so that the start() that follows
    // the next successful open really starts it again.
    lock.unlock();
    if (QThread::currentThread() != this)
        wait();
    lock.lock();
}

void MainHidInterFace::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    // The pause is taken before the next write rather than after each one, so a writer
    // with nothing to write sleeps until a report comes instead of waking once more.
    std::chrono::steady_clock::time_point pauseEnds;
    for (;;) {
        writerWake.wait(lock, [this] { return !isOpen || !reportQueue.empty(); });
        if (!isOpen)
            return; // queued reports stay for the next open
        const auto now = std::chrono::steady_clock::now();
        if (now < pauseEnds) {
            lock.unlock();
            std::this_thread::sleep_for(pauseEnds - now);
            lock.lock();
            continue; // closed or emptied meanwhile: look again
        }

        std::unique_ptr<unsigned char[]> report = std::move(reportQueue.front());
        reportQueue.pop_front();
        hid_device *handle = hidHandle;
        const quint64 link = linkNumber;
        writing = true;
        lock.unlock();

        const int written = hid_write(handle, report.get(), kDeviceReportSize);
        const int writeError = errno;
        report.reset();

        lock.lock();
        writing = false;
        writeDone.notify_all();
        if (written < 0) {
            // On hidraw any failure means the handle is dead (ENODEV after unplug,
            // EPROTO/ESHUTDOWN/ETIMEDOUT for a transfer in flight); writing on would
            // only fail again.
            const bool wasOpen = isOpen;
            isOpen = false;
            failedLink = link;
            failedWriteErrno = writeError;
            lock.unlock();
            if (wasOpen) {
                // A queued call without arguments or functor keeps all cross-thread
                // bookkeeping inside Qt, and delivers on this object's thread.
                QMetaObject::invokeMethod(this, "onWriteFailed", Qt::QueuedConnection);
            }
            return;
        }
        failuresInEpisode = 0;
        pauseEnds = std::chrono::steady_clock::now() + kPauseAfterWrite;
    }
}

bool MainHidInterFace::isDeviceListed() const
{
    return listedDisplayPaths().contains(strHidPath);
}

void MainHidInterFace::onWriteFailed()
{
    int failures = 0;
    int writeError = 0;
    {
        // Closed or opened again since the failure: the news is stale.
        std::unique_lock<std::mutex> lock(mutex);
        if (failedLink != linkNumber || !hidHandle)
            return;
        writeError = failedWriteErrno;
        if (isDeviceListed()) {
            // A stall (EPIPE, a timeout after resume) on a display that is still there:
            // the handle is dead, the device is not.
            failures = ++failuresInEpisode;
            releaseHandle(lock);
        }
    }
    if (failures == 0) {
        qDebug() << "hid_write failed, the device is treated as removed, errno:" << writeError;
        emit sigHidWriteFailed();
        return;
    }
    if (failures == 1)
        qDebug() << "hid_write failed while the device is listed, errno:" << writeError
                 << "- re-opening it";
    scheduleReopen(failures);
}

void MainHidInterFace::scheduleReopen(int failures)
{
    quint64 ticket = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ticket = reopenTicket;
    }
    QTimer::singleShot(hidReopenDelayMs(failures), this, [this, ticket] {
        {
            // Opened by an arrival or closed by a removal or the quit meanwhile.
            std::lock_guard<std::mutex> lock(mutex);
            if (ticket != reopenTicket || hidHandle)
                return;
        }
        if (!isDeviceListed()) {
            qDebug() << "The device is gone while it was being re-opened";
            emit sigHidWriteFailed();
            return;
        }
        if (openHid() == 0) {
            emit sigOpenHidSuccessful();
            return;
        }
        int next = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            next = ++failuresInEpisode;
        }
        scheduleReopen(next);
    });
}
