#include "sim/sim_terminal.h"

#include "sim/download_receiver.h"
#include "sim/image_receiver.h"

#include <algorithm>
#include <thread>

namespace {

// Command acknowledgement bytes.
constexpr std::uint8_t kAccepted = 1, kRefusedCommand = 0, kGoAhead = 0;
constexpr std::uint8_t kAckBusy = 1, kAckNotInstallMode = 2, kAckAppTooLarge = 3;
// Block acknowledgement result asking for the block again; also the PC's.
constexpr std::uint8_t kResend = 1;
// Header acknowledgement answer: go on.
constexpr std::uint8_t kHeaderGoOn = 0;
// A request is a byte and a short text; more than this is kept out of memory.
constexpr std::size_t kMaxRequestSize = 4096;

std::uint32_t BlockData(std::uint32_t remaining)
{
    return std::min<std::uint32_t>(remaining, kMaxBlockData);
}

} // namespace

SimTerminal::SimTerminal(SimTerminalConfig config, std::unique_ptr<TerminalPort> basePort)
    : root(config.root), replyTimeout(config.replyTimeout), log(std::move(config.log)),
      storage(config.root, config.capacityC, config.capacityD), clock(config.root / kClockFileName),
      line(std::make_unique<EmulatedLine>(std::move(basePort))), reader(*line, stop),
      busy(config.busy), installMode(config.installMode), docked(config.docked),
      appSize(config.appSize), identity(config.identity), installAckResult(config.installAckResult),
      installAnswer(config.installAnswer)
{
    line->SetFaults(config.faults);
    line->SetLineRate(config.lineRate);
    for (const std::string& disk : config.unformatted)
        if (const auto path = ParseTerminalPath(disk))
            storage.SetFormatted(path->disk, false);
    for (const std::string& path : config.locked)
        storage.Lock(path);
    storage.SetFailWrites(config.failHostWrites);
}

SimTerminal::~SimTerminal()
{
    Stop();
}

bool SimTerminal::Start()
{
    if (thread.joinable() || !storage.Prepare())
        return false;
    stop.store(false);
    running.store(true);
    thread = std::thread([this] { Run(); });
    return true;
}

void SimTerminal::Stop()
{
    stop.store(true);
    if (thread.joinable())
        thread.join();
    running.store(false);
}

void SimTerminal::SetIdentity(const TerminalIdentity& newIdentity)
{
    std::lock_guard lock(settingsMutex);
    identity = newIdentity;
}

TerminalIdentity SimTerminal::Identity() const
{
    std::lock_guard lock(settingsMutex);
    return identity;
}

void SimTerminal::SetInstallHooks(std::optional<std::uint8_t> ackResult,
                                  std::optional<std::uint8_t> answer)
{
    std::lock_guard lock(settingsMutex);
    installAckResult = ackResult;
    installAnswer = answer;
}

void SimTerminal::Push(Bytes content, std::string name)
{
    std::lock_guard lock(pushMutex);
    pushes.push_back(PushItem{std::move(content), std::move(name)});
}

void SimTerminal::Run()
{
    PhaseResult result;
    while (result.end != PhaseEnd::Stopped && !stop.load()) {
        if (!docked.load()) {
            // Out of the cradle: whatever the PC sends is lost, and the phase
            // that was under way with it.
            reader.Discard();
            lastBlock.reset();
            result = {};
            if (line->IsGone())
                break;
            std::this_thread::sleep_for(kStopPollInterval);
        } else if (result.next) {
            const Command command = *result.next;
            lastBlock.reset();
            result = Serve(command);
        } else {
            result = Idle();
        }
    }
    running.store(false);
}

SimTerminal::PhaseResult SimTerminal::Idle()
{
    if (auto push = TakePush())
        return SendPush(std::move(*push));
    // A command frame, or the last block of a phase that has ended, sent again
    // because its acknowledgement was lost.
    ExpectedFrames idle;
    idle.command = true;
    idle.reportNoise = true; // a damaged command frame is dropped whole; the PC times out
    if (lastBlock)
        idle.blockSize = [this](std::uint32_t n) -> std::optional<std::size_t> {
            return n == lastBlock->number ? std::optional(lastBlock->size) : std::nullopt;
        };
    const Frame frame = reader.Next(idle, kStopPollInterval);
    switch (frame.kind) {
    case FrameKind::Command: return {PhaseEnd::Done, Command{frame.command, frame.length}};
    case FrameKind::DataBlock: SendBlockAck(lastBlock->tag, lastBlock->answer); break;
    case FrameKind::Stopped:
    case FrameKind::Gone: return {PhaseEnd::Stopped};
    default: break;
    }
    return {};
}

