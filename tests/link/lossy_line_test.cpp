// Files both ways over a line that flips and loses bytes: against the simulated
// terminal in process, and against kvsim on a pseudo-terminal through a relay,
// on the real serial back-end. Every transfer must end, and none may report done
// with bytes that differ from the source unless the line itself delivered the
// damaged block in a frame whose checksum vouched for it (counted apart).
//
// Each case runs a light line (at least 9 in 10 transfers must get through) or
// a heavy one. Longer runs: KV_SOAK_TRANSFERS and KV_SOAK_PTY_TRANSFERS (each
// way, in process and on the pseudo-terminal), KV_SOAK_CORRUPT and KV_SOAK_DROP
// (per byte), KV_SOAK_SEED; they apply to every case run (--gtest_filter picks).
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

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <numeric>
#include <random>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSmallest = 20000, kLargest = 30000;
// Files the terminal's C:\DATA holds at most during a run: the confirming
// listing of a download reads them all.
constexpr std::uint32_t kListingBlocks = BlocksOf(2 * 400 * kListingEntrySize);

struct SoakSettings {
    int transfers = 100; // each way
    double corrupt = 1e-4;
    double drop = 2e-5;
    std::uint32_t seed = 1;
};
constexpr SoakSettings kLightLine{100, 1e-4, 2e-5, 1}, kHeavyLine{200, 1e-3, 1e-4, 1};

double EnvNumber(const char* name, double fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtod(text, nullptr) : fallback;
}

// The case's settings, unless the environment says otherwise.
SoakSettings ReadSettings(SoakSettings s, const char* transfersVariable)
{
    s.transfers = static_cast<int>(EnvNumber(transfersVariable, s.transfers));
    s.corrupt = EnvNumber("KV_SOAK_CORRUPT", s.corrupt);
    s.drop = EnvNumber("KV_SOAK_DROP", s.drop);
    s.seed = static_cast<std::uint32_t>(EnvNumber("KV_SOAK_SEED", s.seed));
    return s;
}

struct Counts {
    int identical = 0, failed = 0, different = 0, invisible = 0, stuck = 0;
    std::map<int, int> statuses; // of the failed ones
    std::chrono::milliseconds longest{0};

