// pty_pair.h: a pseudo-terminal for the serial tests. The back-end opens the
// device by its path; the test plays the far end on the master descriptor.
#pragma once

#include "link/event.h"
#include "link/transport.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

using namespace std::chrono_literals;

using Bytes = std::vector<std::uint8_t>;

// <termios.h> defines B9600 and its kin as macros, which hide BaudCode's names.
inline BaudCode Baud(int code)
{
    return static_cast<BaudCode>(code);
}

// A safety net against a hung test, never a measure of speed.
inline constexpr std::chrono::milliseconds kPatience = 10s;

class PtyPair {
public:
    PtyPair()
    {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            ::close(slave); // the pseudo-terminal stays while the master is open
            path = name;
        }
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master >= 0 && !path.empty(); }
    void CloseMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    // Exactly bytes.size() bytes into the master, false when it failed.
    bool Write(const Bytes& bytes) const
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    // n bytes from the master, fewer when kPatience ran out.
    Bytes Read(std::size_t n) const
    {
        Bytes out(n);
        std::size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (got < n && std::chrono::steady_clock::now() < deadline) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const ssize_t r = ::read(master, out.data() + got, n - got);
            if (r <= 0)
                break;
            got += static_cast<std::size_t>(r);
        }
        out.resize(got);
        return out;
    }

    int master = -1;
    std::string path;
};

// n bytes through the receive event and PortRead in reads of at most chunk
// bytes; fewer when kPatience ran out.
inline Bytes ReceiveBytes(Transport& transport, PortHandle port, Event& event, std::size_t n,
                          std::size_t chunk = 4096)
{
    Bytes out, buffer(chunk);
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (out.size() < n && std::chrono::steady_clock::now() < deadline) {
        if (!event.Wait(100ms))
            continue;
        const auto want = static_cast<std::uint32_t>(std::min(chunk, n - out.size()));
        const std::uint32_t got = transport.PortRead(port, buffer.data(), want);
        out.insert(out.end(), buffer.begin(), buffer.begin() + got);
    }
    return out;
}

// n bytes that take every value and do not repeat every 256 bytes.
inline Bytes Pattern(std::size_t n, std::uint8_t seed = 0)
{
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + seed + (i >> 8));
    return bytes;
}
