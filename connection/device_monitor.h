// device_monitor.h: tells the GUI thread that serial devices came or went. One
// back-end per system (device_monitor_linux.cpp: libudev, tty subsystem). GUI thread.
#pragma once

#include <QObject>

#include <memory>

class DeviceMonitor : public QObject {
    Q_OBJECT
public:
    explicit DeviceMonitor(QObject* parent = nullptr);
    ~DeviceMonitor() override;
    // False when the system gives no notices (the list is then read only on demand).
    bool Active() const;

signals:
    void DevicesChanged();

private:
    struct Backend;
    std::unique_ptr<Backend> backend;
};
