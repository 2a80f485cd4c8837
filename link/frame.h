// frame.h: frame layouts of the link and the file record. Pure functions, no
// I/O, any thread. Used by the PC side (TerminalLink) and the terminal side (sim).
//
// All numbers are little-endian. ESC = 0x1B, STX = 0x02. Every checksum is the
// 16-bit sum of the bytes before it; the two acknowledgements the PC sends add
// the bytes as signed 8-bit values, every other frame as unsigned.
//
// Command frame, PC -> terminal, 13 bytes:
//   0 ESC | 1 STX | 2 byte2 (1) | 3 byte3 (0) | 4 command | 5-8 length | 9 STX | 10 ESC | 11-12 sum
// Command acknowledgement, terminal -> PC, 8 bytes:
//   0 ESC | 1 STX | 2 accept | 3 result | 4 STX | 5 ESC | 6-7 sum
// Data header, terminal -> PC, 13 bytes:
//   0 ESC | 1 STX | 2 accept | 3 (any) | 4 type | 5-8 length | 9 STX | 10 ESC | 11-12 sum
// Header acknowledgement, PC -> terminal, 8 bytes (signed sum):
//   0 ESC | 1 STX | 2 type | 3 answer | 4 STX | 5 ESC | 6-7 sum
// Data block, either way, n + 8 bytes (0 <= n <= 1024):
//   0 STX | 1-4 block number | 5.. n data | 5+n STX | 6+n..7+n sum
// Block acknowledgement, 6 bytes (signed sum from the PC, unsigned from the terminal):
//   0 STX | 1 tag | 2 result | 3 STX | 4-5 sum
// File record (data of command 8 and of a type-8 data phase):
//   0-3 file length | 4-17 time "%Y%m%d%H%M%S" | 18 overwrite | 19 0 | 20-21 name length
//   | 22.. name | then the file's bytes
#pragma once

#include "link/link_status.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr std::uint8_t kEsc = 0x1B, kStx = 0x02;
inline constexpr std::size_t kCommandFrameSize = 13, kAckSize = 8, kDataHeaderSize = 13;
inline constexpr std::size_t kBlockAckSize = 6, kBlockOverhead = 8, kMaxBlockData = 1024;
inline constexpr std::size_t kMaxBlockSize = kMaxBlockData + kBlockOverhead;
inline constexpr std::size_t kFileRecordHeaderSize = 22, kTimeTextSize = 14;
inline constexpr std::chrono::milliseconds kReplyTimeout{3000};

inline constexpr std::uint8_t kCommandRequest = 4, kCommandDownload = 8;
inline constexpr std::uint8_t kCommandInstallKv20 = 10, kCommandInstallLx2 = 12;
inline constexpr std::uint8_t kDataTypeMemory = 4, kDataTypeFile = 8;
// Request bytes: the first byte of a request's data (command 4).
inline constexpr std::uint8_t kRequestList = 0, kRequestDelete = 3, kRequestUpload = 4,
                              kRequestFormat = 5, kRequestDiskInfo = 6, kRequestInfo = 7,
                              kRequestSetTime = 8;

using Bytes = std::vector<std::uint8_t>;

std::uint16_t Checksum16(std::span<const std::uint8_t> bytes);
std::uint16_t Checksum16Signed(std::span<const std::uint8_t> bytes);
void PutU16(std::uint8_t* at, std::uint16_t v);
void PutU32(std::uint8_t* at, std::uint32_t v);
std::uint16_t GetU16(const std::uint8_t* at);
std::uint32_t GetU32(const std::uint8_t* at);

// PC side.
std::array<std::uint8_t, kCommandFrameSize> BuildCommandFrame(std::uint8_t command,
                                                              std::uint32_t length,
                                                              std::uint8_t byte2 = 1,
                                                              std::uint8_t byte3 = 0);
// Command form: BadReply (markers, checksum), Refused (accept 0), else the result byte.
// Block form: BadReply (markers, tag, checksum), else the result byte.
LinkStatus CheckCommandAck(std::span<const std::uint8_t> ack);
LinkStatus CheckBlockAck(std::span<const std::uint8_t> ack, std::uint8_t command);

struct DataHeader {
    std::uint8_t accept = 0;
    std::uint8_t type = 0;
    std::uint32_t length = 0;
};
// The header's fields when markers and checksum are right.
std::optional<DataHeader> ParseDataHeader(std::span<const std::uint8_t> header);
std::array<std::uint8_t, kAckSize> BuildHeaderAck(std::uint8_t type, std::uint8_t answer);
// PC block acknowledgements use the signed sum; the terminal's the unsigned one.
std::array<std::uint8_t, kBlockAckSize> BuildBlockAck(std::uint8_t tag, std::uint8_t result,
                                                      bool signedSum);
Bytes BuildDataBlock(std::uint32_t number, std::span<const std::uint8_t> data);
// True when STX markers, checksum (unsigned) and block number are right.
bool CheckDataBlock(std::span<const std::uint8_t> block, std::uint32_t expectedNumber);

// Terminal side.
std::optional<std::uint8_t> ParseCommandFrame(std::span<const std::uint8_t> frame,
                                              std::uint32_t* length);
std::array<std::uint8_t, kAckSize> BuildCommandAck(std::uint8_t accept, std::uint8_t result);
std::array<std::uint8_t, kDataHeaderSize> BuildDataHeader(std::uint8_t accept, std::uint8_t type,
                                                          std::uint32_t length);
// Checks a header acknowledgement from the PC (signed sum); the answer byte or nullopt.
std::optional<std::uint8_t> ParseHeaderAck(std::span<const std::uint8_t> ack);
// Checks a block acknowledgement from the PC (signed sum); the result byte or nullopt.
std::optional<std::uint8_t> ParseBlockAckFromPc(std::span<const std::uint8_t> ack,
                                                std::uint8_t tag);

// File record.
struct FileRecordHeader {
    std::uint32_t fileLength = 0;
    std::string time; // 14 digits
    std::uint8_t overwrite = 0;
    std::uint16_t nameLength = 0;
};
Bytes BuildFileRecord(std::span<const std::uint8_t> content, const std::string& time14,
                      std::uint8_t overwrite, const std::string& name);
std::optional<FileRecordHeader> ParseFileRecordHeader(std::span<const std::uint8_t> bytes);
