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
                                 LinkStatus (*mapSend)(LinkStatus), Bytes* answer)
{
    if (const LinkStatus r = SendRequest(request, text); r != LinkStatus::Ok)
        return mapSend(r);
    return ReceiveData(PhaseSink{kDataTypeMemory, answer, &cancel}, false, allowEmpty);
}

LinkStatus TerminalLink::ListDirectory(const std::string& path, DirectoryListing* listing)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    Bytes bytes;
    if (const LinkStatus r = Request(kRequestList, path, true, Unchanged, &bytes);
        r != LinkStatus::Ok)
        return r;
    std::string upper = path;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    int count = 0;
    if (upper == "PDT") {
        const auto* data = bytes.data();
        const auto* end = data + bytes.size();
        for (const auto* at = data; at < end;) {
            const auto* cr = std::search(at, end, "\r\n", "\r\n" + 2);
            if (cr == end)
                break;
            ++count;
            at = cr + 2;
        }
    } else {
        count = static_cast<int>(bytes.size() / 32);
    }
    listing->bytes = std::move(bytes);
    listing->count = count;
    return LinkStatus::Ok;
}

LinkStatus TerminalLink::DeleteTerminalFile(const std::string& path)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    Bytes answer;
    if (const LinkStatus r = Request(kRequestDelete, path, false, MapDeleteSend, &answer);
        r != LinkStatus::Ok)
        return r;
    // An empty answer carries no answer byte.
    return answer.empty() ? LinkStatus::BadReply : AnswerCode(answer[0]);
}

LinkStatus TerminalLink::FormatDisk(const std::string& disk)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    Bytes answer;
    if (const LinkStatus r = Request(kRequestFormat, disk, false, MapFormatSend, &answer);
        r != LinkStatus::Ok)
        return r;
    if (answer.empty())
        return LinkStatus::BadReply;
    return answer[0] == 1 ? LinkStatus::FileInUse : AnswerCode(answer[0]);
}

LinkStatus TerminalLink::GetDiskInfo(const std::string& disk, DiskFigures* figures)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    Bytes answer;
    if (const LinkStatus r = Request(kRequestDiskInfo, disk, false, Unchanged, &answer);
        r != LinkStatus::Ok)
        return r;
    if (answer.size() < kDiskInfoSize)
        return LinkStatus::BadReply;
    figures->capacity = GetU32(&answer[0]);
    figures->freeSpace = GetU32(&answer[4]);
    figures->used = figures->capacity - figures->freeSpace; // wraps when free exceeds capacity
    return LinkStatus::Ok;
}

LinkStatus TerminalLink::SetTerminalTime(const std::string& time14)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    return SetTimeRequest(time14);
}

LinkStatus TerminalLink::TrySetTerminalTime(const std::string& time14)
{
    for (;;) {
        Holder seen = Holder::None;
        // A user operation waiting for an earlier setting goes first.
        if (usersWaiting.load() == 0 && holder.compare_exchange_strong(seen, Holder::Clock)) {
            clockOwed = false; // this is the setting that was owed
            const LinkStatus r = SetTimeRequest(time14);
            Release();
            return r;
        }
        // Whoever ends the present use sees the flag and wakes the worker;
        // one that ended before it could see it leaves the line free: try again.
        clockOwed = true;
        if (holder.load() != Holder::None || usersWaiting.load() != 0)
            return LinkStatus::Busy;
    }
}

LinkStatus TerminalLink::SetTimeRequest(const std::string& time14)
{
    Bytes answer;
    if (const LinkStatus r = Request(kRequestSetTime, time14, false, Unchanged, &answer);
        r != LinkStatus::Ok)
        return r;
    return answer.empty() ? LinkStatus::BadReply : AnswerCode(answer[0]);
}

LinkStatus TerminalLink::GetTerminalInfo(TerminalInfo* info)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    return ReadTerminalInfo(info);
}

LinkStatus TerminalLink::ReadTerminalInfo(TerminalInfo* info)
{
    Bytes answer;
    if (const LinkStatus r = Request(kRequestInfo, {}, false, Unchanged, &answer);
        r != LinkStatus::Ok)
        return r;
    if (answer.size() < kTerminalInfoSize)
        return LinkStatus::BadReply;
    const std::uint8_t* d = answer.data();
    *info = TerminalInfo{Field(d, 10), Field(d + 10, 10), Field(d + 20, 20), Field(d + 40, 20)};
    return LinkStatus::Ok;
}
