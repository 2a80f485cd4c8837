// fd_port.h: a TerminalPort over a POSIX file descriptor: the master side of a
// pseudo-terminal made for the PC, or a real serial device (8N1, raw, no flow
// control). The terminal's thread reads and writes; PeerPresent may be asked
// from any thread.
#pragma once

#include "sim/terminal_port.h"

#include <atomic>
#include <memory>
#include <string>

class FdPort : public TerminalPort {
public:
    ~FdPort() override;
    FdPort(const FdPort&) = delete;
    FdPort& operator=(const FdPort&) = delete;

    // A new pseudo-terminal whose PC side (the slave) is raw; its path goes to
    // *slavePath. Null on failure (errno tells why).
    static std::unique_ptr<FdPort> OpenPseudoTerminal(std::string* slavePath);
    // A serial device at baud bits per second. Null on failure (errno tells
    // why; EINVAL for a speed the system does not offer).
    static std::unique_ptr<FdPort> OpenSerialDevice(const std::string& path, int baud);

    // True while a PC holds the line open: the slave of a pseudo-terminal is
    // open; a serial device always.
    bool PeerPresent() const;
    // The terminal is set into its cradle: DTR drops for a moment and rises
    // again, which a null-modem cable carries to the PC's DSR and DCD. False on a
    // pseudo-terminal, which has no modem lines, or when the device refuses.
    bool ShowDocking();
    // The terminal is set into its cradle (DTR rises) or taken out (it falls).
    // False on a pseudo-terminal or when the device refuses.
    bool SetCradleLines(bool docked);

    std::size_t Read(std::uint8_t* buffer, std::size_t capacity,
                     std::chrono::milliseconds timeout) override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    void Purge() override;
    bool IsGone() const override { return gone.load(); }

private:
    FdPort(int fd, bool pseudoTerminal);

    const int fd;
    const bool pseudoTerminal;
    std::atomic<bool> gone{false};
};
