#include "link/serial/program_ports.h"

#include "link/serial/system_transport.h"
#include "sim/sim_ports.h"

#include <QSettings>

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace {

// How many simulated terminals the list offers: settings group "Ports",
// value "Simulated" (default 1).
int SimulatedCount()
{
    QSettings settings("TELMARQ SOFTWARE", "KVVidiRidoved");
    bool ok = false;
    const int count = settings.value("Ports/Simulated", 1).toInt(&ok);
    return ok && count >= 0 && count <= 16 ? count : 1;
}

// A device path, also one elsewhere than /dev (a link to a pseudo-terminal).
bool IsDevicePath(const std::string& name)
{
    std::error_code ec;
    return name.rfind("/dev/", 0) == 0 || std::filesystem::is_character_file(name, ec);
}

// n of a serial line named COMn; 0 for any other name.
int ComNumber(const std::string& name)
{
    if (!IsSerialLineName(name))
        return 0;
    const std::size_t at = name.find("COM");
    int number = 0;
    const char* digits = name.data() + at + 3;
    if (std::from_chars(digits, name.data() + name.size(), number).ec != std::errc() || number < 1)
        return 0;
    return number;
}

} // namespace

ProgramPorts::ProgramPorts()
    : sims(std::make_unique<SimPortsTransport>(DefaultTerminalsRoot(), SimulatedCount())),
      system(std::make_unique<SystemTransport>(*sims))
{
}

ProgramPorts::~ProgramPorts() = default;

Transport& ProgramPorts::transport()
{
    return *system;
}

std::vector<std::string> ProgramPorts::Names()
{
    std::vector<std::string> names;
    const int count = system->PortCount();
    std::vector<char> buffer(static_cast<std::size_t>(system->PortNameLength()) + 1);
    for (int i = 0; i < count; ++i) {
        std::uint32_t length = static_cast<std::uint32_t>(buffer.size());
        buffer[0] = '\0';
        system->PortName(i, buffer.data(), &length);
        names.emplace_back(buffer.data());
    }
    return names;
}

PortHandle ProgramPorts::Open(const std::string& name)
{
    if (name.empty())
        return system->PortOpen(PortKind::ListIndex, 1, {});
    const std::vector<std::string> names = Names();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return system->PortOpen(PortKind::ListIndex, static_cast<int>(i) + 1, name);
    if (IsDevicePath(name))
        return system->OpenDevice(name);
    const int number = ComNumber(name);
    return number > 0 ? system->PortOpen(PortKind::SerialNumber, number, name) : kNoPort;
}

std::string ProgramPorts::DevicePath(const std::string& name)
{
    const std::vector<std::string> names = Names();
    const auto listed = name.empty() ? names.begin() : std::find(names.begin(), names.end(), name);
    if (listed != names.end())
        return listed - names.begin() < sims->PortCount() ? std::string() : *listed;
    if (IsDevicePath(name))
        return name;
    const int number = ComNumber(name);
    return number > 0 ? system->ComPortPath(number) : std::string();
}
