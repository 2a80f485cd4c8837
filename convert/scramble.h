// scramble.h: the scrambled form of BASIC programs and batch build files. A
// scrambled file has each byte raised by a key value (the key repeats every ten
// bytes); unscrambling takes it off again. Pure functions, any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Ten 32-bit key values; only their low 8 bits are used.
using UnscrambleKey = std::array<std::uint32_t, 10>;

// The key used when the settings name none.
inline constexpr UnscrambleKey kDefaultUnscrambleKey{0x4B, 0x56, 0x56, 0x49, 0x44,
                                                     0x49, 0x52, 0x49, 0x44, 0x4F};
// How many leading bytes decide whether a file is scrambled.
inline constexpr std::size_t kScrambleProbeSize = 100;

// True when any of the first 100 bytes (all, when fewer) is below 0x0A or at
// or above 0x80: only bytes 0x0A-0x7F count as plain text.
bool LooksScrambled(std::span<const std::uint8_t> bytes);
// byte[i] = byte[i] - key[i mod 10] (mod 256), in place.
void Unscramble(std::span<std::uint8_t> bytes, const UnscrambleKey& key);
// The inverse: byte[i] = byte[i] + key[i mod 10] (mod 256), in place.
void Scramble(std::span<std::uint8_t> bytes, const UnscrambleKey& key);

// Ten numbers (decimal or 0x-hexadecimal) separated by commas or spaces;
// nullopt unless there are exactly ten that fit 32 bits.
std::optional<UnscrambleKey> ParseUnscrambleKey(std::string_view text);
std::string FormatUnscrambleKey(const UnscrambleKey& key);
