// quillon-powerd: turns the root-only RAPL energy counters into one
// world-readable figure, the CPU package power averaged over the last second.
// It takes no input: no socket, no configuration, no arguments but --help.

#include "packagepower.h"
#include "sensorlib/powerhelperfile.h"
#include "sensorlib/rapl.h"
#include "sensorlib/sysroot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int)
{
    stopRequested = 1;
}

std::vector<EnergySample> sample(const SysRoot &root, const std::vector<RaplPackage> &packages)
{
    std::vector<EnergySample> samples;
    for (const RaplPackage &package : packages) {
        EnergySample s;
        long long energy = 0, range = 0;
        s.readable = root.readInteger(package.energy, &energy) && energy >= 0;
        s.energyUj = s.readable ? static_cast<uint64_t>(energy) : 0;
        if (root.readInteger(package.maxRange, &range) && range > 0)
            s.maxRangeUj = static_cast<uint64_t>(range);
        samples.push_back(s);
    }
    return samples;
}

// Unlike CLOCK_MONOTONIC, CLOCK_BOOTTIME runs on through a suspend as the
// energy counters do, so the interval across one is seen as long and skipped.
uint64_t boottimeUs()
{
    return boottimeNs() / 1000ULL;
}

// Which folder a path names, so that one removed or made anew is noticed.
struct FolderId
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FolderId &other) const
    {
        return device == other.device && inode == other.inode;
    }
};

bool folderId(const std::string &path, FolderId *id)
{
    struct stat info = {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    id->device = info.st_dev;
    id->inode = info.st_ino;
    return true;
}

// Written beside the target and renamed over it, so that a reader sees the old
// file or the new one, never a part.
bool replaceFile(const std::string &target, const std::string &content)
{
    const std::string temporary = target + ".new";
    ::unlink(temporary.c_str());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    // World-readable whatever the umask: that is the file's purpose.
    bool ok = ::fchmod(fd, 0644) == 0;
    size_t written = 0;
    while (ok && written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            written += static_cast<size_t>(n);
    }
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temporary.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

// One line on a change of state, not one a second: the journal keeps them.
void reportState(const std::string &state)
{
    static std::string last;
    if (state != last)
        std::fprintf(stderr, "quillon-powerd: %s\n", state.c_str());
    last = state;
}

void sleepUntil(uint64_t deadlineUs)
{
    timespec when = {};
    when.tv_sec = static_cast<time_t>(deadlineUs / 1000000ULL);
    when.tv_nsec = static_cast<long>(deadlineUs % 1000000ULL) * 1000L;
    // A stop signal ends the wait early (EINTR); the loop then checks the flag.
    ::clock_nanosleep(CLOCK_BOOTTIME, TIMER_ABSTIME, &when, nullptr);
}

int usage(std::FILE *out)
{
    std::fputs("Usage: quillon-powerd\n"
               "Writes the CPU package power, averaged over each second and rounded to 0.1 W,\n"
               "to /run/quillon/cpu-power for Quillon run by an ordinary user. Needs to read\n"
               "/sys/class/powercap/intel-rapl:*/energy_uj (root or CAP_DAC_READ_SEARCH).\n"
               "Runs in the foreground until SIGTERM or SIGINT. QUILLON_SENSORS_ROOT replaces\n"
               "\"/\" for both paths.\n",
               out);
    return out == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1)
        return usage(argc == 2 && std::strcmp(argv[1], "--help") == 0 ? stdout : stderr);

    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);

    const char *rootEnv = std::getenv("QUILLON_SENSORS_ROOT");
    const SysRoot root(rootEnv && *rootEnv ? rootEnv : "/");
    const std::string target = root.path(kPowerHelperFile);
    const std::string folder = target.substr(0, target.rfind('/'));
    // systemd makes the folder (RuntimeDirectory=); on a test tree we do.
    ::mkdir(folder.c_str(), 0755);
    FolderId startFolder;
    if (!folderId(folder, &startFolder)) {
        std::fprintf(stderr, "quillon-powerd: no folder %s\n", folder.c_str());
        return EXIT_FAILURE;
    }

    std::vector<RaplPackage> packages;
    std::vector<EnergySample> previous;
    uint64_t previousUs = 0;
    uint64_t tickUs = boottimeUs();
    while (!stopRequested) {
        // Gone or made anew, the folder is no longer the one systemd made for
        // this user with its mode, and this user may not make it in /run. A
        // failure has the unit start the helper again with a new folder.
        FolderId nowFolder;
        if (!folderId(folder, &nowFolder) || !(nowFolder == startFolder)) {
            std::fprintf(stderr,
                         "quillon-powerd: %s was removed or replaced; leaving so that it "
                         "is made again\n",
                         folder.c_str());
            return EXIT_FAILURE;
        }
        // Looked up again each second: the RAPL driver may be loaded later.
        const std::vector<RaplPackage> now = raplPackages(root);
        const bool samePackages = now.size() == packages.size() &&
                                  std::equal(now.begin(), now.end(), packages.begin(),
                                             [](const RaplPackage &a, const RaplPackage &b) {
                                                 return a.energy == b.energy;
                                             });
        const std::vector<EnergySample> current = sample(root, now);
        const uint64_t currentUs = boottimeUs();
        if (samePackages && !previous.empty()) {
            double watts = 0.0;
            if (!averagePackagePower(previous, current, currentUs - previousUs, &watts)) {
                ::unlink(target.c_str()); // no figure beats a wrong one
                reportState(now.empty() ? "no RAPL package counters"
                                        : "no figure: a package counter is unreadable, was reset "
                                          "or is beyond its range, the interval was long, or "
                                          "the power is beyond any machine's");
            } else if (!replaceFile(target, formatPowerHelperFile(watts, boottimeNs()))) {
                reportState(std::string("cannot write ") + target + ": " + std::strerror(errno));
            } else {
                reportState("writing the CPU package power");
            }
        }
        packages = now;
        previous = current;
        previousUs = currentUs;

        tickUs += kPeriodUs;
        const uint64_t afterUs = boottimeUs();
        if (tickUs <= afterUs) // a stall or a suspend: start the rhythm again from now
            tickUs = afterUs + kPeriodUs;
        while (!stopRequested && boottimeUs() < tickUs)
            sleepUntil(tickUs);
    }
    ::unlink(target.c_str());
    return 0;
}
