// port_waiter.h: how a serial port's I/O thread sleeps until its device has input,
// has room for output or hangs up, or until another thread wakes it. Wake: any
// thread. Wait: the port's I/O thread only.
#pragma once

#include <QSerialPort>

#include <chrono>
#include <utility>

// The system's handle of an open device (a file descriptor here).
using DeviceHandle = decltype(std::declval<const QSerialPort&>().handle());

struct PortReadiness {
    bool woken = false;    // another thread called Wake
    bool readable = false; // input waits on the device
    bool writable = false; // the device takes more output
    bool hungUp = false;   // the device is gone (hang-up or error)
};

class PortWaiter {
public:
    PortWaiter();
    ~PortWaiter();
    PortWaiter(const PortWaiter&) = delete;
    PortWaiter& operator=(const PortWaiter&) = delete;

    // False when the wake-up channel could not be made.
    bool IsValid() const;
    // Any thread. The next (or current) Wait returns with woken set.
    void Wake();
    // The I/O thread. Waits for input when wantRead, for room when wantWrite, and
    // always for a hang-up or a Wake. A negative timeout waits without limit; an
    // empty result means the time ran out (or a signal interrupted the wait).
    PortReadiness Wait(DeviceHandle device, bool wantRead, bool wantWrite,
                       std::chrono::milliseconds timeout);

private:
    int wakeFd = -1;
};