    int Total() const { return identical + failed + different + invisible + stuck; }
    void Add(const Counts& c)
    {
        identical += c.identical;
        failed += c.failed;
        different += c.different;
        invisible += c.invisible;
        stuck += c.stuck;
        for (const auto& [status, n] : c.statuses)
            statuses[status] += n;
        longest = std::max(longest, c.longest);
    }
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

// A data block as the wire defines it (STX, number, data, STX, the 16-bit sum
// of everything before it), checked here rather than by the code under test.
bool IsWholeBlock(std::span<const std::uint8_t> frame, std::uint32_t number)
{
    const std::size_t n = frame.size() - kBlockOverhead;
    const auto sum =
        static_cast<std::uint16_t>(std::accumulate(frame.begin(), frame.begin() + 6 + n, 0u));
    const std::uint32_t stated =
        frame[1] | frame[2] << 8 | frame[3] << 16 | static_cast<std::uint32_t>(frame[4]) << 24;
    return frame[0] == kStx && stated == number && frame[5 + n] == kStx &&
           (frame[6 + n] | frame[7 + n] << 8) == sum;
}

// Whether a transfer that ended done with other bytes than the source's was
// fooled by the line and not by its receiver: every block that differs was
// delivered, exactly as it was stored, in a frame of its number whose checksum
// field matched the delivered bytes. A receiver that took a damaged block
// without checking it fails this. head: how many bytes precede the file in the
// data phase (a download's record header and name); delivered: what the line
// handed to the receiving side during the transfer, after its faults.
bool ChecksumInvisible(std::size_t head, const std::string& sent, const std::string& got,
                       const Bytes& delivered)
{
    if (sent.size() != got.size())
        return false;
    const auto* const stored = reinterpret_cast<const std::uint8_t*>(got.data());
    const std::size_t total = head + got.size();
    for (std::size_t start = 0, number = 0; start < total; start += kMaxBlockData, ++number) {
        const std::size_t n = std::min(kMaxBlockData, total - start);
        // The file's bytes in this block; the record header's may differ unseen
        // without changing the file.
        const std::size_t from = std::max(start, head) - head, to = start + n - head;
        if (start + n <= head || got.compare(from, to - from, sent, from, to - from) == 0)
            continue;
        const std::boyer_moore_horspool_searcher known(stored + from, stored + to);
        const std::size_t lead = 5 + (from + head - start); // STX, number, record bytes
        bool vouched = false;
        for (auto hit = std::search(delivered.begin(), delivered.end(), known);
             hit != delivered.end() && !vouched;
             hit = std::search(hit + 1, delivered.end(), known)) {
            const auto at = static_cast<std::size_t>(hit - delivered.begin());
            vouched = at >= lead && at - lead + n + kBlockOverhead <= delivered.size() &&
                      IsWholeBlock(std::span(delivered).subspan(at - lead, n + kBlockOverhead),
                                   static_cast<std::uint32_t>(number));
        }
        if (!vouched)
            return false;
    }
    return true;
}

// What the in-process line handed to each side, seen by taps on its ends.
class DeliveryLog {
public:
    void Tap(LineEnd& end, Towards way)
    {
        end.SetDeliveryTap([this, way](std::span<const std::uint8_t> bytes) {
            std::lock_guard lock(mutex);
            Bytes& log = delivered[static_cast<int>(way)];
            log.insert(log.end(), bytes.begin(), bytes.end());
        });
    }
    Bytes Take(Towards way)
    {
        std::lock_guard lock(mutex);
        return std::exchange(delivered[static_cast<int>(way)], {});
    }

private:
    std::mutex mutex;
    Bytes delivered[2];
};

// Runs the transfers over one link and counts how they ended. delivered: what
// the line has handed to one side since it was last asked.
class Soak {
public:
    using Delivered = std::function<Bytes(Towards)>;
    Soak(TerminalLink& l, fs::path terminalRoot, fs::path work, std::chrono::milliseconds t,
         std::uint32_t seed, Delivered d)
        : link(l), root(std::move(terminalRoot)), pc(std::move(work)), timeout(t), random(seed),
          delivered(std::move(d))
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
        delivered(Towards::Terminal);
        delivered(Towards::Pc);
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
               const fs::path& arrived, std::size_t head, Towards way)
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
            else if (ChecksumInvisible(head, sent, got, delivered(way)))
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
        Count(down, status, content, root / "C" / "DATA" / base, headAndName, Towards::Terminal);
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
        Count(up, status, content, target, 0, Towards::Pc);
    }

    TerminalLink& link;
    const fs::path root, pc;
    const std::chrono::milliseconds timeout;
    std::mt19937 random;
    Delivered delivered;
};

