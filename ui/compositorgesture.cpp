#include "compositorgesture.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace {

QWindow *waylandHandle(QWidget *window)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return nullptr;
    return window->windowHandle();
}

} // namespace

bool startCompositorMove(QWidget *window)
{
    QWindow *handle = waylandHandle(window);
    return handle && handle->startSystemMove();
}

bool startCompositorResize(QWidget *window, EdgeRegion region)
{
    QWindow *handle = waylandHandle(window);
    return handle && region != EdgeNone && handle->startSystemResize(edgesFor(region));
}
