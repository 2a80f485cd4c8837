// transport.h: the twelve calls through which every byte to and from a terminal
// passes. PortRead runs on a link's receive thread while PortWrite and PortPurge
// run on the operation's thread, on the same handle: implementations make that safe.
#pragma once

#include <cstdint>
#include <string>

class Event;

using PortHandle = std::uintptr_t; // 0: the port could not be opened
inline constexpr PortHandle kNoPort = 0;

enum class PortKind : int {
    SerialNumber = 1, // a serial port by number (COMn)
    ListIndex = 2,    // the transport's own port by 1-based index in its list
    DevicePath = 3,   // a serial line by its device path, the name as given
};

// Speed codes of PortConfigure.
enum class BaudCode : int { B4800 = 1, B9600, B19200, B38400, B57600, B115200 };
int BaudRate(BaudCode code); // bits per second; 0 for a code outside 1-6

class Transport {
public:
    virtual ~Transport() = default;

    // Handle of the opened port, kNoPort when it cannot be opened.
    virtual PortHandle PortOpen(PortKind kind, int numberOrIndex, const std::string& name) = 0;
    virtual void PortClose(PortHandle port) = 0;
    virtual int PortCount() = 0;
    // Length of the longest name in the list. Callers size their name buffer to
    // at least this; the program's own list counts the NUL too, so that such a
    // buffer holds every name whole.
    virtual int PortNameLength() = 0;
    // Writes the NUL-terminated name of entry index (0-based) into buffer, at
    // most *length bytes with the NUL; *length is set to the name's length.
    virtual void PortName(int index, char* buffer, std::uint32_t* length) = 0;
    // 8 data bits, no parity, 1 stop bit, no flow control; the four fixed
    // arguments are 0, 0, 0, 1.
    virtual void PortConfigure(PortHandle port, BaudCode baud, int a, int b, int c, int d) = 0;
    // The transport sets the event while received bytes wait and resets it
    // when a PortRead has taken them all.
    virtual void PortSetReceiveEvent(PortHandle port, Event* event) = 0;
    virtual void PortSetSignalEvent(PortHandle port, Event* event) = 0;
    // Bytes written; anything but count is a failure (see PortLastError).
    virtual std::uint32_t PortWrite(PortHandle port, std::uint32_t count,
                                    const std::uint8_t* bytes) = 0;
    // Bytes read, 0 when none wait. Never blocks.
    virtual std::uint32_t PortRead(PortHandle port, std::uint8_t* buffer,
                                   std::uint32_t capacity) = 0;
    // Discards the received bytes that wait to be read.
    virtual void PortPurge(PortHandle port) = 0;
    // Error of the calling thread's last failure; kLineGoneError when the line
    // is gone. A failure on one thread is never reported on another.
    virtual std::uint32_t PortLastError() = 0;
};

// The per-thread value behind PortLastError, shared by the implementations:
// each thread (one connection's operation, another's, a port scan) sees only
// the failures of its own calls. Any thread.
void SetThreadPortError(std::uint32_t error);
std::uint32_t ThreadPortError();
