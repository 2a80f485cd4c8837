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
    pushCancel = 1;
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
        if (holder.compare_exchange_strong(seen, Holder::User) || seen == Holder::User ||
            seen == Holder::Push) {
            if (waiting)
                usersWaiting.fetch_sub(1);
            return seen == Holder::None;
        }
        // The clock's setting takes milliseconds, a scan microseconds: wait
        // rather than fail, and keep the clock from taking the line meanwhile.
        if (!waiting) {
            usersWaiting.fetch_add(1);
            waiting = true;
        }
        holder.wait(seen);
    }
}

void TerminalLink::Release()
{
    holder.store(Holder::None);
    holder.notify_all();
    WakeOwedClock();
    // What the holder left unread is nobody's: the receive thread looks at it
    // at once, a push that began meanwhile included.
    receiveEvent.Set();
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
    return CheckCommandAck(ack);
}

LinkStatus TerminalLink::SendCommand(std::uint8_t command, const std::uint8_t* data,
                                     std::uint32_t length, bool showProgress, bool* resent)
{
    LinkStatus r = SendCommandFrame(command, length);
    if (r == AnswerCode(2))
        return LinkStatus::NotInInstallMode;
    if (r == AnswerCode(3))
        return LinkStatus::AppAreaTooSmall;
    if (r != LinkStatus::Ok)
        return r;
    r = SendData(command, data, length, showProgress, resent);
    return r == AnswerCode(255) ? LinkStatus::TerminalFailure : r;
}

LinkStatus TerminalLink::SendData(std::uint8_t command, const std::uint8_t* data,
                                  std::uint32_t length, bool showProgress, bool* resent)
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
    if (resent)
        *resent = false;
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
            last = CheckBlockAck(ack, command);
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
        if (resends > 0 && resent)
            *resent = true;
        if (remaining == 0 && last == LinkStatus::Ok && !timedOut)
            return cancel.load() ? LinkStatus::Cancelled : LinkStatus::Ok;
        if (failures >= kMaxFailures || resends > kMaxResends)
            return cancel.load() ? LinkStatus::Cancelled : LinkStatus::TooManyFailures;
        if (cancel.load() || Stopping())
            return LinkStatus::Cancelled;
    }
}

LinkStatus TerminalLink::SendHeaderAck(std::uint8_t type, bool take)
{
    // A refused header (type 1) is answered with the inverse.
    const std::uint8_t answer = static_cast<std::uint8_t>(type == 1 ? (take ? 1 : 0) : !take);
    return WriteAll(BuildHeaderAck(type, answer));
}

LinkStatus TerminalLink::SendBlockAck(std::uint8_t type, bool take)
{
    return WriteAll(BuildBlockAck(type, take ? 0 : 1, true));
}

LinkStatus TerminalLink::StoreFileBlock(const std::uint8_t* bytes, std::size_t count,
                                        std::uint32_t announced)
{
    if (!incomingFile.IsOpen()) {
        // Collect the record header and name, which may span blocks.
        recordHead.insert(recordHead.end(), bytes, bytes + count);
        if (recordHead.size() < kFileRecordHeaderSize)
            return LinkStatus::Ok;
        const FileRecordHeader h = *ParseFileRecordHeader(recordHead);
        incomingFileLength = h.fileLength;
        const std::size_t headAndName = kFileRecordHeaderSize + h.nameLength;
        if (headAndName > announced)
            return LinkStatus::BadRecord; // a name longer than the data
        if (recordHead.size() < headAndName)
            return LinkStatus::Ok;
        incomingName.assign(recordHead.begin() + kFileRecordHeaderSize,
                            recordHead.begin() + static_cast<std::ptrdiff_t>(headAndName));
        const std::string safe = SafeIncomingName(incomingName);
        incomingFile.SetKeepDays(replacedKeepDays.load());
        if (safe.empty() || !incomingFile.Open(ReceiveFolder(), safe))
            return LinkStatus::FileError;
        const std::size_t rest = recordHead.size() - headAndName;
        const bool ok = incomingFile.Write(recordHead.data() + headAndName, rest);
        incomingWritten = rest;
        recordHead.clear();
        return ok ? LinkStatus::Ok : LinkStatus::FileError;
    }
    incomingWritten += count;
    return incomingFile.Write(bytes, count) ? LinkStatus::Ok : LinkStatus::FileError;
}

LinkStatus TerminalLink::CommitPushedFile()
{
    if (!incomingFile.IsOpen() || incomingWritten != incomingFileLength) {
        incomingFile.Abandon();
        return LinkStatus::BadRecord;
    }
    const std::optional<std::filesystem::path> stored = incomingFile.Commit();
    if (!stored)
        return LinkStatus::FileError;
    committedPath = *stored;
    return LinkStatus::Ok;
}

LinkStatus TerminalLink::ReceiveData(const PhaseSink& sink, bool showProgress, bool allowEmpty)
{
    const bool push = sink.expectedType == kDataTypeFile;
    if (push) {
        pushStarted = false;
        incomingFile.Abandon();
        recordHead.clear();
        incomingName.clear();
        incomingFileLength = 0;
        incomingWritten = 0;
    }
    const LinkStatus r = ReceivePhase(sink, showProgress, allowEmpty);
    if (!push || !pushStarted)
        return r;
    incomingFile.Abandon(); // nothing once committed
    if (LinkObserver* const watcher = observer.load()) {
        if (r == LinkStatus::Ok && !incomingFile.KeptAs().empty())
            watcher->IncomingFileKept(committedPath, incomingFile.KeptAs());
        if (r == LinkStatus::Ok)
            watcher->IncomingFileStored(committedPath);
        else
            watcher->IncomingTransferFailed(incomingName, r);
    }
    return r;
}

