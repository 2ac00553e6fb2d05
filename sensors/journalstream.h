#ifndef JOURNALSTREAM_H
#define JOURNALSTREAM_H

#include <cstdint>

// systemd sets JOURNAL_STREAM to "<device>:<inode>" (decimal) of the stream it connects
// to a service's standard output. True when `value` names exactly that device and inode;
// a null, empty or malformed value names nothing.
bool journalStreamNames(const char *value, std::uint64_t device, std::uint64_t inode);

// Whether standard output is the systemd journal: JOURNAL_STREAM set and naming the
// stream that standard output is now (a child may have inherited the variable with
// another output). Found once, on the first call.
bool standardOutputIsJournal();

#endif // JOURNALSTREAM_H
