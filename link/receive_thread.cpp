// The link's receive thread and the thread of a transfer the terminal starts.
#include "link/terminal_link.h"

#include <algorithm>
#include <optional>

namespace {

// Offset of a data header in the burst that starts a file transfer from the
// terminal (accept 1, type 8, markers and checksum right).
std::optional<std::size_t> FindIncomingHeader(const std::uint8_t* burst, std::size_t n)
{
    for (std::size_t p = 0; p + kDataHeaderSize <= n; ++p) {
        const std::uint8_t* h = burst + p;
        if (h[0] != kEsc || h[1] != kStx || h[2] != 0x01 || h[4] != kDataTypeFile)
            continue;
        if (ParseDataHeader(std::span(h, kDataHeaderSize)))
            return p;
    }
    return std::nullopt;
}

} // namespace

void TerminalLink::ReceiveThread()
{
    std::array<std::uint8_t, kBurstBufferSize> burst{};
    std::array<std::uint8_t, kBurstBufferSize> chunk{};
    for (;;) {
        receiveEvent.Wait();
        if (Stopping())
            return;
        const std::uint32_t burstStart = ring.WritePosition();
        std::size_t n = 0;
        for (;;) {
            for (;;) {
                const std::size_t room = ring.Free();
                if (room == 0) {
                    // The ring never overwrites unread bytes: they wait in the
                    // transport until the reader makes room (or drops the ring).
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
                const std::size_t keep = std::min<std::size_t>(k, burst.size() - n);
                std::copy_n(chunk.begin(), keep, burst.begin() + static_cast<std::ptrdiff_t>(n));
                n += keep;
            }
            if (Stopping())
                return;
            if (!receiveEvent.Wait(timings.burstGap))
                break;
        }
        // A header that a phase has read was part of its data (a data block
        // can hold the same 13 bytes); only one still unread while no
        // operation runs starts a transfer of the terminal's own.
        if (n < kDataHeaderSize || exchanges.load() != 0 || activeOperations.load() != 0)
            continue;
        const auto p = FindIncomingHeader(burst.data(), n);
        if (!p)
            continue;
        const auto headerPosition =
            static_cast<std::uint32_t>((burstStart + *p) % RingBuffer::kSize);
        const std::uint32_t behindWriter =
            (ring.WritePosition() - headerPosition) % RingBuffer::kSize;
        if (behindWriter >= kDataHeaderSize && behindWriter <= ring.Available())
            StartIncomingTransfer(headerPosition);
    }
}

void TerminalLink::StartIncomingTransfer(std::uint32_t headerPosition)
{
    // A previous transfer may still be storing its file; its phase is over.
    if (incomingThread.joinable())
        incomingThread.join();
    busy = 1;
    // An operation that began meanwhile wins; it saw busy clear.
    if (activeOperations.load() != 0) {
        busy = 0;
        WakeOwedClock(); // the clock may have stepped back for this moment
        return;
    }
    incomingThread = std::thread(&TerminalLink::IncomingTransferThread, this, headerPosition);
}

void TerminalLink::IncomingTransferThread(std::uint32_t headerPosition)
{
    ring.DropTo(headerPosition); // bytes before the header are noise
    spaceEvent.Set();
    {
        // What an operation left in receivedData stays for its caller.
        AnswerAside aside(*this);
        ReceiveData(false, false);
    }
    busy = 0;
    WakeOwedClock();
}
