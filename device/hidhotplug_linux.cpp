#include "hidhotplugmonitor.h"

#include "mainhidinterface.h"

#include <QDebug>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <libudev.h>

namespace {
// udevd's control socket: without it no "udev" events are ever sent.
const char kUdevControlPath[] = "/run/udev/control";
// Bounds one activation; the notifier fires again while more is waiting.
constexpr int kMaxEventsPerActivation = 64;
// Without udev the display is looked for this often: one narrow enumeration.
constexpr int kPollIntervalMs = 5000;

} // namespace

struct HidHotplugMonitor::Private
{
    udev *context = nullptr;
    udev_monitor *monitor = nullptr;
    QSocketNotifier *notifier = nullptr;
    QTimer *pollTimer = nullptr;
    QString polledPath; // the display the last poll saw

    ~Private()
    {
        delete pollTimer;
        delete notifier;
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
    }
};

HidHotplugMonitor::HidHotplugMonitor(QObject *parent) : QObject(parent), d(new Private) {}

HidHotplugMonitor::~HidHotplugMonitor() = default;

bool HidHotplugMonitor::start(quintptr windowHandle, QString *error)
{
    Q_UNUSED(windowHandle)
    auto fail = [error](const QString &why) {
        qDebug().noquote() << QStringLiteral("Register device failed, GetLastError:") + why +
                                  QLatin1Char('\n');
        if (error)
            *error = why;
        return false;
    };
    if (d->notifier)
        return true;
    if (!QFileInfo::exists(QLatin1String(kUdevControlPath))) {
        const QString why = QStringLiteral("no udev daemon is running (%1 is missing)")
                                .arg(QLatin1String(kUdevControlPath));
        startPolling(why);
        return fail(why);
    }

    std::unique_ptr<Private> next(new Private);
    next->context = udev_new();
    if (!next->context)
        return fail(QStringLiteral("udev_new failed"));
    next->monitor = udev_monitor_new_from_netlink(next->context, "udev");
    if (!next->monitor)
        return fail(QStringLiteral("udev_monitor_new_from_netlink failed"));
    if (udev_monitor_filter_add_match_subsystem_devtype(next->monitor, "hidraw", nullptr) < 0)
        return fail(QStringLiteral("udev_monitor_filter_add_match_subsystem_devtype failed"));
    if (udev_monitor_enable_receiving(next->monitor) < 0)
        return fail(QStringLiteral("udev_monitor_enable_receiving failed"));
    const int fd = udev_monitor_get_fd(next->monitor);
    if (fd < 0)
        return fail(QStringLiteral("udev_monitor_get_fd failed"));

    next->notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    connect(next->notifier, &QSocketNotifier::activated, this,
            &HidHotplugMonitor::onMonitorReadable);
    d = std::move(next);
    return true;
}

void HidHotplugMonitor::onMonitorReadable()
{
    for (int i = 0; i < kMaxEventsPerActivation; ++i) {
        udev_device *device = udev_monitor_receive_device(d->monitor);
        if (!device)
            return;
        // On "remove" sysfs is already gone: the event's own strings are all there is.
        const HotplugEvent event =
            translateUdevEvent(udev_device_get_action(device), udev_device_get_syspath(device));
        udev_device_unref(device);
        if (event.kind != HotplugEvent::None)
            handleBroadcast(event.kind == HotplugEvent::Arrival, event.path);
    }
}

void HidHotplugMonitor::startPolling(const QString &why)
{
    if (d->pollTimer)
        return;
    qDebug().noquote()
        << QStringLiteral("Hot-plug works by polling every %1 s: ").arg(kPollIntervalMs / 1000) +
               why;
    d->pollTimer = new QTimer;
    connect(d->pollTimer, &QTimer::timeout, this, [this] {
        const QString path = listedDisplayPaths().value(0);
        if (path == d->polledPath)
            return;
        // The IDs in the text let receivers tell the display's events apart.
        const QString previous = d->polledPath;
        d->polledPath = path;
        if (!previous.isEmpty())
            handleBroadcast(false, previous + QStringLiteral(" (5131:2007)"));
        if (!path.isEmpty())
            handleBroadcast(true, path + QStringLiteral(" (5131:2007)"));
    });
    d->pollTimer->start(kPollIntervalMs);
}

bool HidHotplugMonitor::handleNativeEvent(void *message)
{
    // Device events come from udev, not through the window.
    Q_UNUSED(message)
    return false;
}
