#include "sim/sim_ports.h"

#include "link/event.h"
#include "link/link_status.h"
#include "sim/line_transport.h"
#include "sim/sample_files.h"
#include "sim/terminal_port.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <system_error>

std::filesystem::path DefaultTerminalsRoot()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base;
    if (dataHome && *dataHome == '/')
        base = dataHome;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        base = std::filesystem::temp_directory_path();
    return base / "KVVidiRidoved" / "terminals";
}

SimPortsTransport::SimPortsTransport(std::filesystem::path rootFolder, int ports,
                                     SimTerminalConfig baseConfig)
    : root(std::move(rootFolder)), count(std::max(ports, 0)), base(std::move(baseConfig))
{
}

SimPortsTransport::~SimPortsTransport()
{
    std::vector<PortHandle> handles;
    {
        std::lock_guard lock(mutex);
        for (const auto& [handle, port] : open)
            handles.push_back(handle);
    }
    for (const PortHandle handle : handles)
        PortClose(handle);
}

std::string SimPortsTransport::SimPortName(int index)
{
    return "SIM" + std::to_string(index);
}

std::shared_ptr<SimTerminal> SimPortsTransport::TerminalOf(PortHandle port)
{
    std::lock_guard lock(mutex);
    const auto it = open.find(port);
    return it == open.end() ? nullptr : it->second.terminal;
}

std::shared_ptr<SimTerminal> SimPortsTransport::TerminalAt(int index)
{
    std::lock_guard lock(mutex);
    for (const auto& [handle, port] : open)
        if (port.index == index)
            return port.terminal;
    return nullptr;
}

bool SimPortsTransport::SetPcFaults(PortHandle port, const LineFaults& faults)
{
    const auto end = EndOf(port);
    if (end)
        end->SetFaults(faults);
    return end != nullptr;
}

PortHandle SimPortsTransport::PortOpen(PortKind kind, int index, const std::string&)
{
    std::lock_guard lock(mutex);
    if (kind != PortKind::ListIndex || index < 1 || index > count) {
        SetThreadPortError(kErrorNoSuchPort);
        return kNoPort;
    }
    if (std::any_of(open.begin(), open.end(),
                    [&](const auto& p) { return p.second.index == index; })) {
        SetThreadPortError(kErrorPortInUse);
        return kNoPort;
    }
    SimTerminalConfig config = base;
    config.root = root / SimPortName(index);
    // Each built-in terminal has a serial number of its own, as real ones do:
    // collections name a terminal's folder after it.
    if (config.identity.serial == TerminalIdentity{}.serial) {
        const std::string number = std::to_string(index);
        config.identity.serial =
            std::string(8 - std::min<std::size_t>(8, number.size()), '0') + number;
    }
    std::error_code ec;
    const bool fresh = !std::filesystem::exists(config.root, ec);
    auto [pcEnd, terminalEnd] = MakeInProcessLine();
    auto terminal =
        std::make_shared<SimTerminal>(std::move(config), std::make_unique<LinePort>(terminalEnd));
    // A new terminal comes with sample files; a known one keeps what it had.
    if (fresh && terminal->Storage().Prepare())
        SeedSampleFiles(terminal->Storage());
    if (!terminal->Start()) {
        SetThreadPortError(kErrorTerminalFailed);
        return kNoPort;
    }
    const PortHandle handle = nextHandle++;
    open.emplace(handle, OpenPort{index, pcEnd, std::move(terminal)});
    return handle;
}

void SimPortsTransport::PortClose(PortHandle port)
{
    OpenPort closing;
    {
        std::lock_guard lock(mutex);
        const auto it = open.find(port);
        if (it == open.end())
            return;
        closing = std::move(it->second);
        open.erase(it);
    }
    closing.terminal->Stop();
    closing.end->SetReceiveEvent(nullptr);
    closing.end->Close();
}

int SimPortsTransport::PortNameLength()
{
    return static_cast<int>(SimPortName(std::max(count, 1)).size());
}

void SimPortsTransport::PortName(int index, char* buffer, std::uint32_t* length)
{
    if (!buffer || !length || *length == 0)
        return;
    const std::string name = index >= 0 && index < count ? SimPortName(index + 1) : std::string();
    const std::size_t n = std::min<std::size_t>(name.size(), *length - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    *length = static_cast<std::uint32_t>(name.size());
}

void SimPortsTransport::PortSetReceiveEvent(PortHandle port, Event* event)
{
    if (auto end = EndOf(port))
        end->SetReceiveEvent(event);
}

void SimPortsTransport::PortSetSignalEvent(PortHandle port, Event* event)
{
    std::lock_guard lock(mutex);
    if (const auto it = open.find(port); it != open.end())
        it->second.signalEvent = event;
}

bool SimPortsTransport::ShowDocking(int index)
{
    std::lock_guard lock(mutex);
    for (auto& [handle, port] : open) {
        if (port.index != index)
            continue;
        if (port.signalEvent)
            port.signalEvent->Set();
        return true;
    }
    return false;
}

std::uint32_t SimPortsTransport::PortWrite(PortHandle port, std::uint32_t n,
                                           const std::uint8_t* bytes)
{
    const auto end = EndOf(port);
    if (!end) {
        SetThreadPortError(kErrorNoSuchPort);
        return 0;
    }
    const std::size_t written = end->Write(std::span(bytes, n));
    if (written != n)
        SetThreadPortError(kLineGoneError);
    return static_cast<std::uint32_t>(written);
}

std::uint32_t SimPortsTransport::PortRead(PortHandle port, std::uint8_t* buffer,
                                          std::uint32_t capacity)
{
    const auto end = EndOf(port);
    return end ? static_cast<std::uint32_t>(end->Read(buffer, capacity)) : 0;
}

void SimPortsTransport::PortPurge(PortHandle port)
{
    if (const auto end = EndOf(port))
        end->Purge();
}

std::shared_ptr<LineEnd> SimPortsTransport::EndOf(PortHandle port)
{
    std::lock_guard lock(mutex);
    const auto it = open.find(port);
    return it == open.end() ? nullptr : it->second.end;
}
