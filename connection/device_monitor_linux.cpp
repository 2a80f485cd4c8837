#include "connection/device_monitor.h"

#include <QSocketNotifier>

#include <libudev.h>

struct DeviceMonitor::Backend {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;

    ~Backend()
    {
        notifier.reset();
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
    }
};

DeviceMonitor::DeviceMonitor(QObject* parent)
    : QObject(parent), backend(std::make_unique<Backend>())
{
    backend->context = udev_new();
    if (!backend->context)
        return;
    backend->monitor = udev_monitor_new_from_netlink(backend->context, "udev");
    if (!backend->monitor)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(backend->monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(backend->monitor) < 0) {
        udev_monitor_unref(backend->monitor);
        backend->monitor = nullptr;
        return;
    }
    const int fd = udev_monitor_get_fd(backend->monitor);
    backend->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(backend->notifier.get(), &QSocketNotifier::activated, this, [this] {
        // Drain every waiting notice, then report once.
        while (udev_device* device = udev_monitor_receive_device(backend->monitor))
            udev_device_unref(device);
        emit DevicesChanged();
    });
}

DeviceMonitor::~DeviceMonitor() = default;

bool DeviceMonitor::Active() const
{
    return backend->notifier != nullptr;
}
