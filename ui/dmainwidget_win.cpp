#include "dmainwidget.h"

#include "hidhotplugmonitor.h"

void DMainWidget::initDeviceNotify()
{
    // Each failed class is logged by the registration itself.
    registerHidDeviceNotifications(static_cast<quintptr>(winId()));
}

bool DMainWidget::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(eventType)
    Q_UNUSED(result)
    bool arrival = false;
    QString path;
    if (parseDeviceChangeMessage(message, &arrival, &path))
        handleDeviceChange(arrival, path);
    return false;
}
