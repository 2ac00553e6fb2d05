#include "journalstream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

bool findStandardOutputIsJournal()
{
    const char *value = std::getenv("JOURNAL_STREAM");
    if (!value)
        return false;
    struct stat status;
    if (fstat(STDOUT_FILENO, &status) != 0)
        return false;
    return journalStreamNames(value, static_cast<std::uint64_t>(status.st_dev),
                              static_cast<std::uint64_t>(status.st_ino));
}

} // namespace

bool standardOutputIsJournal()
{
    static const bool journal = findStandardOutputIsJournal();
    return journal;
}
