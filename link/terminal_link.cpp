#include "link/terminal_link.h"

#include "link/link_observer.h"
#include "link/transfer_progress.h"

#include <algorithm>

TerminalLink::TerminalLink(Transport& t, LinkTimings tm)
    : timings(tm), transport(t), receiveFolder(DefaultReceiveFolder()),
      receiveThread(&TerminalLink::ReceiveThread, this)
{
}

TerminalLink::~TerminalLink()
{
    // The transport must not signal our events once they are gone.
    if (const PortHandle p = port.load(); p != kNoPort) {
        transport.PortSetReceiveEvent(p, nullptr);
        transport.PortSetSignalEvent(p, nullptr);
    }
    stopping = true;
    receiveEvent.Set();
    dataEvent.Set();
    spaceEvent.Set();
    receiveThread.join();
    if (incomingThread.joinable())
        incomingThread.join();
    if (TransferProgress* p = progress.exchange(nullptr))
        p->closeRequested = true;
}

void TerminalLink::AttachPort(PortHandle handle)
{
    port = handle;
    transport.PortSetReceiveEvent(handle, &receiveEvent);
    transport.PortSetSignalEvent(handle, &clockEvent);
}

void TerminalLink::SetReceiveFolder(const std::filesystem::path& folder)
{
    std::lock_guard lock(folderMutex);
    receiveFolder = folder;
}

std::filesystem::path TerminalLink::ReceiveFolder() const
{
    std::lock_guard lock(folderMutex);
    return receiveFolder;
}

bool TerminalLink::ClaimForUser()
{
    bool waiting = false;
    for (;;) {
        Holder seen = Holder::None;
        if (holder.compare_exchange_strong(seen, Holder::User) || seen == Holder::User) {
            if (waiting)
                usersWaiting.fetch_sub(1);
            return seen == Holder::None;
        }
        // The clock's setting takes milliseconds: wait for it rather than
        // fail, and keep the clock from taking the link again meanwhile.
        if (!waiting) {
            usersWaiting.fetch_add(1);
            waiting = true;
        }
        holder.wait(Holder::Clock);
    }
}

void TerminalLink::Release()
{
    holder.store(Holder::None);
    holder.notify_all();
    WakeOwedClock();
}

void TerminalLink::WakeOwedClock()
{
    if (clockOwed.exchange(false))
        clockEvent.Set();
}

LinkStatus TerminalLink::WriteAll(std::span<const std::uint8_t> bytes)
{
    const auto count = static_cast<std::uint32_t>(bytes.size());
    if (transport.PortWrite(port, count, bytes.data()) != count)
        return TransportFailure(transport.PortLastError());
    return LinkStatus::Ok;
}

void TerminalLink::Purge()
{
    transport.PortPurge(port);
    ring.Drop();
    spaceEvent.Set();
}

LinkStatus TerminalLink::ReadReply(std::uint8_t* destination, std::size_t wanted,
                                   std::size_t* delivered, std::chrono::milliseconds timeout)
{
    *delivered = 0;
    if (!dataEvent.Wait(timeout) || Stopping())
        return LinkStatus::NoReply;
    if (ring.Empty()) {
        dataEvent.Reset();
        // The receive thread writes before it sets the event: look again so
        // that bytes written just before the reset are not left waiting.
        if (!ring.Empty())
            dataEvent.Set();
        return LinkStatus::Ok;
    }
    *delivered = ring.Read(destination, wanted);
    spaceEvent.Set();
    if (ring.Empty()) {
        dataEvent.Reset();
        if (!ring.Empty())
            dataEvent.Set();
    }
    return LinkStatus::Ok;
}

LinkStatus TerminalLink::ReadExactly(std::uint8_t* destination, std::size_t wanted)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + kFrameWaitTimeouts * timings.replyTimeout;
    std::size_t got = 0;
    while (got < wanted) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        std::size_t n = 0;
        if (left.count() <= 0 || ReadReply(destination + got, wanted - got, &n,
                                           std::min(left, timings.replyTimeout)) != LinkStatus::Ok)
            return LinkStatus::NoReply;
        got += n;
    }
    return LinkStatus::Ok;
}

