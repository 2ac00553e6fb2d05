#include "journalstream.h"

// There is no systemd journal here.
bool standardOutputIsJournal()
{
    return false;
}
