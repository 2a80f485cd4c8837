// serial_bench: the serial back-end over a pseudo-terminal, with a thread playing
// the far end on the master: 1 MiB each way, and command-sized round trips.
#include "link/event.h"
#include "link/serial/serial_transport.h"

#include <benchmark/benchmark.h>

#include <QSettings>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace {

constexpr std::size_t kPhase = 1 << 20;

struct Bench {
    Bench()
        : settings(QString::fromStdString(
                       (std::filesystem::temp_directory_path() / "kv-serial-bench.ini").string()),
                   QSettings::IniFormat),
          transport(&settings, Options())
    {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        ::close(slave);
        port = transport.OpenDevice(name);
        transport.PortConfigure(port, static_cast<BaudCode>(6), 0, 0, 0, 1);
        transport.PortSetReceiveEvent(port, &event);
    }
    ~Bench()
    {
        transport.PortClose(port);
        if (master >= 0)
            ::close(master);
    }
    static SerialOptions Options()
    {
        SerialOptions options;
        options.listDevices = [] { return std::vector<std::string>{}; };
        return options;
    }
    // Reads n bytes from the master.
    void Drain(std::size_t n) const
    {
        std::vector<char> buffer(64 * 1024);
        while (n > 0) {
            const ssize_t r = ::read(master, buffer.data(), std::min(n, buffer.size()));
            if (r <= 0)
                return;
            n -= static_cast<std::size_t>(r);
        }
    }
    // Takes n bytes through the receive event and PortRead.
    void Receive(std::size_t n)
    {
        std::vector<std::uint8_t> buffer(64 * 1024);
        while (n > 0 && event.Wait(std::chrono::seconds(5)))
            n -= transport.PortRead(port, buffer.data(),
                                    static_cast<std::uint32_t>(std::min(n, buffer.size())));
    }

    QSettings settings;
    SerialTransport transport;
    Event event;
    int master = -1;
    PortHandle port = kNoPort;
};

void BM_WriteOneMebibyte(benchmark::State& state)
{
    Bench bench;
    const std::vector<std::uint8_t> bytes(kPhase, 0x55);
    for (auto _ : state) {
        std::thread far([&] { bench.Drain(kPhase); });
        bench.transport.PortWrite(bench.port, kPhase, bytes.data());
        far.join();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPhase));
}
BENCHMARK(BM_WriteOneMebibyte)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReceiveOneMebibyte(benchmark::State& state)
{
    Bench bench;
    const std::vector<char> bytes(kPhase, 0x55);
    for (auto _ : state) {
        std::thread far([&] {
            for (std::size_t done = 0; done < kPhase;) {
                const ssize_t n = ::write(bench.master, bytes.data() + done, kPhase - done);
                if (n <= 0)
                    return;
                done += static_cast<std::size_t>(n);
            }
        });
        bench.Receive(kPhase);
        far.join();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPhase));
}
BENCHMARK(BM_ReceiveOneMebibyte)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 13-byte command out, an 8-byte answer back: purge, write, wait, read.
void BM_CommandRoundTrip(benchmark::State& state)
{
    Bench bench;
    std::atomic<bool> stop{false};
    std::thread far([&] {
        char frame[13];
        const char answer[8] = {};
        while (!stop) {
            pollfd p{bench.master, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            std::size_t got = 0;
            while (got < sizeof frame) {
                const ssize_t n = ::read(bench.master, frame + got, sizeof frame - got);
                if (n <= 0)
                    return;
                got += static_cast<std::size_t>(n);
            }
            if (::write(bench.master, answer, sizeof answer) != sizeof answer)
                return;
        }
    });
    const std::uint8_t frame[13] = {};
    for (auto _ : state) {
        bench.transport.PortPurge(bench.port);
        bench.transport.PortWrite(bench.port, sizeof frame, frame);
        bench.Receive(8);
    }
    stop = true;
    far.join();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_CommandRoundTrip)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
