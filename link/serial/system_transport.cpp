#include "link/serial/system_transport.h"

#include <algorithm>
#include <vector>

namespace {

// The two transports hand out their own handles; the lowest bit tells them apart.
constexpr PortHandle kSerialTag = 1;

PortHandle Inner(PortHandle port)
{
    return port >> 1;
}

std::string NameAt(Transport& transport, int index)
{
    std::vector<char> buffer(static_cast<std::size_t>(std::max(transport.PortNameLength(), 0)) + 1);
    auto length = static_cast<std::uint32_t>(buffer.size());
    transport.PortName(index, buffer.data(), &length);
    buffer.back() = '\0';
    return buffer.data();
}

} // namespace

bool IsSerialLineName(const std::string& name)
{
    return name.find("COM") != std::string::npos || name.rfind("/dev/", 0) == 0;
}

SystemTransport::SystemTransport(Transport& simulatedPorts, QSettings* settings,
                                 SerialOptions options)
    : simulated(simulatedPorts), serial(settings, std::move(options))
{
}

bool SystemTransport::IsSerialHandle(PortHandle port)
{
    return (port & kSerialTag) != 0;
}

void SystemTransport::Refresh()
{
    serial.Refresh();
}

PortHandle SystemTransport::OpenDevice(const std::string& path)
{
    return Adopt(serial.OpenDevice(path), true, serial);
}

PortHandle SystemTransport::PortOpen(PortKind kind, int numberOrIndex, const std::string& name)
{
    if (kind == PortKind::ListIndex) {
        if (numberOrIndex < 1) {
            SetThreadPortError(kSerialNoSuchDevice);
            return kNoPort;
        }
        const int simulatedCount = simulated.PortCount();
        if (numberOrIndex <= simulatedCount)
            return Adopt(simulated.PortOpen(kind, numberOrIndex, name), false, simulated);
        return Adopt(serial.PortOpen(kind, numberOrIndex - simulatedCount, name), true, serial);
    }
    return Adopt(serial.PortOpen(kind, numberOrIndex, name), true, serial);
}

void SystemTransport::PortClose(PortHandle port)
{
    if (port != kNoPort)
        Owner(port).PortClose(Inner(port));
}

int SystemTransport::PortCount()
{
    return simulated.PortCount() + serial.PortCount();
}

int SystemTransport::PortNameLength()
{
    // The simulated side may count its longest name without the NUL.
    return std::max(simulated.PortNameLength() + 1, serial.PortNameLength());
}

void SystemTransport::PortName(int index, char* buffer, std::uint32_t* length)
{
    const int simulatedCount = simulated.PortCount();
    std::string name;
    if (index >= 0 && index < simulatedCount)
        name = NameAt(simulated, index);
    else if (index >= simulatedCount)
        name = NameAt(serial, index - simulatedCount);
    CopyPortName(name, buffer, length);
}

void SystemTransport::PortConfigure(PortHandle port, BaudCode baud, int a, int b, int c, int d)
{
    if (!IsSerialHandle(port)) {
        simulated.PortConfigure(Inner(port), baud, a, b, c, d);
        return;
    }
    if (const std::uint32_t error = serial.ConfigureLine(Inner(port), baud); error != 0)
        SetThreadPortError(error);
}

void SystemTransport::PortSetReceiveEvent(PortHandle port, Event* event)
{
    Owner(port).PortSetReceiveEvent(Inner(port), event);
}

void SystemTransport::PortSetSignalEvent(PortHandle port, Event* event)
{
    Owner(port).PortSetSignalEvent(Inner(port), event);
}

std::uint32_t SystemTransport::PortWrite(PortHandle port, std::uint32_t count,
                                         const std::uint8_t* bytes)
{
    Transport& owner = Owner(port);
    const std::uint32_t written = owner.PortWrite(Inner(port), count, bytes);
    if (written != count)
        NoteFailure(owner);
    return written;
}

std::uint32_t SystemTransport::PortRead(PortHandle port, std::uint8_t* buffer,
                                        std::uint32_t capacity)
{
    return Owner(port).PortRead(Inner(port), buffer, capacity);
}

void SystemTransport::PortPurge(PortHandle port)
{
    Owner(port).PortPurge(Inner(port));
}

std::uint32_t SystemTransport::PortLastError()
{
    return ThreadPortError();
}

Transport& SystemTransport::Owner(PortHandle port)
{
    if (IsSerialHandle(port))
        return serial;
    return simulated;
}

PortHandle SystemTransport::Adopt(PortHandle inner, bool serialLine, Transport& from)
{
    if (inner == kNoPort) {
        NoteFailure(from);
        return kNoPort;
    }
    return inner << 1 | (serialLine ? kSerialTag : 0);
}

void SystemTransport::NoteFailure(Transport& from)
{
    SetThreadPortError(from.PortLastError());
}
