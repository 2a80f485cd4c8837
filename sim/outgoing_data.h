// outgoing_data.h: the data of a phase the terminal sends: bytes in memory or a
// host file read part by part, so a large upload is never held whole. The
// terminal's thread.
#pragma once

#include "link/frame.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>

class OutgoingData {
public:
    OutgoingData() = default;
    // headerOnlyWhenEmpty: an empty phase is the data header alone (a listing);
    // otherwise it is the header and one empty block.
    static OutgoingData FromBytes(Bytes bytes, bool headerOnlyWhenEmpty = false);
    // nullopt when the file cannot be opened or is larger than a phase can carry.
    static std::optional<OutgoingData> FromFile(const std::filesystem::path& path);

    std::uint32_t Length() const { return length; }
    bool HeaderOnlyWhenEmpty() const { return headerOnlyWhenEmpty; }
    // Fills out with the bytes from offset on. False when they cannot be read
    // (the host file shrank or failed).
    bool Read(std::uint32_t offset, std::span<std::uint8_t> out);

private:
    Bytes bytes;
    std::shared_ptr<std::ifstream> file;
    std::uint32_t length = 0;
    bool headerOnlyWhenEmpty = false;
};
