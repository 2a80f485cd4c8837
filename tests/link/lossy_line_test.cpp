// Files both ways over a line that flips and loses bytes: against the simulated
// terminal in process, and against kvsim through a noisy pseudo-terminal relay
// on the real serial back-end. Every transfer must end, and none may report done
// with bytes that differ from the source, except where the wire's 16-bit
// additive checksum cannot see it (counted apart).
//
// Longer runs: KV_SOAK_TRANSFERS and KV_SOAK_PTY_TRANSFERS (each way),
// KV_SOAK_CORRUPT and KV_SOAK_DROP (per byte), KV_SOAK_SEED, and
// KV_SOAK_KVSIM_FAULTS=1 to have kvsim spoil what it sends instead of the relay
// spoiling both ways.
#include "tests/support/operation_bound.h"
#include "tests/support/process.h"
#include "tests/support/test_dir.h"

#include "link/listing.h"
#include "link/serial/serial_transport.h"
#include "link/terminal_link.h"
#include "sim/in_process_line.h"
#include "sim/line_transport.h"
#include "sim/sim_terminal.h"
#include "sim/terminal_port.h"
// After the link's headers: <termios.h> defines macros named like BaudCode's values.
#include "tests/support/lossy_relay.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <future>
#include <map>
#include <random>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSmallest = 20000, kLargest = 30000;
// Files the terminal's C:\DATA holds at most during a run: the confirming
// listing of a download reads them all.
constexpr std::uint32_t kListingBlocks = BlocksOf(2 * 400 * kListingEntrySize);

struct SoakSettings {
    int transfers = 100;    // each way, in process
    int ptyTransfers = 100; // each way, through the pseudo-terminal
    double corrupt = 1e-4;
    double drop = 2e-5;
    std::uint32_t seed = 1;
    bool kvsimFaults = false;
};

double EnvNumber(const char* name, double fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtod(text, nullptr) : fallback;
}

SoakSettings ReadSettings()
{
    SoakSettings s;
    s.transfers = static_cast<int>(EnvNumber("KV_SOAK_TRANSFERS", s.transfers));
    s.ptyTransfers = static_cast<int>(EnvNumber("KV_SOAK_PTY_TRANSFERS", s.ptyTransfers));
    s.corrupt = EnvNumber("KV_SOAK_CORRUPT", s.corrupt);
    s.drop = EnvNumber("KV_SOAK_DROP", s.drop);
    s.seed = static_cast<std::uint32_t>(EnvNumber("KV_SOAK_SEED", s.seed));
    s.kvsimFaults = EnvNumber("KV_SOAK_KVSIM_FAULTS", 0) != 0;
    return s;
}

struct Counts {
    int identical = 0, failed = 0, different = 0, invisible = 0, stuck = 0;
    std::map<int, int> statuses; // of the failed ones
    std::chrono::milliseconds longest{0};

    int Total() const { return identical + failed + different + invisible + stuck; }
    std::string Text() const
    {
        std::string t = std::to_string(Total()) + " transfers: " + std::to_string(identical) +
                        " done and identical, " + std::to_string(failed) +
                        " failed with a status, " + std::to_string(different) +
                        " done but different, " + std::to_string(invisible) +
                        " checksum-invisible, " + std::to_string(stuck) + " stuck; longest " +
                        std::to_string(longest.count()) + " ms; statuses";
        for (const auto& [status, n] : statuses)
            t += " " + std::to_string(status) + "x" + std::to_string(n);
        return t;
    }
};

// What the wire's 16-bit additive checksum cannot see: the same length, and in
// every block the bytes add up to the same sum, or to a sum that the block's
// checksum field, damaged in at most two bits on the way, vouched for. head:
// the bytes that precede the file in the data phase (a download's record
// header and name), the same on both sides.
bool ChecksumInvisible(const std::string& head, const std::string& sent, const std::string& got)
{
    if (sent.size() != got.size())
        return false;
    const std::string a = head + sent, b = head + got;
    for (std::size_t start = 0, number = 0; start < a.size(); start += kMaxBlockData, ++number) {
        const std::size_t n = std::min(kMaxBlockData, a.size() - start);
        const Bytes block =
            BuildDataBlock(static_cast<std::uint32_t>(number),
                           std::span(reinterpret_cast<const std::uint8_t*>(a.data()) + start, n));
        const std::uint16_t field = static_cast<std::uint16_t>(block[n + 6] | block[n + 7] << 8);
        int difference = 0;
        for (std::size_t i = start; i < start + n; ++i)
            difference += static_cast<unsigned char>(b[i]) - static_cast<unsigned char>(a[i]);
        const auto vouched = static_cast<std::uint16_t>(field + difference);
        if (std::popcount(static_cast<unsigned>(field ^ vouched)) > 2)
            return false;
    }
    return true;
}

