#include "sim/in_process_line.h"

#include "link/event.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

// One direction of the line, with the closed flag shared by both directions.
struct LineChannel {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<std::uint8_t> bytes;
    Event* event = nullptr;
    std::shared_ptr<std::atomic<bool>> closed;

    void Push(std::span<const std::uint8_t> data)
    {
        {
            std::lock_guard lock(mutex);
            bytes.insert(bytes.end(), data.begin(), data.end());
            if (event)
                event->Set();
        }
        cv.notify_all();
    }
    std::size_t TakeLocked(std::uint8_t* buffer, std::size_t capacity)
    {
        const std::size_t n = std::min(capacity, bytes.size());
        std::copy_n(bytes.begin(), n, buffer);
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        if (bytes.empty() && event)
            event->Reset();
        return n;
    }
};

// Moves a pair of neighbouring bytes from the middle on by +1 and -1, the first
// pair where neither wraps around.
static void ShiftPairKeepingSum(std::vector<std::uint8_t>& bytes)
{
    for (std::size_t i = bytes.size() / 2; i + 1 < bytes.size(); ++i)
        if (bytes[i] < 0xFF && bytes[i + 1] > 0) {
            ++bytes[i];
            --bytes[i + 1];
            return;
        }
}

// What one end writes: its faults and its pace. Guarded by its own mutex so
// that writes from two threads stay whole.
struct LineEnd::Writer {
    std::mutex mutex;
    LineFaults faults;
    std::uint32_t writes = 0;
    std::mt19937 random{1};
    std::chrono::steady_clock::time_point lineFreeAt{};
    std::function<void(std::span<const std::uint8_t>)> tap;
};

LineEnd::LineEnd(std::shared_ptr<LineChannel> inChannel, std::shared_ptr<LineChannel> outChannel)
    : in(std::move(inChannel)), out(std::move(outChannel)), writer(std::make_unique<Writer>())
{
}

LineEnd::~LineEnd() = default;

std::size_t LineEnd::Write(std::span<const std::uint8_t> data)
{
    std::lock_guard lock(writer->mutex);
    if (out->closed->load())
        return 0;
    const LineFaults& f = writer->faults;
    const std::uint32_t index = ++writer->writes;
    if (f.stall || index == f.dropWrite || data.empty())
        return data.size();
    std::vector<std::uint8_t> bytes(data.begin(), data.end());
    if (index == f.corruptWrite)
        bytes.back() ^= 0x5A;
    if (index == f.balancedWrite)
        ShiftPairKeepingSum(bytes);
    if (f.corruptRate > 0) {
        std::bernoulli_distribution flip(f.corruptRate);
        for (auto& b : bytes)
            if (flip(writer->random))
                b ^= static_cast<std::uint8_t>(1u << (writer->random() % 8));
    }
    if (f.dropRate > 0) {
        std::bernoulli_distribution lose(f.dropRate);
        std::erase_if(bytes, [&](std::uint8_t) { return lose(writer->random); });
        if (bytes.empty())
            return data.size();
    }
    if (writer->tap)
        writer->tap(bytes);
    if (f.lineRate <= 0) {
        out->Push(bytes);
        return data.size();
    }
    // Bytes leave at rate / 10 per second, in slices of about a millisecond.
    using namespace std::chrono;
    const double bytesPerSecond = f.lineRate / 10.0;
    const std::size_t slice =
        std::max<std::size_t>(1, static_cast<std::size_t>(bytesPerSecond / 1000));
    auto next = std::max(writer->lineFreeAt, steady_clock::now());
    for (std::size_t pos = 0; pos < bytes.size(); pos += slice) {
        const std::size_t n = std::min(slice, bytes.size() - pos);
        next += duration_cast<steady_clock::duration>(duration<double>(n / bytesPerSecond));
        std::this_thread::sleep_until(next);
        if (out->closed->load())
            return 0;
        out->Push(std::span(bytes).subspan(pos, n));
    }
    writer->lineFreeAt = next;
    return data.size();
}

std::size_t LineEnd::Read(std::uint8_t* buffer, std::size_t capacity)
{
    std::lock_guard lock(in->mutex);
    return in->TakeLocked(buffer, capacity);
}

std::size_t LineEnd::ReadFor(std::uint8_t* buffer, std::size_t capacity,
                             std::chrono::milliseconds timeout)
{
    std::unique_lock lock(in->mutex);
    in->cv.wait_for(lock, timeout, [&] { return !in->bytes.empty() || in->closed->load(); });
    return in->TakeLocked(buffer, capacity);
}

std::size_t LineEnd::Pending() const
{
    std::lock_guard lock(in->mutex);
    return in->bytes.size();
}

void LineEnd::Purge()
{
    std::lock_guard lock(in->mutex);
    in->bytes.clear();
    if (in->event)
        in->event->Reset();
}

void LineEnd::SetReceiveEvent(Event* event)
{
    std::lock_guard lock(in->mutex);
    in->event = event;
    if (event && !in->bytes.empty())
        event->Set();
}

void LineEnd::SetFaults(const LineFaults& faults)
{
    std::lock_guard lock(writer->mutex);
    writer->faults = faults;
    writer->writes = 0;
    writer->random.seed(faults.seed);
}

void LineEnd::SetDeliveryTap(std::function<void(std::span<const std::uint8_t>)> tap)
{
    std::lock_guard lock(writer->mutex);
    writer->tap = std::move(tap);
}

void LineEnd::Close()
{
    in->closed->store(true);
    // Blocked readers wake; a link notices the line gone at its next write.
    for (LineChannel* c : {in.get(), out.get()}) {
        std::lock_guard lock(c->mutex);
        c->cv.notify_all();
    }
}

bool LineEnd::IsClosed() const
{
    return in->closed->load();
}

std::pair<std::shared_ptr<LineEnd>, std::shared_ptr<LineEnd>> MakeInProcessLine()
{
    auto closed = std::make_shared<std::atomic<bool>>(false);
    auto aToB = std::make_shared<LineChannel>();
    auto bToA = std::make_shared<LineChannel>();
    aToB->closed = closed;
    bToA->closed = closed;
    return {std::make_shared<LineEnd>(bToA, aToB), std::make_shared<LineEnd>(aToB, bToA)};
}
