// sim_ports.h: the built-in simulated terminals as a Transport, ports SIM1..SIMn.
// Opening one makes a fresh in-process line and starts a SimTerminal on its far
// end, with its disks under ROOT/SIMi (sample files the first time, kept between
// runs); closing stops the terminal. Any thread (Transport's rules).
#pragma once

#include "link/transport.h"
#include "sim/in_process_line.h"
#include "sim/sim_terminal.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>

// Transport error: the simulated terminal could not start (its folder cannot be made).
inline constexpr std::uint32_t kErrorTerminalFailed = 31;

// The user's folder of simulated terminals: $XDG_DATA_HOME (else
// ~/.local/share) + "KVVidiRidoved/terminals".
std::filesystem::path DefaultTerminalsRoot();

class SimPortsTransport : public Transport {
public:
    // count ports; every terminal gets the settings of base, with its own root.
    SimPortsTransport(std::filesystem::path root, int count, SimTerminalConfig base = {});
    ~SimPortsTransport() override;
    SimPortsTransport(const SimPortsTransport&) = delete;
    SimPortsTransport& operator=(const SimPortsTransport&) = delete;

    // "SIM1" for index 1.
    static std::string SimPortName(int index);
    // The terminal behind an open port (by handle, or by 1-based list
    // position), or null when that port is not open.
    std::shared_ptr<SimTerminal> TerminalOf(PortHandle port);
    std::shared_ptr<SimTerminal> TerminalAt(int index);
    // Faults on what the PC sends through an open port (the terminal's own
    // are SimTerminal::SetFaults). False when the port is not open.
    bool SetPcFaults(PortHandle port, const LineFaults& faults);
    // The terminal at 1-based list position index was set into its cradle: sets
    // the port's signal event. False when that port is not open.
    bool ShowDocking(int index);

    PortHandle PortOpen(PortKind kind, int numberOrIndex, const std::string& name) override;
    void PortClose(PortHandle port) override;
    int PortCount() override { return count; }
    int PortNameLength() override;
    void PortName(int index, char* buffer, std::uint32_t* length) override;
    void PortConfigure(PortHandle, BaudCode, int, int, int, int) override {}
    void PortSetReceiveEvent(PortHandle port, Event* event) override;
    void PortSetSignalEvent(PortHandle port, Event* event) override;
    std::uint32_t PortWrite(PortHandle port, std::uint32_t count,
                            const std::uint8_t* bytes) override;
    std::uint32_t PortRead(PortHandle port, std::uint8_t* buffer, std::uint32_t capacity) override;
    void PortPurge(PortHandle port) override;
    std::uint32_t PortLastError() override { return ThreadPortError(); }

private:
    struct OpenPort {
        int index = 0;
        std::shared_ptr<LineEnd> end; // the PC's end of the line
        std::shared_ptr<SimTerminal> terminal;
        Event* signalEvent = nullptr; // set and used under mutex
    };
    std::shared_ptr<LineEnd> EndOf(PortHandle port);

    const std::filesystem::path root;
    const int count;
    const SimTerminalConfig base;
    std::mutex mutex;
    std::map<PortHandle, OpenPort> open;
    PortHandle nextHandle = 1;
};
