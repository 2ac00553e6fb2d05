#include "crashhandler.h"

#include <QDateTime>

#include <atomic>

namespace {
// Read inside the fault handler: must be lock-free.
std::atomic<qint32> theStartStamp{0};
static_assert(std::atomic<qint32>::is_always_lock_free, "stamp read from a signal handler");
} // namespace

qint32 currentStartStamp()
{
    return startStampFromMSecs(QDateTime::currentMSecsSinceEpoch());
}

void setStartStamp(qint32 stamp)
{
    theStartStamp.store(stamp, std::memory_order_relaxed);
}

qint32 startStamp()
{
    return theStartStamp.load(std::memory_order_relaxed);
}
