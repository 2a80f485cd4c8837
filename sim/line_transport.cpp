#include "sim/line_transport.h"

#include "link/event.h"
#include "link/link_status.h"
#include "sim/in_process_line.h"

#include <algorithm>
#include <cstring>

void LineTransport::AddPort(const std::string& name, std::shared_ptr<LineEnd> end)
{
    std::lock_guard lock(mutex);
    ports.push_back(Port{name, std::move(end)});
}

PortHandle LineTransport::PortOpen(PortKind kind, int index, const std::string&)
{
    std::lock_guard lock(mutex);
    if (kind != PortKind::ListIndex || index < 1 || index > static_cast<int>(ports.size())) {
        SetThreadPortError(kErrorNoSuchPort);
        return kNoPort;
    }
    Port& p = ports[static_cast<std::size_t>(index - 1)];
    if (p.open || p.end->IsClosed()) {
        SetThreadPortError(kErrorPortInUse);
        return kNoPort;
    }
    p.open = true;
    return static_cast<PortHandle>(index);
}

void LineTransport::PortClose(PortHandle port)
{
    std::lock_guard lock(mutex);
    if (port >= 1 && port <= ports.size()) {
        ports[port - 1].open = false;
        ports[port - 1].end->SetReceiveEvent(nullptr);
        ports[port - 1].signalEvent = nullptr;
    }
}

bool LineTransport::ShowDocking(int index)
{
    std::lock_guard lock(mutex);
    if (index < 1 || index > static_cast<int>(ports.size()) || !ports[index - 1].open)
        return false;
    if (Event* event = ports[index - 1].signalEvent)
        event->Set();
    return true;
}

int LineTransport::PortCount()
{
    std::lock_guard lock(mutex);
    return static_cast<int>(ports.size());
}

int LineTransport::PortNameLength()
{
    std::lock_guard lock(mutex);
    std::size_t longest = 0;
    for (const Port& p : ports)
        longest = std::max(longest, p.name.size());
    return static_cast<int>(longest);
}

void LineTransport::PortName(int index, char* buffer, std::uint32_t* length)
{
    std::lock_guard lock(mutex);
    if (!buffer || !length || *length == 0)
        return;
    const std::string name =
        index >= 0 && index < static_cast<int>(ports.size()) ? ports[index].name : std::string();
    const std::size_t n = std::min<std::size_t>(name.size(), *length - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    *length = static_cast<std::uint32_t>(name.size());
}

void LineTransport::PortConfigure(PortHandle, BaudCode, int, int, int, int) {}

void LineTransport::PortSetReceiveEvent(PortHandle port, Event* event)
{
    if (auto end = EndOf(port))
        end->SetReceiveEvent(event);
}

void LineTransport::PortSetSignalEvent(PortHandle port, Event* event)
{
    std::lock_guard lock(mutex);
    if (port >= 1 && port <= ports.size())
        ports[port - 1].signalEvent = event;
}

std::uint32_t LineTransport::PortWrite(PortHandle port, std::uint32_t count,
                                       const std::uint8_t* bytes)
{
    auto end = EndOf(port);
    if (!end) {
        SetThreadPortError(kErrorNoSuchPort);
        return 0;
    }
    const std::size_t n = end->Write(std::span(bytes, count));
    if (n != count)
        SetThreadPortError(kLineGoneError);
    return static_cast<std::uint32_t>(n);
}

std::uint32_t LineTransport::PortRead(PortHandle port, std::uint8_t* buffer, std::uint32_t capacity)
{
    auto end = EndOf(port);
    return end ? static_cast<std::uint32_t>(end->Read(buffer, capacity)) : 0;
}

void LineTransport::PortPurge(PortHandle port)
{
    if (auto end = EndOf(port))
        end->Purge();
}

std::uint32_t LineTransport::PortLastError()
{
    return ThreadPortError();
}

std::shared_ptr<LineEnd> LineTransport::EndOf(PortHandle port)
{
    std::lock_guard lock(mutex);
    if (port < 1 || port > ports.size() || !ports[port - 1].open)
        return nullptr;
    return ports[port - 1].end;
}
