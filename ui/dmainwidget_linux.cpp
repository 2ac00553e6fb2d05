#include "dmainwidget.h"

#include <QDebug>

#include "hidhotplugmonitor.h"

// udev reports hidraw nodes coming and going; the window applies the same test
// as to a Windows device broadcast.
void DMainWidget::initDeviceNotify()
{
    hotplugMonitor = new HidHotplugMonitor(this);
    QString error;
    if (!hotplugMonitor->start(&error)) {
        qDebug().noquote() << QStringLiteral("Register device failed, GetLastError:") + error +
                                  QLatin1Char('\n');
        return;
    }
    connect(hotplugMonitor, &HidHotplugMonitor::sigDeviceArrived, this,
            [this](const QString &path) { handleDeviceChange(true, path); });
    connect(hotplugMonitor, &HidHotplugMonitor::sigDeviceRemoved, this,
            [this](const QString &path) { handleDeviceChange(false, path); });
}

bool DMainWidget::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    return QWidget::nativeEvent(eventType, message, result);
}
