// windows_1250.h: Windows-1250, the 8-bit code page of Polish terminals, and
// UTF-8 output, for plain code that turns the bytes of terminal names into PC
// text. Tables are constant: any thread.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>

// The character of each byte 0x80-0xFF; 0 where the code page has none.
using CodePageTable = std::array<char32_t, 128>;

const CodePageTable& Windows1250();

void AppendUtf8(std::string& out, char32_t c);

// The character of the UTF-8 sequence at text[at] (at < text.size()) and its
// length in bytes; U+FFFD and 1 for a byte that begins no well-formed one.
std::pair<char32_t, std::size_t> Utf8CharacterAt(std::string_view text, std::size_t at);

// A terminal's text as the PC shows it, in UTF-8: bytes above ASCII decoded with
// codePage, control bytes and bytes without a character as '?'.
std::string DecodeTerminalText(std::string_view bytes,
                               const CodePageTable& codePage = Windows1250());

// Text typed on the PC (UTF-8) as the terminal's bytes: each character of the
// code page becomes its byte; anything else is kept as given.
std::string EncodeTerminalText(std::string_view utf8);