void TerminalLink::Resynchronise()
{
    using Clock = std::chrono::steady_clock;
    const auto quiet = kQuietBursts * timings.burstGap;
    const auto end = Clock::now() + timings.replyTimeout;
    std::array<std::uint8_t, kBurstBufferSize> dropped{};
    for (;;) {
        ring.Drop();
        spaceEvent.Set();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0 || Stopping())
            return;
        std::size_t n = 0;
        if (ReadReply(dropped.data(), dropped.size(), &n, std::min(left, quiet)) != LinkStatus::Ok)
            return;
    }
}

LinkStatus TerminalLink::CheckAcknowledgement(bool block, std::uint8_t command,
                                              std::span<const std::uint8_t> reply)
{
    return block ? CheckBlockAck(reply, command) : CheckCommandAck(reply);
}

LinkStatus TerminalLink::SendCommandFrame(std::uint8_t command, std::uint32_t parameter)
{
    Purge();
    if (const LinkStatus s =
            WriteAll(BuildCommandFrame(command, parameter, frameByte2, frameByte3));
        s != LinkStatus::Ok)
        return s;
    std::array<std::uint8_t, kAckSize> ack{};
    if (ReadExactly(ack.data(), ack.size()) != LinkStatus::Ok)
        return LinkStatus::NoReply;
    return CheckAcknowledgement(false, command, ack);
}

LinkStatus TerminalLink::SendCommand(std::uint8_t command, const std::uint8_t* data,
                                     std::uint32_t length, bool showProgress)
{
    OperationScope scope(*this);
    if (busy.load())
        return LinkStatus::Busy;
    ExchangeScope exchange(*this);
    LinkStatus r = SendCommandFrame(command, length);
    if (r == AnswerCode(2))
        return LinkStatus::NotInInstallMode;
    if (r == AnswerCode(3))
        return LinkStatus::AppAreaTooSmall;
    if (r != LinkStatus::Ok)
        return r;
    r = SendData(command, data, length, showProgress);
    return r == AnswerCode(255) ? LinkStatus::TerminalFailure : r;
}

LinkStatus TerminalLink::SendData(std::uint8_t command, const std::uint8_t* data,
                                  std::uint32_t length, bool showProgress)
{
    using Clock = std::chrono::steady_clock;
    const bool waitsOnBadAck = command != kCommandRequest;
    TransferProgress* const shown = showProgress ? progress.load() : nullptr;
    std::uint32_t offset = 0, number = 0, remaining = length;
    int failures = 0;
    int resends = 0; // of this block, in a row; a delivering read does not reset it
    bool resend = true;
    LinkStatus last = LinkStatus::Ok;
    Bytes block;
    phaseResent = false;
    for (;;) {
        const std::uint32_t size = std::min<std::uint32_t>(remaining, kMaxBlockData);
        if (resend) {
            Purge();
            block = BuildDataBlock(number, std::span(data ? data + offset : data, size));
            if (const LinkStatus s = WriteAll(block); s != LinkStatus::Ok)
                return s;
        }
        std::array<std::uint8_t, kBlockAckSize> ack{};
        std::size_t got = 0;
        bool timedOut = false;
        const auto deadline = Clock::now() + kFrameWaitTimeouts * timings.replyTimeout;
        while (got < ack.size()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            std::size_t n = 0;
            if (left.count() <= 0 ||
                ReadReply(&ack[got], ack.size() - got, &n, std::min(left, timings.replyTimeout)) !=
                    LinkStatus::Ok) {
                timedOut = true;
                break;
            }
            failures = 0; // a delivering read
            got += n;
        }
        if (timedOut) {
            ++failures;
            ++resends;
            resend = true;
        } else {
            last = CheckAcknowledgement(true, command, ack);
            if (last == LinkStatus::Ok) {
                remaining -= size;
                offset += size;
                ++number;
                failures = 0;
                resends = 0;
                resend = true;
                if (shown && waitsOnBadAck)
                    shown->bytesDone = offset;
            } else if (last == AnswerCode(1)) {
                ++failures;
                ++resends;
                resend = true;
            } else if (last == LinkStatus::BadReply) {
                ++failures;
                ++resends;
                resend = !waitsOnBadAck;
                if (waitsOnBadAck) { // wait for a fresh acknowledgement of the same block
                    Purge();
                    Resynchronise();
                }
            } else {
                return last;
            }
        }
        if (resends > 0)
            phaseResent = true;
        if (remaining == 0 && last == LinkStatus::Ok && !timedOut)
            return cancel.load() ? LinkStatus::Cancelled : LinkStatus::Ok;
        if (failures >= kMaxFailures || resends > kMaxResends)
            return cancel.load() ? LinkStatus::Cancelled : LinkStatus::TooManyFailures;
        if (cancel.load() || Stopping())
            return LinkStatus::Cancelled;
    }
}

