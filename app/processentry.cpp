#include "processentry.h"

bool isStartedByTask(const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == startupByTaskArgument())
            return true;
    }
    return false;
}

const char *startedByTaskLine(bool startedByTask)
{
    return startedByTask ? "Program was started by Task Scheduler."
                         : "Program was not started by Task Scheduler.";
}
