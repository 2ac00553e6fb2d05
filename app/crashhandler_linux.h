#ifndef CRASHHANDLER_LINUX_H
#define CRASHHANDLER_LINUX_H

// The System V segment of the single-instance guard. Before it starts the new
// instance, the restart watcher waits until no process but itself is attached to it,
// so the new instance does not find the dying one still holding the guard.
void setCrashRestartGuardSegment(int shmId);

#endif // CRASHHANDLER_LINUX_H
