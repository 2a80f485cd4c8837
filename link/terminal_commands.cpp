// Requests the terminal answers: listing, delete, format, disk and terminal
// information, set time.
#include "link/terminal_link.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

LinkStatus Unchanged(LinkStatus r)
{
    return r;
}

LinkStatus MapDeleteSend(LinkStatus r)
{
    switch (StatusValue(r)) {
    case 1: return LinkStatus::FileInUse;
    case 2: return LinkStatus::NoSuchFile;
    case 3: return LinkStatus::InUse;
    default: return r;
    }
}

LinkStatus MapFormatSend(LinkStatus r)
{
    return r == AnswerCode(3) ? LinkStatus::InUse : r;
}

std::string Field(const std::uint8_t* bytes, std::size_t size)
{
    const auto* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, strnlen(text, size));
}

// Empty answers are shared by every listing with no entries, so that a
// successful listing never returns null.
const std::uint8_t kNoEntries[1] = {0};

} // namespace

LinkStatus TerminalLink::SendRequest(std::uint8_t request, const std::string& text)
{
    Bytes data;
    data.reserve(text.size() + 4);
    data.push_back(request);
    if (request != kRequestInfo) {
        data.insert(data.end(), text.begin(), text.end());
        data.push_back('\r');
        data.push_back('\n');
        if (request == kRequestUpload)
            data.push_back(0);
    }
    return SendCommand(kCommandRequest, data.data(), static_cast<std::uint32_t>(data.size()),
                       false);
}

LinkStatus TerminalLink::Request(std::uint8_t request, const std::string& text, bool allowEmpty,
                                 LinkStatus (*mapSend)(LinkStatus))
{
    if (const LinkStatus r = SendRequest(request, text); r != LinkStatus::Ok)
        return mapSend(r);
    return ReceiveData(false, allowEmpty);
}

const std::uint8_t* TerminalLink::ListDirectory(const std::string& path, int* count,
                                                LinkStatus* status)
{
    *count = 0;
    UserClaim claim(*this);
    if (!claim.Held()) {
        if (status)
            *status = LinkStatus::Busy;
        return nullptr;
    }
    OperationScope scope(*this);
    const LinkStatus r = Request(kRequestList, path, true, Unchanged);
    if (status)
        *status = r;
    if (r != LinkStatus::Ok)
        return nullptr;
    const std::size_t length = std::min<std::size_t>(receivedLength, receivedData.size());
    if (length == 0)
        return kNoEntries;
    std::string upper = path;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper == "PDT") {
        const auto* data = receivedData.data();
        for (std::size_t pos = 0; pos < length;) {
            const auto* end = data + length;
            const auto* cr = std::search(data + pos, end, "\r\n", "\r\n" + 2);
            if (cr == end)
                break;
            ++*count;
            pos = static_cast<std::size_t>(cr - data) + 2;
        }
    } else {
        *count = static_cast<int>(length / 32);
    }
    return receivedData.data();
}

LinkStatus TerminalLink::DeleteTerminalFile(const std::string& path)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    OperationScope scope(*this);
    if (const LinkStatus r = Request(kRequestDelete, path, false, MapDeleteSend);
        r != LinkStatus::Ok)
        return r;
    // An empty answer carries no answer byte: never read a stale one.
    return receivedData.empty() ? LinkStatus::BadReply : AnswerCode(receivedData[0]);
}

LinkStatus TerminalLink::FormatDisk(const std::string& disk)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    OperationScope scope(*this);
    if (const LinkStatus r = Request(kRequestFormat, disk, false, MapFormatSend);
        r != LinkStatus::Ok)
        return r;
    if (receivedData.empty())
        return LinkStatus::BadReply;
    return receivedData[0] == 1 ? LinkStatus::FileInUse : AnswerCode(receivedData[0]);
}

LinkStatus TerminalLink::GetDiskInfo(const std::string& disk, std::uint32_t* capacity,
                                     std::uint32_t* used, std::uint32_t* freeSpace)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    OperationScope scope(*this);
    if (const LinkStatus r = Request(kRequestDiskInfo, disk, false, Unchanged); r != LinkStatus::Ok)
        return r;
    if (receivedData.size() < kDiskInfoSize)
        return LinkStatus::BadReply;
    *capacity = GetU32(&receivedData[0]);
    *freeSpace = GetU32(&receivedData[4]);
    *used = *capacity - *freeSpace; // wraps when free exceeds capacity
    return LinkStatus::Ok;
}

LinkStatus TerminalLink::SetTerminalTime(const std::string& time14)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    OperationScope scope(*this);
    return SetTimeRequest(time14);
}

LinkStatus TerminalLink::TrySetTerminalTime(const std::string& time14)
{
    for (;;) {
        Holder seen = Holder::None;
        // A user operation waiting for an earlier setting goes first.
        if (usersWaiting.load() == 0 && holder.compare_exchange_strong(seen, Holder::Clock)) {
            clockOwed = false; // this is the setting that was owed
            const LinkStatus r = SetTimeAside(time14);
            Release();
            if (r != LinkStatus::Busy)
                return r;
        }
        // Whoever ends the present use sees the flag and wakes the worker;
        // one that ended before it could see it leaves the link free: try again.
        clockOwed = true;
        if (holder.load() != Holder::None || busy.load() != 0 || usersWaiting.load() != 0)
            return LinkStatus::Busy;
    }
}

LinkStatus TerminalLink::SetTimeAside(const std::string& time14)
{
    OperationScope scope(*this);
    // Once the operation is marked and busy is clear, no transfer of the
    // terminal's own starts: nobody else receives while the answer goes aside.
    if (busy.load())
        return LinkStatus::Busy;
    AnswerAside aside(*this);
    return SetTimeRequest(time14);
}

LinkStatus TerminalLink::SetTimeRequest(const std::string& time14)
{
    if (const LinkStatus r = Request(kRequestSetTime, time14, false, Unchanged);
        r != LinkStatus::Ok)
        return r;
    return answerData->empty() ? LinkStatus::BadReply : AnswerCode((*answerData)[0]);
}

LinkStatus TerminalLink::GetTerminalInfo(TerminalInfo* info)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    OperationScope scope(*this);
    return ReadTerminalInfo(info);
}

LinkStatus TerminalLink::ReadTerminalInfo(TerminalInfo* info)
{
    if (const LinkStatus r = Request(kRequestInfo, {}, false, Unchanged); r != LinkStatus::Ok)
        return r;
    if (receivedData.size() < kTerminalInfoSize)
        return LinkStatus::BadReply;
    const std::uint8_t* d = receivedData.data();
    *info = TerminalInfo{Field(d, 10), Field(d + 10, 10), Field(d + 20, 20), Field(d + 40, 20)};
    return LinkStatus::Ok;
}
