#ifndef WINDOWTRAY_H
#define WINDOWTRAY_H

#include <QObject>
#include <QSystemTrayIcon>

class QMenu;
struct AppConfig;

// The window's tray icon and its menu: "Open <name>", a separator, "Exit". The icon
// exists only where the desktop has a tray; the menu always does.
class WindowTray : public QObject
{
    Q_OBJECT

public:
    WindowTray(const AppConfig &config, QObject *parent);

    QMenu *menu() const { return trayMenu; }
    void hideIcon();
    // Whether the icon exists: without it a hidden window could never be found again.
    bool hasIcon() const { return trayIcon != nullptr; }

signals:
    void sigOpenRequested();
    void sigExitRequested();
    void sigActivated(QSystemTrayIcon::ActivationReason reason);

private:
    QMenu *trayMenu = nullptr;
    QSystemTrayIcon *trayIcon = nullptr;
};

#endif // WINDOWTRAY_H