// The record header and name that precede the file's bytes in a download.
std::string RecordHead(const fs::path& source, const std::string& name, std::size_t length)
{
    const auto written = fs::last_write_time(source);
    const std::time_t t =
        std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
    std::tm local{};
    localtime_r(&t, &local);
    char time14[32];
    std::strftime(time14, sizeof time14, "%Y%m%d%H%M%S", &local);
    Bytes head = BuildFileRecord({}, time14, 1, name);
    PutU32(head.data(), static_cast<std::uint32_t>(length));
    return std::string(head.begin(), head.end());
}

// Runs the transfers over one link and counts how they ended.
class Soak {
public:
    Soak(TerminalLink& l, fs::path terminalRoot, fs::path work, std::chrono::milliseconds t,
         std::uint32_t seed)
        : link(l), root(std::move(terminalRoot)), pc(std::move(work)), timeout(t), random(seed)
    {
        fs::create_directories(root / "C" / "DATA");
        fs::create_directories(pc);
    }

    void Round(int i)
    {
        Download(i);
        Upload(i);
    }

    Counts down, up;

private:
    std::string Content()
    {
        std::uniform_int_distribution<std::size_t> size(kSmallest, kLargest);
        std::string s(size(random), '\0');
        for (char& c : s)
            c = static_cast<char>(random());
        return s;
    }

    // The status, or nullopt when the operation outlived its bound.
    template <typename Op>
    std::optional<LinkStatus> Timed(Op op, std::chrono::milliseconds bound, Counts& counts)
    {
        link.cancel = 0;
        const auto start = std::chrono::steady_clock::now();
        auto running = std::async(std::launch::async, op);
        if (running.wait_for(bound) != std::future_status::ready) {
            link.cancel = 1; // let it end so that the run goes on
            running.get();
            return std::nullopt;
        }
        const LinkStatus s = running.get();
        counts.longest =
            std::max(counts.longest, std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - start));
        return s;
    }

    void Count(Counts& counts, std::optional<LinkStatus> status, const std::string& sent,
               const fs::path& arrived, const std::string& head)
    {
        if (!status) {
            ++counts.stuck;
        } else if (*status != LinkStatus::Ok) {
            ++counts.failed;
            ++counts.statuses[StatusValue(*status)];
        } else {
            const std::string got = TestDir::ReadFile(arrived);
            if (got == sent)
                ++counts.identical;
            else if (ChecksumInvisible(head, sent, got))
                ++counts.invisible;
            else
                ++counts.different;
        }
    }

    void Download(int i)
    {
        const std::string content = Content();
        const std::string base = "F" + std::to_string(i) + ".BIN";
        const std::string name = "C:\\DATA\\" + base;
        const fs::path source = pc / "source.bin";
        TestDir::WriteFile(source, content);
        const std::size_t headAndName = kFileRecordHeaderSize + name.size();
        const auto bound = OperationBound(timeout, BlocksOf(headAndName + content.size()), 0) +
                           2 * OperationBound(timeout, 1, kListingBlocks); // two tries
        const auto status =
            Timed([&] { return link.DownloadFile(source, name, 1, false, false); }, bound, down);
        Count(down, status, content, root / "C" / "DATA" / base,
              RecordHead(source, name, content.size()));
    }

    void Upload(int i)
    {
        const std::string content = Content();
        const std::string base = "U" + std::to_string(i) + ".BIN";
        TestDir::WriteFile(root / "C" / "DATA" / base, content);
        const fs::path target = pc / ("u" + std::to_string(i) + ".bin");
        const auto bound = OperationBound(timeout, 1, BlocksOf(content.size()));
        const auto status =
            Timed([&] { return link.UploadFile("C:\\DATA\\" + base, target, false); }, bound, up);
        Count(up, status, content, target, {});
    }

    TerminalLink& link;
    const fs::path root, pc;
    const std::chrono::milliseconds timeout;
    std::mt19937 random;
};

