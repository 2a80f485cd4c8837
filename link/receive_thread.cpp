// The link's receive thread and the thread of a transfer the terminal starts.
#include "link/terminal_link.h"

#include <algorithm>

namespace {

// Whether the count bytes at h (at most a header's worth) can begin the data
// header of a push: accept 1, type 8, markers in place, and for a whole header
// the checksum right.
bool CanBeginPushHeader(const std::uint8_t* h, std::size_t count)
{
    struct Fixed {
        std::size_t at;
        std::uint8_t value;
    };
    static constexpr Fixed kFixed[] = {{0, kEsc},          {1, kStx}, {2, 0x01},
                                       {4, kDataTypeFile}, {9, kStx}, {10, kEsc}};
    for (const Fixed& f : kFixed)
        if (f.at < count && h[f.at] != f.value)
            return false;
    return count < kDataHeaderSize || ParseDataHeader(std::span(h, kDataHeaderSize)).has_value();
}

} // namespace

void TerminalLink::ReceiveThread()
{
    std::array<std::uint8_t, kBurstBufferSize> chunk{};
    for (;;) {
        receiveEvent.Wait();
        if (Stopping())
            return;
        for (;;) {
            for (;;) {
                if (ring.Free() == 0)
                    ScanIdleBytes(); // a free line's ring never stays full
                const std::size_t room = ring.Free();
                if (room == 0) {
                    // The ring never overwrites unread bytes: they wait in the
                    // transport until the holder makes room (or drops the ring).
                    spaceEvent.Reset();
                    if (ring.Free() == 0)
                        spaceEvent.Wait(timings.burstGap);
                    if (Stopping())
                        return;
                    continue;
                }
                const std::uint32_t k = transport.PortRead(
                    port, chunk.data(), static_cast<std::uint32_t>(std::min(room, chunk.size())));
                if (k == 0)
                    break;
                ring.Write(chunk.data(), k);
                dataEvent.Set(); // a reply reaches its reader at once, not at the burst's end
                ScanIdleBytes();
            }
            if (Stopping())
                return;
            if (!receiveEvent.Wait(timings.burstGap))
                break;
        }
        ScanIdleBytes(); // also after a release, which wakes this thread
    }
}

void TerminalLink::ScanIdleBytes()
{
    // Only while nobody holds the line: then no one else reads the ring.
    Holder seen = Holder::None;
    if (!holder.compare_exchange_strong(seen, Holder::Scan))
        return;
    std::array<std::uint8_t, RingBuffer::kSize> view{};
    const std::size_t n = ring.Peek(view.data(), view.size());
    std::size_t start = n;
    for (std::size_t p = 0; p < n; ++p) {
        if (CanBeginPushHeader(view.data() + p, std::min(n - p, kDataHeaderSize))) {
            start = p;
            break;
        }
    }
    ring.Skip(start); // bytes no one asked for that cannot start a push
    spaceEvent.Set();
    if (n - start >= kDataHeaderSize) {
        // A previous push has released the line: its thread is ending.
        if (incomingThread.joinable())
            incomingThread.join();
        holder.store(Holder::Push);
        holder.notify_all();
        incomingThread = std::thread(&TerminalLink::IncomingTransferThread, this);
        return;
    }
    holder.store(Holder::None);
    holder.notify_all();
    WakeOwedClock();
}

void TerminalLink::IncomingTransferThread()
{
    ReceiveData(PhaseSink{kDataTypeFile, nullptr, &pushCancel}, false, false);
    Release();
}
