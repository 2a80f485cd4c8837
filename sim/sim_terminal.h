// sim_terminal.h: a simulated terminal: the terminal's side of the protocol on
// its own thread, over any TerminalPort, with its disks in host folders. Start,
// Stop and every setter may be called from any thread; the log callback runs on
// the terminal's thread.
#pragma once

#include "link/frame.h"
#include "sim/emulated_line.h"
#include "sim/frame_reader.h"
#include "sim/request_answers.h"
#include "sim/sim_storage.h"
#include "sim/terminal_clock.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

inline constexpr std::uint32_t kDefaultAppSize = 1u << 20;
inline constexpr int kTerminalMaxFailures = 5;
inline constexpr const char* kClockFileName = "CLOCK.TXT";

struct SimTerminalConfig {
    std::filesystem::path root; // disks in ROOT/C and ROOT/D, ROOT/APP.BIN, ROOT/CLOCK.TXT
    TerminalIdentity identity;
    bool installMode = false;
    std::uint32_t appSize = kDefaultAppSize; // bytes of the application area
    std::uint32_t capacityC = kDefaultCapacityC, capacityD = kDefaultCapacityD;
    std::vector<std::string> unformatted; // disks, "D:"
    std::vector<std::string> locked;      // terminal paths of files in use
    bool busy = false;                    // its own program holds its files: downloads refused
    bool docked = true;                   // out of its cradle it hears and says nothing
    int lineRate = 0;                     // bits per second; 0: as fast as the port goes
    TerminalFaults faults;
    bool failHostWrites = false;
    // Install hooks: the result of the command acknowledgement of an image
    // accepted otherwise, and the answer after its last block.
    std::optional<std::uint8_t> installAckResult, installAnswer;
    // Every wait for the PC; a data phase gives up after kTerminalMaxFailures
    // of them (or of resends) in a row.
    std::chrono::milliseconds replyTimeout = kReplyTimeout;
    std::function<void(const std::string&)> log; // one line per push; may be empty
};

class SimTerminal {
public:
    SimTerminal(SimTerminalConfig config, std::unique_ptr<TerminalPort> port);
    ~SimTerminal();
    SimTerminal(const SimTerminal&) = delete;
    SimTerminal& operator=(const SimTerminal&) = delete;

    // Prepares the disks and starts the thread. False when the disks cannot be
    // made or it runs already.
    bool Start();
    // Ends the thread and joins it.
    void Stop();
    // False before Start, after Stop, and once the port is gone.
    bool IsRunning() const { return running.load(); }

    SimStorage& Storage() { return storage; }
    const std::filesystem::path& Root() const { return root; }
    std::time_t ClockNow() const { return clock.Now(); }

    void SetBusy(bool on) { busy.store(on); }
    // Into or out of its cradle. Out of it, the terminal hears nothing and says
    // nothing (a phase under way is cut off), and its pushes wait.
    void SetDocked(bool on) { docked.store(on); }
    bool Docked() const { return docked.load(); }
    void SetInstallMode(bool on) { installMode.store(on); }
    void SetAppSize(std::uint32_t bytes) { appSize.store(bytes); }
    void SetIdentity(const TerminalIdentity& identity);
    TerminalIdentity Identity() const;
    void SetInstallHooks(std::optional<std::uint8_t> ackResult, std::optional<std::uint8_t> answer);
    void SetFaults(const TerminalFaults& faults) { line->SetFaults(faults); }
    void SetLineRate(int bitsPerSecond) { line->SetLineRate(bitsPerSecond); }

    // The operator sends a file to the PC: a data phase of type 8 carrying a
    // file record with the terminal's name for it. Queued; sent when the
    // terminal is idle.
    void Push(Bytes content, std::string name);
    std::uint32_t PushesSent() const { return pushesSent.load(); }
    std::uint32_t PushesFailed() const { return pushesFailed.load(); }

private:
    struct Command {
        std::uint8_t code = 0;
        std::uint32_t length = 0;
    };
    // The last block the terminal took: the PC may send it again when its
    // acknowledgement was lost.
    struct TakenBlock {
        std::uint8_t tag = 0;
        std::uint32_t number = 0;
        std::size_t size = 0;
        std::uint8_t answer = 0;
    };
    enum class PhaseEnd { Done, Interrupted, Abandoned, Stopped };
    struct PhaseResult {
        PhaseEnd end = PhaseEnd::Done;
        std::optional<Command> next{}; // the command frame to serve next
    };
    struct PushItem {
        Bytes content;
        std::string name;
    };
    using BlockSink = std::function<std::uint8_t(std::span<const std::uint8_t>, bool last)>;

    void Run();
    // Sends a queued push, or waits a moment for the PC: next is the command
    // frame that came.
    PhaseResult Idle();
    // Answers one command frame and runs its data phases.
    PhaseResult Serve(const Command& command);
    PhaseResult ServeRequest(std::uint32_t length);
    PhaseResult ServeInstall(const Command& command);
    // Takes a data phase from the PC, handing each new block to sink.
    PhaseResult ReceivePhase(std::uint8_t tag, std::uint32_t length, const BlockSink& sink);
    // Sends a data phase to the PC. While the header waits for its
    // acknowledgement, the request's last block (lastBlock) may come again.
    PhaseResult SendPhase(std::uint8_t type, OutgoingData& data, bool resendHeaderOnSilence);
    // nullopt when the PC took the header; else how the phase ended.
    std::optional<PhaseResult> AwaitHeaderAck(std::span<const std::uint8_t> header,
                                              std::uint8_t type, bool resendOnSilence);
    PhaseResult SendBlocks(std::uint8_t type, OutgoingData& data);
    PhaseResult SendPush(PushItem item);
    std::optional<PushItem> TakePush();
    void Send(std::span<const std::uint8_t> frame);
    void SendBlockAck(std::uint8_t tag, std::uint8_t result);
    void Log(const std::string& line) const;

    const std::filesystem::path root;
    const std::chrono::milliseconds replyTimeout;
    const std::function<void(const std::string&)> log;
    std::atomic<bool> stop{false}, running{false};
    SimStorage storage;
    TerminalClock clock;
    std::unique_ptr<EmulatedLine> line; // the port, through the line's speed and faults
    FrameReader reader;
    std::optional<TakenBlock> lastBlock; // the terminal's thread only

    std::atomic<bool> busy, installMode, docked;
    std::atomic<std::uint32_t> appSize;
    mutable std::mutex settingsMutex;
    TerminalIdentity identity;
    std::optional<std::uint8_t> installAckResult, installAnswer;

    std::mutex pushMutex;
    std::deque<PushItem> pushes;
    std::atomic<std::uint32_t> pushesSent{0}, pushesFailed{0};

    std::thread thread;
};
