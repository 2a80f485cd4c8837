// windows_1250.h: Windows-1250, the 8-bit code page of Polish terminals, and
// UTF-8 output, for plain code that turns the bytes of terminal names into PC
// text. Tables are constant: any thread.
#pragma once

#include <array>
#include <string>

// The character of each byte 0x80-0xFF; 0 where the code page has none.
using CodePageTable = std::array<char32_t, 128>;

const CodePageTable& Windows1250();

void AppendUtf8(std::string& out, char32_t c);
