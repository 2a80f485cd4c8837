// utf8_path.h: file names kept as UTF-8 text and turned into paths and back.
// A narrow string means the system's code page to std::filesystem on Windows,
// which would mangle a Polish name or refuse it; these go through UTF-8 on
// every system. Pure, any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// utf8 as a path (or a path component).
std::filesystem::path Utf8Path(std::string_view utf8);

// path as UTF-8 text, with its own separators.
std::string Utf8Text(const std::filesystem::path& path);
