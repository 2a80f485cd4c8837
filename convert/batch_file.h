// batch_file.h: batch build files (*.cmb): records of a terminal path, its size
// and the file's bytes, one after the other, nothing before or after:
//   PATH "," SIZE "," DATA(SIZE bytes) PATH "," ...
// Pure functions, any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct BatchRecord {
    std::string terminalPath;
    std::span<const std::uint8_t> data; // inside the bytes that were parsed
};

struct BatchContents {
    std::vector<BatchRecord> records;
    // False when reading stopped at a record without its separators, with a size
    // that is not a number, or with fewer bytes left than its size: the records
    // before it are whole and listed.
    bool complete = true;
};

// Largest batch file read: far more than a terminal's disks hold.
inline constexpr std::uint64_t kMaxBatchFileLength = 256u << 20;

// The records of bytes, which must outlive the result.
BatchContents ParseBatchFile(std::span<const std::uint8_t> bytes);
