// code_page.h: how the bytes of terminal names are shown. The terminals keep
// names as 8-bit bytes in a code page of their own; the window shows them
// decoded (Windows-1250 unless the settings name another 8-bit code page) and
// keeps the bytes themselves for its requests. GUI thread for the setting; the
// tables themselves any thread.
#pragma once

#include "link/windows_1250.h"

#include <QString>

#include <string>

// The setting: group "Setting", value "CodePage".
inline constexpr const char* kCodePageKey = "Setting/CodePage";
inline constexpr const char* kDefaultCodePage = "Windows-1250";

// The table of the 8-bit code page Qt knows by name; Windows-1250 for its own
// name and for a name Qt does not know.
CodePageTable CodePageNamed(const QString& name);
// The code page the settings store names (Windows-1250 when none).
CodePageTable TerminalCodePage();
// A terminal name typed in the window as the terminal's bytes: ASCII as it is,
// each other character of codePage as its byte, any character codePage lacks as
// "?". Any thread.
std::string EncodeTerminalName(const QString& text, const CodePageTable& codePage);
