// link_layers.h: one phase of a TerminalLink at a time, for byte-level tests and
// benchmarks against a scripted peer. Holds the line as an operation does for as
// long as it lives, so that the peer's bytes are the phase's.
#pragma once

#include "link/terminal_link.h"

class LinkLayers {
public:
    explicit LinkLayers(TerminalLink& l) : link(l), claim(l) {}
    bool Held() const { return claim.Held(); }

    LinkStatus SendCommandFrame(std::uint8_t command, std::uint32_t parameter)
    {
        return link.SendCommandFrame(command, parameter);
    }
    LinkStatus SendCommand(std::uint8_t command, const std::uint8_t* data, std::uint32_t length,
                           bool showProgress)
    {
        return link.SendCommand(command, data, length, showProgress);
    }
    LinkStatus SendData(std::uint8_t command, const std::uint8_t* data, std::uint32_t length,
                        bool showProgress)
    {
        return link.SendData(command, data, length, showProgress);
    }
    // A type-4 phase into received.
    LinkStatus ReceiveData(bool showProgress, bool allowEmpty)
    {
        return link.ReceiveData({kDataTypeMemory, &received, &link.cancel}, showProgress,
                                allowEmpty);
    }
    LinkStatus ReadReply(std::uint8_t* destination, std::size_t wanted, std::size_t* delivered,
                         std::chrono::milliseconds timeout)
    {
        return link.ReadReply(destination, wanted, delivered, timeout);
    }

    Bytes received;

private:
    TerminalLink& link;
    TerminalLink::UserClaim claim;
};