void Report(const char* path, const SoakSettings& s, const Soak& soak)
{
    std::printf("[soak] %s, corrupt %g, drop %g, seed %u\n", path, s.corrupt, s.drop, s.seed);
    std::printf("[soak]   PC to terminal: %s\n", soak.down.Text().c_str());
    std::printf("[soak]   terminal to PC: %s\n", soak.up.Text().c_str());
    std::fflush(stdout);
}

void ExpectSound(const SoakSettings& s, const Counts& c)
{
    EXPECT_EQ(c.different, 0) << c.Text();
    EXPECT_EQ(c.stuck, 0) << c.Text();
    // On a line this clean nearly every transfer must get through.
    if (s.corrupt <= 1e-4 && s.drop <= 1e-4) {
        EXPECT_GE(c.identical * 10, c.Total() * 9) << c.Text();
    }
}

} // namespace

TEST(LossyLineSoak, InProcessAgainstTheSimulatedTerminal)
{
    const SoakSettings s = ReadSettings();
    constexpr LinkTimings timings{250ms, 10ms};
    TestDir dir;
    SimTerminalConfig config;
    config.root = dir / "terminal";
    config.replyTimeout = 500ms;
    config.capacityC = 64u << 20;
    auto [pcEnd, far] = MakeInProcessLine();
    LineFaults faults;
    faults.corruptRate = s.corrupt;
    faults.dropRate = s.drop;
    faults.seed = s.seed;
    pcEnd->SetFaults(faults);
    faults.seed = s.seed + 1;
    far->SetFaults(faults);
    SimTerminal terminal(config, std::make_unique<LinePort>(far));
    ASSERT_TRUE(terminal.Start());
    LineTransport transport;
    transport.AddPort("SOAK", pcEnd);
    TerminalLink link(transport, timings);
    link.AttachPort(transport.PortOpen(PortKind::ListIndex, 1, "SOAK"));

    Soak soak(link, config.root, dir / "pc", timings.replyTimeout, s.seed);
    for (int i = 0; i < s.transfers; ++i)
        soak.Round(i);
    Report("in process", s, soak);
    ExpectSound(s, soak.down);
    ExpectSound(s, soak.up);
    terminal.Stop();
}

TEST(LossyLineSoak, SerialBackEndAgainstKvsimThroughANoisyRelay)
{
    const SoakSettings s = ReadSettings();
    if (s.ptyTransfers <= 0) {
        GTEST_SKIP() << "KV_SOAK_PTY_TRANSFERS=0";
    }
    constexpr LinkTimings timings{300ms, 10ms};
    TestDir dir;
    const fs::path root = dir / "terminal", device = dir / "tty";
    std::vector<std::string> args{"--root",        root.string(), "--pty",
                                  device.string(), "--capacity",  "C:=67108864"};
    RelayFaults relayFaults{s.corrupt, s.drop, s.seed};
    if (s.kvsimFaults) {
        args.insert(args.end(), {"--corrupt-rate", std::to_string(s.corrupt), "--drop-rate",
                                 std::to_string(s.drop), "--fault-seed", std::to_string(s.seed)});
        relayFaults = {};
    }
    BackgroundProgram kvsim(KVSIM_PATH, args, {}, dir / "kvsim.err");
    ASSERT_TRUE(WaitForPath(device, 10s)) << TestDir::ReadFile(dir / "kvsim.err");
    LossyRelay relay(device.string(), relayFaults);
    ASSERT_TRUE(relay.Ok());

    QSettings settings(QString::fromStdString((dir / "ports.ini").string()), QSettings::IniFormat);
    SerialOptions options;
    options.listDevices = [] { return std::vector<std::string>{}; };
    SerialTransport transport(&settings, options);
    const PortHandle port = transport.OpenDevice(relay.PcDevice());
    ASSERT_NE(port, kNoPort) << transport.PortLastError();
    {
        TerminalLink link(transport, timings);
        link.AttachPort(port);
        Soak soak(link, root, dir / "pc", timings.replyTimeout, s.seed);
        for (int i = 0; i < s.ptyTransfers; ++i)
            soak.Round(i);
        Report(s.kvsimFaults ? "pseudo-terminal, kvsim's faults" : "pseudo-terminal relay", s,
               soak);
        ExpectSound(s, soak.down);
        ExpectSound(s, soak.up);
    }
    transport.PortClose(port);
}
