#include "sim/request_answers.h"

#include "link/frame.h"

#include "sim/sim_storage.h"
#include "sim/terminal_clock.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

// Error codes in the acknowledgement of a request's last block.
constexpr std::uint8_t kNoSuchThing = 2, kFileInUse = 3, kHostFailed = 5;
// First byte of the delete, format and set-time answers.
constexpr std::uint8_t kDone = 0, kFormatUnknownDisk = 1, kFormatFailed = 5, kBadTime = 1;

constexpr std::string_view kRootListing = "PDT";
constexpr std::size_t kEntrySize = 32, kEntryNameSize = 8, kEntryExtSize = 3;
constexpr std::uint8_t kEntryFolder = 1, kEntryFile = 2;
constexpr std::uint32_t kFreeWhenUnformatted = 0xFFFFFFFF;
constexpr std::size_t kModelSize = 10, kFirmwareSize = 10, kSerialSize = 20, kEquipmentSize = 20;

// The text after the request byte, up to its CR LF (or NUL).
std::string RequestText(std::span<const std::uint8_t> request)
{
    std::string text(request.begin() + 1, request.end());
    return text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
}

void PutText(std::uint8_t* at, std::size_t size, const std::string& text)
{
    std::memcpy(at, text.data(), std::min(size, text.size()));
}

RequestAnswer Data(Bytes bytes, bool headerOnlyWhenEmpty = false)
{
    return RequestAnswer{0, OutgoingData::FromBytes(std::move(bytes), headerOnlyWhenEmpty)};
}

RequestAnswer Error(std::uint8_t code)
{
    return RequestAnswer{code, {}};
}

RequestAnswer List(const std::string& path, SimStorage& storage)
{
    if (UpperAscii(path) == kRootListing) {
        Bytes lines;
        for (const char disk : kTerminalDisks)
            for (const char c : {disk, ':', '\r', '\n'})
                lines.push_back(static_cast<std::uint8_t>(c));
        return Data(std::move(lines));
    }
    const auto entries = storage.List(path);
    if (!entries)
        return Error(kNoSuchThing);
    Bytes listing(entries->size() * kEntrySize, 0);
    std::uint8_t* at = listing.data();
    for (const StorageEntry& e : *entries) {
        const auto [base, ext] = SplitShortName(e.name);
        PutText(at, kEntryNameSize, base);
        PutText(at + kEntryNameSize, kEntryExtSize, ext);
        at[11] = e.folder ? kEntryFolder : kEntryFile;
        PutText(at + 12, kTimeTextSize, FormatTimeText(e.modified));
        PutU32(at + 26, e.size);
        at += kEntrySize;
    }
    return Data(std::move(listing), true);
}

RequestAnswer Delete(const std::string& path, SimStorage& storage)
{
    switch (storage.Delete(path)) {
    case DeleteResult::Ok: return Data({kDone});
    case DeleteResult::InUse: return Error(kFileInUse);
    case DeleteResult::NoSuchFile: break;
    }
    return Error(kNoSuchThing);
}

RequestAnswer Upload(const std::string& path, SimStorage& storage)
{
    const auto file = storage.FindFile(path);
    if (!file)
        return Error(kNoSuchThing);
    auto data = OutgoingData::FromFile(*file);
    if (!data)
        return Error(kHostFailed);
    return RequestAnswer{0, std::move(*data)};
}

RequestAnswer Format(const std::string& disk, SimStorage& storage)
{
    switch (storage.Format(disk)) {
    case FormatResult::Ok: return Data({kDone});
    case FormatResult::UnknownDisk: return Data({kFormatUnknownDisk});
    case FormatResult::InUse: return Error(kFileInUse);
    case FormatResult::WriteFailed: break;
    }
    return Data({kFormatFailed});
}

RequestAnswer DiskInfo(const std::string& disk, SimStorage& storage)
{
    const auto path = ParseTerminalPath(disk);
    if (!path || !path->IsDisk() || !SimStorage::HasDisk(path->disk))
        return Error(kNoSuchThing);
    Bytes info(8);
    PutU32(&info[0], storage.Capacity(path->disk));
    PutU32(&info[4], storage.FreeSpace(path->disk).value_or(kFreeWhenUnformatted));
    return Data(std::move(info));
}

} // namespace

Bytes TerminalInfoBytes(const TerminalIdentity& identity)
{
    Bytes info(kModelSize + kFirmwareSize + kSerialSize + kEquipmentSize, 0);
    std::uint8_t* at = info.data();
    PutText(at, kModelSize, identity.model);
    PutText(at += kModelSize, kFirmwareSize, identity.firmware);
    PutText(at += kFirmwareSize, kSerialSize, identity.serial);
    PutText(at += kSerialSize, kEquipmentSize, identity.equipment);
    return info;
}

RequestAnswer AnswerRequest(std::span<const std::uint8_t> request, RequestContext& context)
{
    if (request.empty())
        return Error(kNoSuchThing);
    const std::string text = RequestText(request);
    switch (request[0]) {
    case kRequestList: return List(text, context.storage);
    case kRequestDelete: return Delete(text, context.storage);
    case kRequestUpload: return Upload(text, context.storage);
    case kRequestFormat: return Format(text, context.storage);
    case kRequestDiskInfo: return DiskInfo(text, context.storage);
    case kRequestInfo: return Data(TerminalInfoBytes(context.identity));
    case kRequestSetTime: return Data({context.clock.Set(text) ? kDone : kBadTime});
    }
    return Error(kNoSuchThing);
}