LinkStatus TerminalLink::CheckDataHeader(std::span<const std::uint8_t> header)
{
    const std::optional<DataHeader> h = ParseDataHeader(header);
    if (!h) {
        incomingType = 0;
        return LinkStatus::BadReply;
    }
    if (h->accept == 0) {
        incomingType = 1;
        return LinkStatus::Refused;
    }
    incomingType = h->type;
    *answerLength = h->length;
    return LinkStatus::Ok;
}

LinkStatus TerminalLink::SendAcknowledgement(bool block, std::uint8_t value)
{
    const auto type = static_cast<std::uint8_t>(incomingType.load());
    if (block)
        return WriteAll(BuildBlockAck(type, value, true));
    const std::uint8_t answer = type == 1 ? static_cast<std::uint8_t>(1 - value) : value;
    return WriteAll(BuildHeaderAck(type, answer));
}

LinkStatus TerminalLink::CheckDataBlock(const std::uint8_t* block, std::size_t count)
{
    blockData.fill(0);
    if (!::CheckDataBlock(std::span(block, count), blockIndex))
        return LinkStatus::BadReply;
    std::copy_n(block + 5, count - kBlockOverhead, blockData.begin());
    return LinkStatus::Ok;
}

LinkStatus TerminalLink::StoreDataBlock(std::size_t count)
{
    const std::uint8_t* const bytes = blockData.data();
    switch (incomingType.load()) {
    case kDataTypeMemory:
        if (blockIndex == 0) {
            answerData->clear();
            // Grow as blocks arrive: the announced length is not trusted up front.
            answerData->reserve(std::min<std::size_t>(*answerLength, 1u << 20));
        }
        answerData->insert(answerData->end(), bytes, bytes + count);
        return LinkStatus::Ok;
    case kDataTypeFile: return StoreFileBlock(bytes, count);
    default: return LinkStatus::BadDataType;
    }
}

LinkStatus TerminalLink::StoreFileBlock(const std::uint8_t* bytes, std::size_t count)
{
    if (blockIndex == 0) {
        incomingFile.Abandon();
        recordHead.clear();
        incomingName.clear();
    }
    if (!incomingFile.IsOpen()) {
        // Collect the record header and name, which may span blocks.
        recordHead.insert(recordHead.end(), bytes, bytes + count);
        if (recordHead.size() < kFileRecordHeaderSize)
            return LinkStatus::Ok;
        const FileRecordHeader h = *ParseFileRecordHeader(recordHead);
        incomingFileLength = h.fileLength;
        incomingNameLength = h.nameLength;
        const std::size_t headAndName = kFileRecordHeaderSize + h.nameLength;
        if (headAndName > *answerLength)
            return LinkStatus::FileError;
        if (recordHead.size() < headAndName)
            return LinkStatus::Ok;
        incomingName.assign(recordHead.begin() + kFileRecordHeaderSize,
                            recordHead.begin() + static_cast<std::ptrdiff_t>(headAndName));
        const std::string safe = SafeIncomingName(incomingName);
        if (safe.empty() || !incomingFile.Open(ReceiveFolder(), safe))
            return LinkStatus::FileError;
        const std::size_t rest = recordHead.size() - headAndName;
        const bool ok = incomingFile.Write(recordHead.data() + headAndName, rest);
        recordHead.clear();
        return ok ? LinkStatus::Ok : LinkStatus::FileError;
    }
    return incomingFile.Write(bytes, count) ? LinkStatus::Ok : LinkStatus::FileError;
}

