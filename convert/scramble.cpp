#include "convert/scramble.h"

#include <algorithm>
#include <charconv>

bool LooksScrambled(std::span<const std::uint8_t> bytes)
{
    const auto probe = bytes.first(std::min(bytes.size(), kScrambleProbeSize));
    return std::any_of(probe.begin(), probe.end(),
                       [](std::uint8_t b) { return b < 0x0A || b >= 0x80; });
}

void Unscramble(std::span<std::uint8_t> bytes, const UnscrambleKey& key)
{
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(bytes[i] - (key[i % key.size()] & 0xFF));
}

void Scramble(std::span<std::uint8_t> bytes, const UnscrambleKey& key)
{
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(bytes[i] + (key[i % key.size()] & 0xFF));
}

std::optional<UnscrambleKey> ParseUnscrambleKey(std::string_view text)
{
    UnscrambleKey key{};
    std::size_t count = 0;
    std::size_t pos = 0;
    while (true) {
        pos = text.find_first_not_of(", \t", pos);
        if (pos == std::string_view::npos)
            break;
        const std::size_t end = std::min(text.find_first_of(", \t", pos), text.size());
        std::string_view word = text.substr(pos, end - pos);
        int base = 10;
        if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
            word.remove_prefix(2);
            base = 16;
        }
        std::uint32_t value = 0;
        const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
        if (ec != std::errc() || ptr != word.data() + word.size() || count == key.size())
            return std::nullopt;
        key[count++] = value;
        pos = end;
    }
    if (count != key.size())
        return std::nullopt;
    return key;
}

std::string FormatUnscrambleKey(const UnscrambleKey& key)
{
    std::string text;
    for (std::size_t i = 0; i < key.size(); ++i)
        text += (i ? "," : "") + std::to_string(key[i]);
    return text;
}
