// program_services.h: what a connection and its window take from the program,
// handed to them when they are made: the port list and transport, the reaper
// that ends closed connections, the device changes, the clock switch and the
// conversion settings. The application provides it; tests may provide their own.
// GUI thread, except the clock switch, which workers read.
#pragma once

#include "convert/convert_settings.h"

#include <QStringList>

#include <atomic>

class ConnectionReaper;
class MessageSink;
class DeviceMonitor;
class ProgramPorts;
class Transport;

class ProgramServices {
public:
    virtual ~ProgramServices() = default;
    // The transport every connection opens its port through, and its list.
    virtual Transport& transport() = 0;
    virtual QStringList PortNames() = 0;
    // The program's own ports (for a device's path in advice); null while a
    // test's transport is in place.
    virtual ProgramPorts* programPorts() = 0;
    virtual ConnectionReaper& reaper() = 0;
    // Where lines for the message window and the transfer log go.
    virtual MessageSink& messages() = 0;
    virtual DeviceMonitor& deviceMonitor() = 0;
    // "Setting/ClockSynchronization", switched from the menu; the clock workers read it.
    virtual std::atomic<int>& clockSwitch() = 0;
    // How the next connection opens: 0 the dialog, 1 the transmission list,
    // else the registry's port and speed. A connection that opened sets it to 0.
    virtual std::atomic<int>& startMode() = 0;
    // Whether files sent to a terminal are converted first, and how.
    virtual bool convertOnSend() const = 0;
    virtual ConvertSettings convertSettings() const = 0;
};