LinkStatus TerminalLink::ReceiveData(bool showProgress, bool allowEmpty)
{
    const LinkStatus r = [&] {
        ExchangeScope exchange(*this);
        return ReceivePhase(showProgress, allowEmpty);
    }();
    if (receivingFile) {
        receivingFile = false;
        LinkObserver* const watcher = observer.load();
        std::optional<std::filesystem::path> stored;
        if (r == LinkStatus::Ok && incomingFile.IsOpen())
            stored = incomingFile.Commit();
        incomingFile.Abandon();
        if (stored) {
            if (watcher)
                watcher->IncomingFileStored(*stored);
        } else {
            if (watcher)
                watcher->IncomingTransferFailed(incomingName,
                                                r == LinkStatus::Ok ? LinkStatus::FileError : r);
            if (r == LinkStatus::Ok)
                return LinkStatus::FileError;
        }
    }
    return r;
}

bool TerminalLink::IsBlockJustStored(std::uint8_t* buffer, std::size_t count)
{
    // Every block before the current one was full.
    if (buffer[0] != kStx || GetU32(buffer + 1) != blockIndex - 1)
        return false;
    if (count < kMaxBlockSize &&
        ReadExactly(buffer + count, kMaxBlockSize - count) != LinkStatus::Ok)
        return false;
    return ::CheckDataBlock(std::span(buffer, kMaxBlockSize), blockIndex - 1);
}

LinkStatus TerminalLink::ReceivePhase(bool showProgress, bool allowEmpty)
{
    blockIndex = 0;
    incomingType = 0;
    std::array<std::uint8_t, kDataHeaderSize> header{};
    if (ReadExactly(header.data(), header.size()) != LinkStatus::Ok)
        return LinkStatus::NoReply;
    if (const LinkStatus r = CheckDataHeader(header); r != LinkStatus::Ok) {
        SendAcknowledgement(false, 1);
        return cancel.load() ? LinkStatus::Cancelled : r;
    }
    // A cancelled job, or more data than a terminal file can hold: tell the
    // terminal to stop instead of letting it time out.
    if (cancel.load() || *answerLength > kMaxIncomingLength) {
        SendAcknowledgement(false, 1);
        return cancel.load() ? LinkStatus::Cancelled : LinkStatus::BadReply;
    }
    if (SendAcknowledgement(false, 0) == LinkStatus::LineGone)
        return LinkStatus::LineGone;
    receivingFile = incomingType.load() == kDataTypeFile;
    std::uint32_t remaining = *answerLength;
    if (remaining == 0 && allowEmpty)
        return LinkStatus::Ok;
    TransferProgress* const shown = showProgress ? progress.load() : nullptr;
    if (shown)
        shown->byteTotal = remaining;

    std::array<std::uint8_t, kBurstBufferSize> buffer{};
    int failures = 0;
    for (;;) {
        if (cancel.load() || Stopping())
            return LinkStatus::Cancelled;
        if (failures >= kMaxFailures)
            return LinkStatus::TooManyFailures;
        const std::size_t count =
            std::min<std::uint32_t>(remaining, kMaxBlockData) + kBlockOverhead;
        buffer.fill(0);
        const bool arrived = ReadExactly(buffer.data(), count) == LinkStatus::Ok;
        if (arrived && blockIndex > 0 && IsBlockJustStored(buffer.data(), count)) {
            // Our acknowledgement of it was lost: say it again, store nothing.
            ++failures;
            if (SendAcknowledgement(true, 0) == LinkStatus::LineGone)
                return LinkStatus::LineGone;
            continue;
        }
        if (!arrived || CheckDataBlock(buffer.data(), count) != LinkStatus::Ok) {
            ++failures;
            Resynchronise();
            if (SendAcknowledgement(true, 1) == LinkStatus::LineGone)
                return LinkStatus::LineGone;
            continue;
        }
        const std::size_t n = count - kBlockOverhead;
        const LinkStatus stored = StoreDataBlock(n);
        if (stored == LinkStatus::BadDataType) {
            SendAcknowledgement(true, 1);
            return stored;
        }
        if (SendAcknowledgement(true, 0) == LinkStatus::LineGone)
            return LinkStatus::LineGone;
        if (stored != LinkStatus::Ok)
            return stored;
        remaining -= static_cast<std::uint32_t>(n);
        failures = 0;
        ++blockIndex;
        if (shown)
            shown->bytesDone += n;
        if (remaining == 0) {
            incomingType = 0;
            return cancel.load() ? LinkStatus::Cancelled : LinkStatus::Ok;
        }
    }
}