SimTerminal::PhaseResult SimTerminal::Serve(const Command& command)
{
    switch (command.code) {
    case kCommandDownload: {
        if (busy.load()) {
            Send(BuildCommandAck(kAccepted, kAckBusy));
            return {};
        }
        Send(BuildCommandAck(kAccepted, kGoAhead));
        DownloadReceiver receiver(storage, command.length);
        return ReceivePhase(command.code, command.length,
                            [&](std::span<const std::uint8_t> data, bool last) {
                                return receiver.Take(data, last);
                            });
    }
    case kCommandRequest: return ServeRequest(command.length);
    case kCommandInstallKv20:
    case kCommandInstallLx2: return ServeInstall(command);
    default: Send(BuildCommandAck(kRefusedCommand, 0)); return {};
    }
}

SimTerminal::PhaseResult SimTerminal::ServeRequest(std::uint32_t length)
{
    Send(BuildCommandAck(kAccepted, kGoAhead));
    Bytes request;
    RequestAnswer answer;
    const PhaseResult received =
        ReceivePhase(kCommandRequest, length, [&](std::span<const std::uint8_t> data, bool last) {
            const std::size_t room = kMaxRequestSize - std::min(kMaxRequestSize, request.size());
            request.insert(request.end(), data.begin(),
                           data.begin() + static_cast<std::ptrdiff_t>(std::min(room, data.size())));
            if (!last)
                return std::uint8_t{0};
            RequestContext context{storage, clock, Identity()};
            answer = AnswerRequest(request, context);
            return answer.error;
        });
    if (received.end != PhaseEnd::Done || answer.error != 0)
        return received;
    return SendPhase(kDataTypeMemory, answer.data, false);
}

SimTerminal::PhaseResult SimTerminal::ServeInstall(const Command& command)
{
    const ModelFamily family = FamilyOf(Identity().model);
    const ModelFamily wanted =
        command.code == kCommandInstallKv20 ? ModelFamily::Kv20 : ModelFamily::Lx2;
    std::optional<std::uint8_t> forcedAck, forcedAnswer;
    {
        std::lock_guard lock(settingsMutex);
        forcedAck = installAckResult;
        forcedAnswer = installAnswer;
    }
    if (family != wanted) {
        Send(BuildCommandAck(kRefusedCommand, 0));
        return {};
    }
    std::uint8_t result = kGoAhead;
    if (!installMode.load())
        result = kAckNotInstallMode;
    else if (command.length > appSize.load())
        result = kAckAppTooLarge;
    else if (forcedAck)
        result = *forcedAck;
    Send(BuildCommandAck(kAccepted, result));
    if (result != kGoAhead)
        return {};
    ImageReceiver receiver(storage, family, command.length, forcedAnswer);
    return ReceivePhase(
        command.code, command.length,
        [&](std::span<const std::uint8_t> data, bool last) { return receiver.Take(data, last); });
}

SimTerminal::PhaseResult SimTerminal::ReceivePhase(std::uint8_t tag, std::uint32_t length,
                                                   const BlockSink& sink)
{
    std::uint32_t expected = 0, remaining = length;
    ExpectedFrames frames;
    frames.command = true;
    frames.reportBadBlocks = true;
    frames.reportNoise = true;
    frames.blockSize = [&](std::uint32_t n) -> std::optional<std::size_t> {
        if (n == expected)
            return BlockData(remaining);
        if (lastBlock && n == lastBlock->number)
            return lastBlock->size;
        return std::nullopt;
    };
    // The PC resends a block every reply time-out; this much silence means it gave up.
    const auto giveUp = replyTimeout * kTerminalMaxFailures;
    for (;;) {
        const Frame frame = reader.Next(frames, giveUp);
        switch (frame.kind) {
        case FrameKind::DataBlock: {
            if (frame.number != expected) { // taken already: its acknowledgement was lost
                SendBlockAck(tag, lastBlock->answer);
                break;
            }
            remaining -= static_cast<std::uint32_t>(frame.data.size());
            const bool last = remaining == 0;
            const std::uint8_t answer = sink(frame.data, last);
            lastBlock = TakenBlock{tag, frame.number, frame.data.size(), answer};
            SendBlockAck(tag, answer);
            if (answer != 0 || last)
                return {};
            ++expected;
            break;
        }
        case FrameKind::BadBlock:
        case FrameKind::Noise: SendBlockAck(tag, kResend); break;
        case FrameKind::Command:
            return {PhaseEnd::Interrupted, Command{frame.command, frame.length}};
        case FrameKind::Silence: return {PhaseEnd::Abandoned};
        case FrameKind::HeaderAck:
        case FrameKind::BlockAck: break;
        case FrameKind::Stopped:
        case FrameKind::Gone: return {PhaseEnd::Stopped};
        }
    }
}

SimTerminal::PhaseResult SimTerminal::SendPhase(std::uint8_t type, OutgoingData& data,
                                                bool resendHeaderOnSilence)
{
    const auto header = BuildDataHeader(kAccepted, type, data.Length());
    Send(header);
    if (auto refused = AwaitHeaderAck(header, type, resendHeaderOnSilence))
        return *refused;
    if (data.Length() == 0 && data.HeaderOnlyWhenEmpty())
        return {};
    return SendBlocks(type, data);
}

