#include "windowtray.h"

#include "shell/appconfig.h"

#include <QAction>
#include <QApplication>
#include <QDesktopWidget>
#include <QMenu>

WindowTray::WindowTray(const AppConfig &config, QObject *parent) : QObject(parent)
{
    auto *openAction = new QAction(QStringLiteral("Open ") + config.appName, this);
    auto *exitAction = new QAction(QStringLiteral("Exit"), this);
    connect(openAction, &QAction::triggered, this, &WindowTray::sigOpenRequested);
    connect(exitAction, &QAction::triggered, this, &WindowTray::sigExitRequested);
    trayMenu = new QMenu(QApplication::desktop());
    trayMenu->addAction(openAction);
    trayMenu->addSeparator();
    trayMenu->addAction(exitAction);

    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    trayIcon = new QSystemTrayIcon(this);
    trayIcon->setIcon(QIcon(config.appIcoSel01));
    trayIcon->setToolTip(config.appName);
    trayIcon->setContextMenu(trayMenu);
    trayIcon->show();
    connect(trayIcon, &QSystemTrayIcon::activated, this, &WindowTray::sigActivated);
}

void WindowTray::hideIcon()
{
    if (trayIcon)
        trayIcon->hide();
}
