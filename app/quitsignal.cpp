#include "quitsignal.h"

QuitSignalWatcher::QuitSignalWatcher()
{
    install();
}

QuitSignalWatcher *QuitSignalWatcher::instance()
{
    static QuitSignalWatcher *watcher = new QuitSignalWatcher;
    return watcher;
}