std::optional<SimTerminal::PhaseResult>
SimTerminal::AwaitHeaderAck(std::span<const std::uint8_t> header, std::uint8_t type,
                            bool resendOnSilence)
{
    ExpectedFrames frames;
    frames.command = true;
    frames.headerAck = true;
    frames.blockAckTag = type;
    frames.reportNoise = true;
    if (lastBlock)
        frames.blockSize = [this](std::uint32_t n) -> std::optional<std::size_t> {
            return n == lastBlock->number ? std::optional(lastBlock->size) : std::nullopt;
        };
    for (int failures = 0;;) {
        const Frame frame = reader.Next(frames, replyTimeout);
        switch (frame.kind) {
        case FrameKind::HeaderAck:
            if (frame.answer == kHeaderGoOn)
                return std::nullopt;
            return PhaseResult{}; // the PC declines the data
        case FrameKind::BlockAck:
            // A PC that asks for block 0 again took the header; its
            // acknowledgement was lost.
            if (frame.answer == kResend)
                return std::nullopt;
            break;
        case FrameKind::DataBlock: // the request's acknowledgement was lost
            SendBlockAck(lastBlock->tag, lastBlock->answer);
            Send(header);
            if (++failures >= kTerminalMaxFailures)
                return PhaseResult{PhaseEnd::Abandoned};
            break;
        case FrameKind::Silence:
        case FrameKind::Noise: // a damaged acknowledgement: the PC's answer is unknown
            if (++failures >= kTerminalMaxFailures)
                return PhaseResult{PhaseEnd::Abandoned};
            if (resendOnSilence)
                Send(header);
            break;
        case FrameKind::Command:
            return PhaseResult{PhaseEnd::Interrupted, Command{frame.command, frame.length}};
        case FrameKind::Stopped:
        case FrameKind::Gone: return PhaseResult{PhaseEnd::Stopped};
        case FrameKind::BadBlock: break;
        }
    }
}

SimTerminal::PhaseResult SimTerminal::SendBlocks(std::uint8_t type, OutgoingData& data)
{
    ExpectedFrames frames;
    frames.command = true;
    frames.blockAckTag = type;
    frames.reportNoise = true;
    Bytes chunk;
    std::uint32_t offset = 0, number = 0;
    do {
        chunk.resize(BlockData(data.Length() - offset));
        if (!data.Read(offset, chunk))
            return {PhaseEnd::Abandoned};
        const Bytes block = BuildDataBlock(number, chunk);
        Send(block);
        for (int failures = 0;;) {
            const Frame frame = reader.Next(frames, replyTimeout);
            if (frame.kind == FrameKind::BlockAck && frame.answer == 0)
                break;
            if (frame.kind == FrameKind::Command)
                return {PhaseEnd::Interrupted, Command{frame.command, frame.length}};
            if (frame.kind == FrameKind::Stopped || frame.kind == FrameKind::Gone)
                return {PhaseEnd::Stopped};
            if (++failures >= kTerminalMaxFailures)
                return {PhaseEnd::Abandoned};
            // On silence the block is not sent again: the PC asks for it when
            // its own wait ends, and two copies would put the PC a block out.
            // After a damaged acknowledgement the PC waits for a block: this
            // one again, which it takes or acknowledges again.
            if (frame.kind == FrameKind::BlockAck || frame.kind == FrameKind::Noise)
                Send(block);
        }
        offset += static_cast<std::uint32_t>(chunk.size());
        ++number;
    } while (offset < data.Length());
    return {};
}

SimTerminal::PhaseResult SimTerminal::SendPush(PushItem item)
{
    OutgoingData record = OutgoingData::FromBytes(
        BuildFileRecord(item.content, FormatTimeText(clock.Now()), 0, item.name));
    const PhaseResult result = SendPhase(kDataTypeFile, record, true);
    const bool sent = result.end == PhaseEnd::Done;
    (sent ? pushesSent : pushesFailed).fetch_add(1);
    Log((sent ? "Pushed " : "Push failed: ") + item.name);
    return result;
}

std::optional<SimTerminal::PushItem> SimTerminal::TakePush()
{
    std::lock_guard lock(pushMutex);
    if (pushes.empty())
        return std::nullopt;
    PushItem item = std::move(pushes.front());
    pushes.pop_front();
    return item;
}

void SimTerminal::Send(std::span<const std::uint8_t> frame)
{
    if (docked.load())
        line->Write(frame);
}

void SimTerminal::SendBlockAck(std::uint8_t tag, std::uint8_t result)
{
    Send(BuildBlockAck(tag, result, false));
}

void SimTerminal::Log(const std::string& line) const
{
    if (log)
        log(line);
}
