#include "sim/terminal_port.h"

#include "sim/in_process_line.h"

LinePort::LinePort(std::shared_ptr<LineEnd> lineEnd) : end(std::move(lineEnd)) {}

std::size_t LinePort::Read(std::uint8_t* buffer, std::size_t capacity,
                           std::chrono::milliseconds timeout)
{
    return end->ReadFor(buffer, capacity, timeout);
}

bool LinePort::Write(std::span<const std::uint8_t> bytes)
{
    return end->Write(bytes) == bytes.size();
}

void LinePort::Purge()
{
    end->Purge();
}

bool LinePort::IsGone() const
{
    return end->IsClosed();
}
