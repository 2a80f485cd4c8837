// link_status.h: the result of every link operation. Plain values, any thread.
#pragma once

#include <cstdint>

// Signed 32-bit result of every operation of the link. 0 is success; 1000 + e a
// transport write failure; 1-255 an answer code of the terminal that the
// operation does not map itself.
enum class LinkStatus : std::int32_t {
    Ok = 0,
    TransportBase = 1000,    // 1000 + the transport's last error
    LineGone = 1107,         // the transport's error 107: the line is gone
    NoTerminalInfo = 1106,   // install could not read the terminal information
    Refused = 3002,          // accept byte 0
    BadReply = 3003,         // markers, checksum, tag or block number wrong
    Busy = 3004,             // a terminal-initiated transfer is running
    BadDataType = 3005,      // data header type other than 4 and 8
    FileError = 3006,        // a PC file could not be opened or created
    NoReply = 3007,          // nothing within the reply time-out
    TooManyFailures = 3008,  // five failures in a row on one block, or 17 sends of one
    AppAreaTooSmall = 3009,  // command acknowledgement answer 3
    Cancelled = 3010,        // cancel was set during a data phase
    InvalidImage = 3011,     // LX-2 image answers 2, 7, 8
    TerminalFailure = 3012,  // block acknowledgement answer 255
    NotConfirmed = 3013,     // a download retried on the way reads back other bytes
    UnexpectedData = 3014,   // the terminal answered with data of another kind (a push)
    BadRecord = 3015,        // a pushed file record whose lengths disagree with its data
    FileInUse = 4001,        // download answer 1; delete/format answer 1
    DiskNotFormatted = 4002, // download answer 2
    DiskFull = 4003,         // download answer 3
    FileExists = 4004,       // download answer 4
    CannotStoreHere = 4005,  // download answer 6
    NotInInstallMode = 4006, // command acknowledgement answer 2
    InUse = 4007,            // delete or format answer 3
    NoSuchFile = 4008,       // delete or upload answer 2
    InstallError3 = 4010,    // LX-2 image answers 3, 4, 5, 6, 9
    InstallError4 = 4011,
    InstallError5 = 4012,
    InstallError6 = 4013,
    InstallError9 = 4014,
};

inline constexpr std::uint32_t kLineGoneError = 107; // transport error: device closed or unplugged

constexpr LinkStatus TransportFailure(std::uint32_t error)
{
    return static_cast<LinkStatus>(1000 + static_cast<std::int32_t>(error));
}
constexpr bool IsTransportFailure(LinkStatus s)
{
    const auto v = static_cast<std::int32_t>(s);
    return v >= 1000 && v < 2000 && s != LinkStatus::NoTerminalInfo;
}
// A terminal answer byte carried unchanged as a status.
constexpr LinkStatus AnswerCode(std::uint8_t answer)
{
    return static_cast<LinkStatus>(answer);
}
constexpr bool IsAnswerCode(LinkStatus s)
{
    const auto v = static_cast<std::int32_t>(s);
    return v >= 1 && v <= 255;
}
constexpr std::int32_t StatusValue(LinkStatus s)
{
    return static_cast<std::int32_t>(s);
}
