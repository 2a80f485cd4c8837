// lossy_relay.h: a noisy cable between two pseudo-terminals. It opens the device
// a terminal program serves (kvsim's --pty link), makes a fresh pseudo-terminal
// for the PC side, and copies bytes both ways on its own thread, flipping and
// losing them at seeded rates. It keeps what it delivered each way, so that a
// test can tell what the line really handed to each side.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

struct RelayFaults {
    double corruptRate = 0; // probability that any one byte is flipped
    double dropRate = 0;    // probability that any one byte is lost
    std::uint32_t seed = 1;
    bool towardsPc = true; // false: only what the PC sends is spoiled
};

enum class Towards { Terminal, Pc };

class LossyRelay {
public:
    // terminalDevice: the device the terminal program listens on.
    LossyRelay(const std::string& terminalDevice, RelayFaults f) : faults(f), random(f.seed)
    {
        termios raw{};
        cfmakeraw(&raw);
        int slave = -1;
        char name[256] = {};
        if (::openpty(&pcMaster, &slave, name, &raw, nullptr) != 0)
            return;
        ::close(slave); // the PC opens it by name
        pcPath = name;
        terminal = ::open(terminalDevice.c_str(), O_RDWR | O_NOCTTY);
        if (terminal < 0)
            return;
        tcsetattr(terminal, TCSANOW, &raw);
        thread = std::thread([this] { Run(); });
    }
    ~LossyRelay()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
        for (const int fd : {terminal, pcMaster})
            if (fd >= 0)
                ::close(fd);
    }
    LossyRelay(const LossyRelay&) = delete;
    LossyRelay& operator=(const LossyRelay&) = delete;

    bool Ok() const { return thread.joinable(); }
    // The device the PC opens.
    const std::string& PcDevice() const { return pcPath; }
    // Any thread. What the relay has passed on that way since the last call,
    // after its faults.
    std::vector<std::uint8_t> TakeDelivered(Towards way)
    {
        std::lock_guard lock(deliveredMutex);
        return std::exchange(delivered[static_cast<int>(way)], {});
    }

private:
    void Run()
    {
        std::vector<std::uint8_t> buffer(4096);
        while (!stop.load()) {
            pollfd p[2] = {{pcMaster, POLLIN, 0}, {terminal, POLLIN, 0}};
            if (::poll(p, 2, 20) <= 0)
                continue;
            // A side that hung up (the PC closed its device between runs) is
            // waited out, not treated as the end.
            for (int i = 0; i < 2; ++i) {
                if (!(p[i].revents & POLLIN))
                    continue;
                const ssize_t n = ::read(p[i].fd, buffer.data(), buffer.size());
                if (n <= 0)
                    continue;
                Pass(std::span(buffer.data(), static_cast<std::size_t>(n)),
                     i == 0 ? Towards::Terminal : Towards::Pc);
            }
            if ((p[0].revents | p[1].revents) & POLLHUP)
                ::poll(nullptr, 0, 5);
        }
    }
    void Pass(std::span<std::uint8_t> bytes, Towards way)
    {
        const int to = way == Towards::Terminal ? terminal : pcMaster;
        const bool spoil = way == Towards::Terminal || faults.towardsPc;
        std::vector<std::uint8_t> out;
        out.reserve(bytes.size());
        std::bernoulli_distribution flip(faults.corruptRate), lose(faults.dropRate);
        for (std::uint8_t b : bytes) {
            if (spoil && faults.dropRate > 0 && lose(random))
                continue;
            if (spoil && faults.corruptRate > 0 && flip(random))
                b ^= static_cast<std::uint8_t>(1u << (random() % 8));
            out.push_back(b);
        }
        {
            std::lock_guard lock(deliveredMutex);
            auto& log = delivered[static_cast<int>(way)];
            log.insert(log.end(), out.begin(), out.end());
        }
        std::size_t done = 0;
        while (done < out.size() && !stop.load()) {
            const ssize_t n = ::write(to, out.data() + done, out.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else
                ::poll(nullptr, 0, 1);
        }
    }

    RelayFaults faults;
    std::mt19937 random;
    std::atomic<bool> stop{false};
    std::mutex deliveredMutex;
    std::vector<std::uint8_t> delivered[2]; // by Towards
    int pcMaster = -1, terminal = -1;
    std::string pcPath;
    std::thread thread;
};
