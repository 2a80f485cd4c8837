#include "sim/outgoing_data.h"

#include <algorithm>
#include <limits>
#include <system_error>

OutgoingData OutgoingData::FromBytes(Bytes data, bool headerOnly)
{
    OutgoingData out;
    out.length = static_cast<std::uint32_t>(data.size());
    out.bytes = std::move(data);
    out.headerOnlyWhenEmpty = headerOnly;
    return out;
}

std::optional<OutgoingData> OutgoingData::FromFile(const std::filesystem::path& path)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    auto stream = std::make_shared<std::ifstream>(path, std::ios::binary);
    if (!*stream)
        return std::nullopt;
    OutgoingData out;
    out.file = std::move(stream);
    out.length = static_cast<std::uint32_t>(size);
    return out;
}

bool OutgoingData::Read(std::uint32_t offset, std::span<std::uint8_t> out)
{
    if (static_cast<std::uint64_t>(offset) + out.size() > length)
        return false;
    if (!file) {
        std::copy_n(bytes.begin() + offset, out.size(), out.begin());
        return true;
    }
    file->clear();
    file->seekg(offset);
    file->read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return file->gcount() == static_cast<std::streamsize>(out.size());
}
