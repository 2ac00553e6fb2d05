#ifndef POWERHELPERFILE_H
#define POWERHELPERFILE_H

// The file through which quillon-powerd hands the CPU package power to
// ordinary users: "run/quillon/cpu-power" below the root, two lines
//   watts=25.0
//   boottime_ns=123456789000
// The time is CLOCK_BOOTTIME, so that a suspend makes the file stale as well.

#include "sysroot.h"

#include <cstdint>
#include <string>
#include <string_view>

constexpr const char *kPowerHelperFile = "run/quillon/cpu-power";
// A reader takes a value younger than this; the helper writes every second.
constexpr uint64_t kPowerHelperFreshNs = 3000000000ULL;

// The file's content for one measurement; watts rounded to 0.1.
std::string formatPowerHelperFile(double watts, uint64_t measuredBoottimeNs);

// The watts of `text` when it was measured less than kPowerHelperFreshNs before
// `nowBoottimeNs`. False for a stale, future-dated or malformed text, and for a
// figure above kMaxPlausibleWatts.
bool freshPowerHelperWatts(std::string_view text, uint64_t nowBoottimeNs, double *watts);

// CLOCK_BOOTTIME in nanoseconds.
uint64_t boottimeNs();

// The helper file's watts when it is fresh now. The file is opened without
// following a symbolic link and without blocking, and must be a regular file
// that neither group nor others may write, owned by root or by the owner of
// its folder: systemd makes that folder in root's /run for the helper's user.
bool readPowerHelperFile(const SysRoot &root, double *watts);

#endif // POWERHELPERFILE_H
