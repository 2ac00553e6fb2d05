#ifndef QUITSIGNAL_H
#define QUITSIGNAL_H

#include <QObject>

// Turns the operating system's requests to end the program (SIGTERM at logout,
// SIGINT or SIGHUP from a terminal) into a signal on the GUI thread, so that they take
// the same orderly exit as the tray menu; SIGPIPE is ignored. One per process, created
// on first use; a request made before the event loop runs is delivered once it does.
class QuitSignalWatcher : public QObject
{
    Q_OBJECT

public:
    static QuitSignalWatcher *instance();

signals:
    void sigQuitRequested();

private:
    QuitSignalWatcher();
    void install();
};

#endif // QUITSIGNAL_H
