// terminal_port.h: the byte port a simulated terminal runs on, and its adapter
// over one end of an in-process line. A port is used by its terminal's thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class LineEnd;

class TerminalPort {
public:
    virtual ~TerminalPort() = default;

    // Bytes read into buffer (at most capacity); 0 when none came within timeout.
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t capacity,
                             std::chrono::milliseconds timeout) = 0;
    // True when every byte went out.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Discards what waits to be read.
    virtual void Purge() = 0;
    // True once nothing can ever arrive again (the line was closed or unplugged).
    virtual bool IsGone() const = 0;
};

class LinePort : public TerminalPort {
public:
    explicit LinePort(std::shared_ptr<LineEnd> end);

    std::size_t Read(std::uint8_t* buffer, std::size_t capacity,
                     std::chrono::milliseconds timeout) override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    void Purge() override;
    bool IsGone() const override;

private:
    std::shared_ptr<LineEnd> end;
};
