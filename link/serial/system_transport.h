// system_transport.h: the program's port list as one Transport: the built-in
// simulated terminals first, then the serial lines (the system's devices, then the
// settings' extra paths). Each call goes to the transport that owns the port.
// Any thread (the rules of Transport).
#pragma once

#include "link/serial/serial_transport.h"

#include <atomic>
#include <cstdint>
#include <string>

class QSettings;

// A port name that counts as a serial line: it contains "COM" (case-sensitive) or
// begins with "/dev/". Such a line has a speed; any other name is a simulated terminal.
bool IsSerialLineName(const std::string& name);

class SystemTransport : public Transport {
public:
    // simulated: the simulated terminals' transport, not owned, outlives this.
    // settings and options as SerialTransport's.
    explicit SystemTransport(Transport& simulated, QSettings* settings = nullptr,
                             SerialOptions options = {});

    // True for a handle of a serial line, false for one of a simulated terminal.
    static bool IsSerialHandle(PortHandle port);
    // Any thread. Re-reads the serial part of the list (device change); open
    // ports of both kinds stay open.
    void Refresh();
    // Any thread. Opens a serial device by path, listed or not; kNoPort on failure.
    PortHandle OpenDevice(const std::string& path);
    // Any thread. The device COMn opens (SerialTransport::ComPortPath).
    std::string ComPortPath(int number) { return serial.ComPortPath(number); }

    // ListIndex: positions 1..(simulated count) are the simulated terminals, the
    // serial lines follow. SerialNumber: COMn. kNoPort on failure.
    PortHandle PortOpen(PortKind kind, int numberOrIndex, const std::string& name) override;
    void PortClose(PortHandle port) override;
    // Refreshes the serial part first, then counts both parts.
    int PortCount() override;
    // The longest name's length plus one for its NUL.
    int PortNameLength() override;
    void PortName(int index, char* buffer, std::uint32_t* length) override;
    void PortConfigure(PortHandle port, BaudCode baud, int a, int b, int c, int d) override;
    void PortSetReceiveEvent(PortHandle port, Event* event) override;
    void PortSetSignalEvent(PortHandle port, Event* event) override;
    std::uint32_t PortWrite(PortHandle port, std::uint32_t count,
                            const std::uint8_t* bytes) override;
    std::uint32_t PortRead(PortHandle port, std::uint8_t* buffer, std::uint32_t capacity) override;
    void PortPurge(PortHandle port) override;
    // The error of this thread's last failed open, write or configure, whichever
    // transport it came from.
    std::uint32_t PortLastError() override;

private:
    Transport& Owner(PortHandle port);
    PortHandle Adopt(PortHandle inner, bool serialLine, Transport& from);
    void NoteFailure(Transport& from);

    Transport& simulated;
    SerialTransport serial;
};
