#include "sim/download_receiver.h"

#include "sim/sim_storage.h"
#include "sim/terminal_clock.h"

DownloadReceiver::DownloadReceiver(SimStorage& simStorage, std::uint32_t length)
    : storage(simStorage), recordLength(length)
{
}

std::uint8_t DownloadReceiver::Take(std::span<const std::uint8_t> data, bool last)
{
    if (decided) {
        if (!file.Write(data))
            return kStoreWriteFailed;
    } else {
        head.insert(head.end(), data.begin(), data.end());
        if (!header)
            header = ParseFileRecordHeader(head);
        if (header && head.size() >= kFileRecordHeaderSize + header->nameLength) {
            if (const std::uint8_t answer = Decide(); answer != kStoreOk)
                return answer;
        } else if (last) {
            return kStoreCannotStore; // the record ended before its name did
        }
    }
    if (!last)
        return kStoreOk;
    return file.Commit(ParseTimeText(header->time)) ? kStoreOk : kStoreWriteFailed;
}

std::uint8_t DownloadReceiver::Decide()
{
    const std::size_t nameEnd = kFileRecordHeaderSize + header->nameLength;
    if (recordLength != nameEnd + static_cast<std::uint64_t>(header->fileLength))
        return kStoreCannotStore; // the record's lengths disagree with the command's
    name.assign(head.begin() + kFileRecordHeaderSize, head.begin() + nameEnd);
    switch (storage.BeginStore(name, header->fileLength, header->overwrite != 0, file)) {
    case StoreCheck::Ok: break;
    case StoreCheck::NotFormatted: return kStoreNotFormatted;
    case StoreCheck::Exists: return kStoreExists;
    case StoreCheck::NoSpace: return kStoreNoSpace;
    case StoreCheck::WriteFailed: return kStoreWriteFailed;
    case StoreCheck::NoSuchPlace:
    case StoreCheck::InUse: return kStoreCannotStore;
    }
    decided = true;
    const bool written = file.Write(std::span(head).subspan(nameEnd));
    head = Bytes();
    return written ? kStoreOk : kStoreWriteFailed;
}
