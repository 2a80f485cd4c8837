// program_ports.h: the program's port list as one transport: the built-in
// simulated terminals (SIM1, ...) first, then the system's serial lines and the
// extra device paths of the settings. The caller's thread.
#pragma once

#include "link/transport.h"

#include <memory>
#include <string>
#include <vector>

class SimPortsTransport;
class SystemTransport;

class ProgramPorts {
public:
    ProgramPorts();
    ~ProgramPorts();
    ProgramPorts(const ProgramPorts&) = delete;
    ProgramPorts& operator=(const ProgramPorts&) = delete;

    Transport& transport();
    // The built-in simulated terminals, first in the list.
    SimPortsTransport& simulated() { return *sims; }
    // The port list, in list order.
    std::vector<std::string> Names();
    // Opens a port by name (empty: the first of the list): a list entry by its
    // position, a serial line (COMn, /dev/...) by name. kNoPort on failure.
    PortHandle Open(const std::string& name);
    // The serial device Open(name) opens: a listed serial line's path, a device
    // path as given, or the device COMn stands for (the settings' "Ports/COMn",
    // else /dev/ttyS(n-1)). Empty for a simulated terminal or an unknown name.
    std::string DevicePath(const std::string& name);

private:
    std::unique_ptr<SimPortsTransport> sims;
    std::unique_ptr<SystemTransport> system;
};
