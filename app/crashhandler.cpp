#include "crashhandler.h"

#include <atomic>
#include <chrono>

namespace {
// Read inside the fault handler: must be lock-free.
std::atomic<std::int32_t> theStartStamp{0};
static_assert(std::atomic<std::int32_t>::is_always_lock_free, "stamp read from a signal handler");
} // namespace

std::int32_t currentStartStamp()
{
    // The system clock counts from the Unix epoch, as QDateTime::currentMSecsSinceEpoch.
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return startStampFromMSecs(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

void setStartStamp(std::int32_t stamp)
{
    theStartStamp.store(stamp, std::memory_order_relaxed);
}

std::int32_t startStamp()
{
    return theStartStamp.load(std::memory_order_relaxed);
}
