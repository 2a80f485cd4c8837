#include "link/frame.h"

#include <algorithm>
#include <cstring>

std::uint16_t Checksum16(std::span<const std::uint8_t> bytes)
{
    std::uint32_t sum = 0;
    for (const std::uint8_t b : bytes)
        sum += b;
    return static_cast<std::uint16_t>(sum);
}

std::uint16_t Checksum16Signed(std::span<const std::uint8_t> bytes)
{
    std::int32_t sum = 0;
    for (const std::uint8_t b : bytes)
        sum += static_cast<std::int8_t>(b);
    return static_cast<std::uint16_t>(sum);
}

void PutU16(std::uint8_t* at, std::uint16_t v)
{
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t GetU16(const std::uint8_t* at)
{
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

std::uint32_t GetU32(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

std::array<std::uint8_t, kCommandFrameSize> BuildCommandFrame(std::uint8_t command,
                                                              std::uint32_t length,
                                                              std::uint8_t byte2,
                                                              std::uint8_t byte3)
{
    std::array<std::uint8_t, kCommandFrameSize> f{kEsc, kStx, byte2, byte3, command};
    PutU32(&f[5], length);
    f[9] = kStx;
    f[10] = kEsc;
    PutU16(&f[11], Checksum16(std::span(f).first(11)));
    return f;
}

LinkStatus CheckCommandAck(std::span<const std::uint8_t> ack)
{
    if (ack.size() < kAckSize || ack[0] != kEsc || ack[1] != kStx)
        return LinkStatus::BadReply;
    if (ack[2] == 0)
        return LinkStatus::Refused;
    if (ack[4] != kStx || ack[5] != kEsc || GetU16(&ack[6]) != Checksum16(ack.first(6)))
        return LinkStatus::BadReply;
    return AnswerCode(ack[3]);
}

LinkStatus CheckBlockAck(std::span<const std::uint8_t> ack, std::uint8_t command)
{
    if (ack.size() < kBlockAckSize || ack[0] != kStx || ack[1] != command || ack[3] != kStx ||
        GetU16(&ack[4]) != Checksum16(ack.first(4)))
        return LinkStatus::BadReply;
    return AnswerCode(ack[2]);
}

std::optional<DataHeader> ParseDataHeader(std::span<const std::uint8_t> h)
{
    if (h.size() < kDataHeaderSize || h[0] != kEsc || h[1] != kStx || h[9] != kStx ||
        h[10] != kEsc || GetU16(&h[11]) != Checksum16(h.first(11)))
        return std::nullopt;
    return DataHeader{h[2], h[4], GetU32(&h[5])};
}

std::array<std::uint8_t, kAckSize> BuildHeaderAck(std::uint8_t type, std::uint8_t answer)
{
    std::array<std::uint8_t, kAckSize> a{kEsc, kStx, type, answer, kStx, kEsc};
    PutU16(&a[6], Checksum16Signed(std::span(a).first(6)));
    return a;
}

std::array<std::uint8_t, kBlockAckSize> BuildBlockAck(std::uint8_t tag, std::uint8_t result,
                                                      bool signedSum)
{
    std::array<std::uint8_t, kBlockAckSize> a{kStx, tag, result, kStx};
    const auto head = std::span(a).first(4);
    PutU16(&a[4], signedSum ? Checksum16Signed(head) : Checksum16(head));
    return a;
}

Bytes BuildDataBlock(std::uint32_t number, std::span<const std::uint8_t> data)
{
    Bytes b(data.size() + kBlockOverhead);
    b[0] = kStx;
    PutU32(&b[1], number);
    std::copy(data.begin(), data.end(), b.begin() + 5);
    b[5 + data.size()] = kStx;
    PutU16(&b[6 + data.size()], Checksum16(std::span(b).first(6 + data.size())));
    return b;
}

bool CheckDataBlock(std::span<const std::uint8_t> block, std::uint32_t expectedNumber)
{
    const std::size_t count = block.size();
    if (count < kBlockOverhead || count > kMaxBlockSize)
        return false;
    return block[0] == kStx && block[count - 3] == kStx &&
           GetU16(&block[count - 2]) == Checksum16(block.first(count - 2)) &&
           GetU32(&block[1]) == expectedNumber;
}

std::optional<std::uint8_t> ParseCommandFrame(std::span<const std::uint8_t> f,
                                              std::uint32_t* length)
{
    if (f.size() < kCommandFrameSize || f[0] != kEsc || f[1] != kStx || f[9] != kStx ||
        f[10] != kEsc || GetU16(&f[11]) != Checksum16(f.first(11)))
        return std::nullopt;
    if (length)
        *length = GetU32(&f[5]);
    return f[4];
}

std::array<std::uint8_t, kAckSize> BuildCommandAck(std::uint8_t accept, std::uint8_t result)
{
    std::array<std::uint8_t, kAckSize> a{kEsc, kStx, accept, result, kStx, kEsc};
    PutU16(&a[6], Checksum16(std::span(a).first(6)));
    return a;
}

std::array<std::uint8_t, kDataHeaderSize> BuildDataHeader(std::uint8_t accept, std::uint8_t type,
                                                          std::uint32_t length)
{
    std::array<std::uint8_t, kDataHeaderSize> h{kEsc, kStx, accept, 0, type};
    PutU32(&h[5], length);
    h[9] = kStx;
    h[10] = kEsc;
    PutU16(&h[11], Checksum16(std::span(h).first(11)));
    return h;
}

std::optional<std::uint8_t> ParseHeaderAck(std::span<const std::uint8_t> a)
{
    if (a.size() < kAckSize || a[0] != kEsc || a[1] != kStx || a[4] != kStx || a[5] != kEsc ||
        GetU16(&a[6]) != Checksum16Signed(a.first(6)))
        return std::nullopt;
    return a[3];
}

std::optional<std::uint8_t> ParseBlockAckFromPc(std::span<const std::uint8_t> a, std::uint8_t tag)
{
    if (a.size() < kBlockAckSize || a[0] != kStx || a[1] != tag || a[3] != kStx ||
        GetU16(&a[4]) != Checksum16Signed(a.first(4)))
        return std::nullopt;
    return a[2];
}

Bytes BuildFileRecord(std::span<const std::uint8_t> content, const std::string& time14,
                      std::uint8_t overwrite, const std::string& name)
{
    Bytes r(kFileRecordHeaderSize + name.size() + content.size(), 0);
    PutU32(&r[0], static_cast<std::uint32_t>(content.size()));
    std::memcpy(&r[4], time14.data(), std::min(time14.size(), kTimeTextSize));
    r[18] = overwrite;
    PutU16(&r[20], static_cast<std::uint16_t>(name.size()));
    std::memcpy(&r[kFileRecordHeaderSize], name.data(), name.size());
    std::copy(content.begin(), content.end(), r.begin() + kFileRecordHeaderSize + name.size());
    return r;
}

std::optional<FileRecordHeader> ParseFileRecordHeader(std::span<const std::uint8_t> b)
{
    if (b.size() < kFileRecordHeaderSize)
        return std::nullopt;
    FileRecordHeader h;
    h.fileLength = GetU32(&b[0]);
    h.time.assign(reinterpret_cast<const char*>(&b[4]), kTimeTextSize);
    h.overwrite = b[18];
    h.nameLength = GetU16(&b[20]);
    return h;
}
