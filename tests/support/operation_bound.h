// operation_bound.h: the longest a link operation can last, from the link's
// retry limits and its reply time-out T. A wait for a frame lasts at most
// kFrameWaitTimeouts * T; a resynchronisation after a damaged frame at most T.
// Each block sent is tried at most kMaxResends + 1 times, each try one write,
// one wait and one resynchronisation; each block received at most kMaxFailures
// times, each try two waits (a block the PC has stored already, sent again, is
// read whole) and one resynchronisation.
#pragma once

#include "link/terminal_link.h"

#include <chrono>
#include <cstdint>

constexpr std::uint32_t BlocksOf(std::uint64_t bytes)
{
    return bytes == 0 ? 1 : static_cast<std::uint32_t>((bytes + kMaxBlockData - 1) / kMaxBlockData);
}

// A command exchange, blocksOut blocks sent, and (when blocksIn > 0) a data
// header and blocksIn blocks received.
inline std::chrono::milliseconds OperationBound(std::chrono::milliseconds t,
                                                std::uint32_t blocksOut, std::uint32_t blocksIn)
{
    const auto wait = kFrameWaitTimeouts * t;
    auto bound = wait + blocksOut * (kMaxResends + 1) * (wait + t);
    if (blocksIn > 0)
        bound += wait + blocksIn * kMaxFailures * (2 * wait + t);
    return bound;
}
