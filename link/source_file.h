// source_file.h: reading a PC file the link is to send (a file, an image, a batch
// list). Any thread; called before the line is claimed.
#pragma once

#include "link/frame.h"
#include "link/link_status.h"

#include <cstdint>
#include <filesystem>

// Appends the whole file at path to *out. FileError, with *out as it was, unless
// path is a regular file of at most limit bytes that reads whole: a FIFO or a
// device is refused without waiting on it, a file that grows past the limit
// while it is read is refused, and memory that cannot be had is a failure too.
LinkStatus ReadSourceFile(const std::filesystem::path& path, std::uint64_t limit, Bytes* out);
