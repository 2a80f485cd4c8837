// download_receiver.h: a file record arriving with command 8 (a file sent to the
// terminal). Where the file goes is decided as soon as the record header and
// name are in; its bytes go to a pending file that takes the real name, with
// the record's time stamp, after the last block. The terminal's thread.
#pragma once

#include "link/frame.h"
#include "sim/pending_file.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

class SimStorage;

// Answers to a file download, carried by a block acknowledgement.
inline constexpr std::uint8_t kStoreOk = 0, kStoreNotFormatted = 2, kStoreNoSpace = 3,
                              kStoreExists = 4, kStoreWriteFailed = 5, kStoreCannotStore = 6;

class DownloadReceiver {
public:
    DownloadReceiver(SimStorage& storage, std::uint32_t recordLength);

    // Takes the data of the next block; last is set for the final one. The
    // answer for its acknowledgement: kStoreOk, or an answer code that ends the
    // transfer (the file is not stored).
    std::uint8_t Take(std::span<const std::uint8_t> data, bool last);
    // The terminal path of the file, once decided.
    const std::string& Name() const { return name; }

private:
    std::uint8_t Decide();

    SimStorage& storage;
    const std::uint32_t recordLength;
    Bytes head; // the record header and name, until they are all in
    std::optional<FileRecordHeader> header;
    std::string name;
    bool decided = false;
    PendingFile file;
};
