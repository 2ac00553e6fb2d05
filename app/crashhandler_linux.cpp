#include "crashhandler_linux.h"
#include "crashhandler.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>

#include <sys/shm.h>
#include <sys/syscall.h>
#include <unistd.h>

// Everything reached from faultHandler must be async-signal-safe: no Qt, no
// allocation, no locks. What it needs is prepared by installCrashHandler.

namespace {

const int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

char exePath[PATH_MAX];
int exePathError = 0; // errno of the failed readlink, 0 when exePath is usable
std::atomic<int> guardSegment{-1};
std::atomic<bool> restartUnderway{false};

// Lets a stack overflow on the GUI thread still reach the handler.
alignas(16) char alternateStack[64 * 1024];

void writeAll(const char *text, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, text, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text += n;
        length -= size_t(n);
    }
}

// printf("CreateProcess failed (%d).\n", code) without printf.
void reportRestartFailure(int code)
{
    char line[64] = "CreateProcess failed (";
    size_t pos = std::strlen(line);
    char digits[16];
    size_t count = 0;
    long value = code;
    const bool negative = value < 0;
    if (negative)
        value = -value;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 && count < sizeof digits);
    if (negative)
        line[pos++] = '-';
    while (count > 0)
        line[pos++] = digits[--count];
    const char tail[] = ").\n";
    std::memcpy(line + pos, tail, sizeof tail);
    writeAll(line, pos + sizeof tail - 1);
}

void sleepMs(long ms)
{
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

std::int32_t stampNow()
{
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return startStampFromMSecs(std::int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000);
}

pid_t forkFromHandler()
{
    // _Fork runs no atfork handlers: glibc's fork() would take malloc's locks, which
    // the faulting thread may hold.
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    return ::_Fork();
#else
    return pid_t(::syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0));
#endif
}

void closeInheritedDescriptors()
{
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, 3U, ~0U, 0U) == 0)
        return;
#endif
    for (int fd = 3; fd < 4096; ++fd)
        ::close(fd);
}

// Runs in the child forked by the handler: waits for the faulting process to be gone
// and its hold on the guard released, then becomes the new instance.
[[noreturn]] void runRestartWatcher(pid_t faultingProcess)
{
    sigset_t none;
    sigemptyset(&none);
    // The faulting signal is blocked in here; exec would pass the mask on.
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    for (int i = 0; i < 200 && ::getppid() == faultingProcess; ++i)
        sleepMs(25);

    const int segment = guardSegment.load(std::memory_order_relaxed);
    if (segment >= 0) {
        // This process inherited one attachment; exec drops it.
        for (int i = 0; i < 200; ++i) {
            shmid_ds info{};
            if (::shmctl(segment, IPC_STAT, &info) != 0 || info.shm_nattch <= 1)
                break;
            sleepMs(25);
        }
    }

    closeInheritedDescriptors();
    char *const arguments[] = {exePath, nullptr};
    ::execve(exePath, arguments, environ);
    reportRestartFailure(errno);
    ::_exit(127);
}

void faultHandler(int signalNumber, siginfo_t *, void *)
{
    const int savedErrno = errno;
    if (shouldRestartAfterFault(startStamp(), stampNow())) {
        if (restartUnderway.exchange(true)) {
            // Another thread faulted first and is ending the process.
            for (;;)
                sleepMs(1000);
        }
        if (exePathError != 0) {
            reportRestartFailure(exePathError);
        } else {
            const pid_t self = ::getpid();
            const pid_t child = forkFromHandler();
            if (child == 0)
                runRestartWatcher(self);
            if (child < 0)
                reportRestartFailure(errno);
        }
        ::_exit(128 + signalNumber);
    }

    // Too early (or no start recorded): the default action, core dump included.
    struct sigaction defaultAction
    {
    };
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signalNumber, &defaultAction, nullptr);
    errno = savedErrno;
    // Delivered when the handler returns; a real fault would also recur on return.
    ::raise(signalNumber);
}

} // namespace

void setCrashRestartGuardSegment(int shmId)
{
    guardSegment.store(shmId, std::memory_order_relaxed);
}

void installCrashHandler()
{
    const ssize_t n = ::readlink("/proc/self/exe", exePath, sizeof exePath - 1);
    if (n < 0) {
        exePath[0] = '\0';
        exePathError = errno;
    } else if (n == 0 || size_t(n) >= sizeof exePath - 1) {
        // Possibly cut short: better no restart than starting the wrong file.
        exePath[0] = '\0';
        exePathError = ENAMETOOLONG;
    } else {
        exePath[n] = '\0';
        exePathError = 0;
    }

    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    ::sigaltstack(&stack, nullptr);

    struct sigaction action
    {
    };
    action.sa_sigaction = faultHandler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int s : kFatalSignals)
        sigaddset(&action.sa_mask, s);
    for (int s : kFatalSignals)
        ::sigaction(s, &action, nullptr);
}