void Report(const char* path, const SoakSettings& s, const Counts& down, const Counts& up,
            std::chrono::steady_clock::time_point start)
{
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    std::printf("[soak] %s, corrupt %g, drop %g, seed %u, %.0f s\n", path, s.corrupt, s.drop,
                s.seed, seconds.count());
    std::printf("[soak]   PC to terminal: %s\n", down.Text().c_str());
    std::printf("[soak]   terminal to PC: %s\n", up.Text().c_str());
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

// One simulated terminal in process, its line spoiling both ways: rounds
// rounds, the line's faults seeded with seed and seed + 1.
std::pair<Counts, Counts> SoakOneLine(const SoakSettings& s, int rounds, std::uint32_t seed,
                                      const fs::path& folder)
{
    constexpr LinkTimings timings{250ms, 10ms};
    DeliveryLog log; // outlives the line's taps
    SimTerminalConfig config;
    config.root = folder / "terminal";
    config.replyTimeout = 500ms;
    config.capacityC = 64u << 20;
    auto [pcEnd, far] = MakeInProcessLine();
    LineFaults faults;
    faults.corruptRate = s.corrupt;
    faults.dropRate = s.drop;
    faults.seed = seed;
    pcEnd->SetFaults(faults);
    faults.seed = seed + 1;
    far->SetFaults(faults);
    log.Tap(*pcEnd, Towards::Terminal);
    log.Tap(*far, Towards::Pc);
    SimTerminal terminal(config, std::make_unique<LinePort>(far));
    if (!terminal.Start()) {
        ADD_FAILURE() << "the simulated terminal did not start";
        return {};
    }
    LineTransport transport;
    transport.AddPort("SOAK", pcEnd);
    TerminalLink link(transport, timings);
    link.AttachPort(transport.PortOpen(PortKind::ListIndex, 1, "SOAK"));

    Soak soak(link, config.root, folder / "pc", timings.replyTimeout, seed,
              [&](Towards way) { return log.Take(way); });
    for (int i = 0; i < rounds; ++i)
        soak.Round(i);
    terminal.Stop();
    return {soak.down, soak.up};
}

// The rounds shared among lines run at once: a transfer on a noisy line
// mostly waits for quiet, so four lines take little more than one.
void SoakInProcess(const SoakSettings& s)
{
    constexpr int kLines = 4;
    const auto start = std::chrono::steady_clock::now();
    TestDir dir;
    std::vector<std::future<std::pair<Counts, Counts>>> lines;
    for (int line = 0; line < kLines; ++line) {
        const int rounds = s.transfers / kLines + (line < s.transfers % kLines ? 1 : 0);
        lines.push_back(std::async(std::launch::async, SoakOneLine, std::cref(s), rounds,
                                   s.seed + 2 * line, dir / ("line" + std::to_string(line))));
    }
    Counts down, up;
    for (auto& line : lines) {
        const auto [lineDown, lineUp] = line.get();
        down.Add(lineDown);
        up.Add(lineUp);
    }
    Report("in process, 4 lines at once", s, down, up, start);
    ExpectSound(s, down);
    ExpectSound(s, up);
}

// kvsim on a pseudo-terminal, reached through the relay on the serial
// back-end. kvsimFaults: kvsim spoils what it sends and the relay what the PC
// sends; else the relay spoils both ways.
void SoakOnPseudoTerminal(const SoakSettings& s, bool kvsimFaults)
{
    if (s.transfers <= 0) {
        GTEST_SKIP() << "KV_SOAK_PTY_TRANSFERS=0";
    }
    const auto start = std::chrono::steady_clock::now();
    constexpr LinkTimings timings{300ms, 10ms};
    TestDir dir;
    const fs::path root = dir / "terminal", device = dir / "tty";
    std::vector<std::string> args{"--root",        root.string(), "--pty",
                                  device.string(), "--capacity",  "C:=67108864"};
    RelayFaults relayFaults{s.corrupt, s.drop, s.seed};
    if (kvsimFaults) {
        args.insert(args.end(), {"--corrupt-rate", std::to_string(s.corrupt), "--drop-rate",
                                 std::to_string(s.drop), "--fault-seed", std::to_string(s.seed)});
        relayFaults.seed = s.seed + 1;
        relayFaults.towardsPc = false;
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
        Soak soak(link, root, dir / "pc", timings.replyTimeout, s.seed,
                  [&](Towards way) { return relay.TakeDelivered(way); });
        for (int i = 0; i < s.transfers; ++i)
            soak.Round(i);
        Report(kvsimFaults ? "pseudo-terminal, kvsim's faults" : "pseudo-terminal relay", s,
               soak.down, soak.up, start);
        ExpectSound(s, soak.down);
        ExpectSound(s, soak.up);
    }
    transport.PortClose(port);
}

} // namespace

TEST(LossyLineSoak, InProcessLightLine)
{
    SoakInProcess(ReadSettings(kLightLine, "KV_SOAK_TRANSFERS"));
}

TEST(LossyLineSoak, InProcessHeavyLine)
{
    SoakInProcess(ReadSettings(kHeavyLine, "KV_SOAK_TRANSFERS"));
}

TEST(LossyLineSoak, PseudoTerminalLightLineThroughTheRelay)
{
    SoakOnPseudoTerminal(ReadSettings(kLightLine, "KV_SOAK_PTY_TRANSFERS"), false);
}

TEST(LossyLineSoak, PseudoTerminalHeavyLineWithKvsimsFaults)
{
    SoakSettings heavy = kHeavyLine;
    heavy.transfers = 50;
    SoakOnPseudoTerminal(ReadSettings(heavy, "KV_SOAK_PTY_TRANSFERS"), true);
}