bool TerminalLink::IsBlockJustStored(std::uint8_t* buffer, std::size_t count,
                                     std::uint32_t blockIndex)
{
    // Every block before the current one was full.
    if (buffer[0] != kStx || GetU32(buffer + 1) != blockIndex - 1)
        return false;
    if (count < kMaxBlockSize &&
        ReadExactly(buffer + count, kMaxBlockSize - count) != LinkStatus::Ok)
        return false;
    return ::CheckDataBlock(std::span(buffer, kMaxBlockSize), blockIndex - 1);
}

LinkStatus TerminalLink::ReceivePhase(const PhaseSink& sink, bool showProgress, bool allowEmpty)
{
    const auto cancelled = [&] { return sink.stop->load() != 0 || Stopping(); };
    std::array<std::uint8_t, kDataHeaderSize> header{};
    if (ReadExactly(header.data(), header.size()) != LinkStatus::Ok)
        return LinkStatus::NoReply;
    const std::optional<DataHeader> h = ParseDataHeader(header);
    if (!h) {
        SendHeaderAck(0, false);
        return cancelled() ? LinkStatus::Cancelled : LinkStatus::BadReply;
    }
    if (h->accept == 0) {
        SendHeaderAck(1, false);
        return cancelled() ? LinkStatus::Cancelled : LinkStatus::Refused;
    }
    const std::uint8_t type = h->type;
    // Data of another kind than asked for (a push instead of an answer) is
    // refused whole: the terminal offers it again.
    if (type != sink.expectedType) {
        SendHeaderAck(type, false);
        if (cancelled())
            return LinkStatus::Cancelled;
        return type == kDataTypeMemory || type == kDataTypeFile ? LinkStatus::UnexpectedData
                                                                : LinkStatus::BadDataType;
    }
    // A cancelled job, or more data than a terminal file can hold: tell the
    // terminal to stop instead of letting it time out.
    if (cancelled() || h->length > kMaxIncomingLength) {
        SendHeaderAck(type, false);
        return cancelled() ? LinkStatus::Cancelled : LinkStatus::BadReply;
    }
    if (SendHeaderAck(type, true) == LinkStatus::LineGone)
        return LinkStatus::LineGone;
    const bool push = type == kDataTypeFile;
    pushStarted = push;
    Bytes* const memory = sink.memory;
    if (memory) {
        memory->clear();
        // Grow as blocks arrive: the announced length is not trusted up front.
        memory->reserve(std::min<std::size_t>(h->length, 1u << 20));
    }
    std::uint32_t remaining = h->length;
    if (remaining == 0 && allowEmpty)
        return LinkStatus::Ok;
    TransferProgress* const shown = showProgress ? progress.load() : nullptr;
    if (shown)
        shown->byteTotal = remaining;

    std::array<std::uint8_t, kBurstBufferSize> buffer{};
    std::uint32_t blockIndex = 0;
    int failures = 0;
    for (;;) {
        if (cancelled())
            return LinkStatus::Cancelled;
        if (failures >= kMaxFailures)
            return LinkStatus::TooManyFailures;
        const std::size_t count =
            std::min<std::uint32_t>(remaining, kMaxBlockData) + kBlockOverhead;
        buffer.fill(0);
        const bool arrived = ReadExactly(buffer.data(), count) == LinkStatus::Ok;
        if (arrived && blockIndex > 0 && IsBlockJustStored(buffer.data(), count, blockIndex)) {
            // Our acknowledgement of it was lost: say it again, store nothing.
            ++failures;
            if (SendBlockAck(type, true) == LinkStatus::LineGone)
                return LinkStatus::LineGone;
            continue;
        }
        if (!arrived || !::CheckDataBlock(std::span(buffer.data(), count), blockIndex)) {
            ++failures;
            Resynchronise();
            if (SendBlockAck(type, false) == LinkStatus::LineGone)
                return LinkStatus::LineGone;
            continue;
        }
        const std::size_t n = count - kBlockOverhead;
        const std::uint8_t* const data = buffer.data() + 5;
        LinkStatus stored = LinkStatus::Ok;
        if (push)
            stored = StoreFileBlock(data, n, h->length);
        else if (memory)
            memory->insert(memory->end(), data, data + n);
        remaining -= static_cast<std::uint32_t>(n);
        // The terminal hears "taken" for the last block of a file only once the
        // file is whole under its name: it may delete its copy then.
        if (stored == LinkStatus::Ok && push && remaining == 0)
            stored = CommitPushedFile();
        if (stored != LinkStatus::Ok) {
            SendBlockAck(type, false);
            return stored;
        }
        if (SendBlockAck(type, true) == LinkStatus::LineGone)
            return LinkStatus::LineGone;
        failures = 0;
        ++blockIndex;
        if (shown)
            shown->bytesDone += n;
        if (remaining == 0) // a pushed file committed is stored, cancel or not
            return cancelled() && !push ? LinkStatus::Cancelled : LinkStatus::Ok;
    }
}
