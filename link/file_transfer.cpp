// Files between the PC and the terminal: DownloadFile and UploadFile.
#include "link/terminal_link.h"

#include "link/display_path.h"
#include "link/file_open.h"
#include "link/listing.h"
#include "link/local_time.h"
#include "link/source_file.h"
#include "link/transfer_progress.h"
#include "link/utf8_path.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>
#include <optional>
#include <system_error>
#include <tuple>
#include <utility>

namespace {

// The longest record a 32-bit length field can announce.
constexpr std::uint64_t kMaxRecordLength = std::numeric_limits<std::uint32_t>::max();

// The file record for the whole file, read once into place after the header and
// name: the length field is what was read, even when the file changes meanwhile.
// The record's length travels in 32 bits: a larger file would be announced cut
// short and sent short, so it is refused before anything is read.
LinkStatus ReadFileRecord(const std::filesystem::path& path, const std::string& time14,
                          std::uint8_t overwrite, const std::string& name, Bytes* record)
{
    *record = BuildFileRecord({}, time14, overwrite, name);
    const std::size_t head = record->size();
    if (const LinkStatus r = ReadSourceFile(path, kMaxRecordLength - head, record);
        r != LinkStatus::Ok)
        return r;
    PutU32(record->data(), static_cast<std::uint32_t>(record->size() - head));
    return LinkStatus::Ok;
}

// Local modification time as "%Y%m%d%H%M%S".
std::string ModificationTime(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    std::time_t t = std::time(nullptr);
    if (!ec)
        t = std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
    const std::tm local = LocalTime(t);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    return text;
}

LinkStatus MapDownloadAnswer(LinkStatus r)
{
    switch (StatusValue(r)) {
    case 1: return LinkStatus::FileInUse;
    case 2: return LinkStatus::DiskNotFormatted;
    case 3: return LinkStatus::DiskFull;
    case 4: return LinkStatus::FileExists;
    case 5: return LinkStatus::FileError;
    case 6: return LinkStatus::CannotStoreHere;
    default: return r;
    }
}

// Writes the bytes beside the target under a temporary name and renames it
// over the target only when all of them are on disk.
bool WriteFileWhole(const std::filesystem::path& target, const Bytes& bytes)
{
    std::filesystem::path temp;
    std::FILE* f = nullptr;
    for (int attempt = 0; attempt < 100 && !f; ++attempt) {
        temp = target;
        temp.replace_filename(Utf8Path("." + Utf8Text(target.filename()) + "." +
                                       std::to_string(attempt) + ".kvpart"));
        f = OpenFile(temp, "wbx");
    }
    if (!f)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    // On the disk before it takes the name: a crash never leaves a named half file.
    ok = ok && FlushToDisk(f);
    ok = std::fclose(f) == 0 && ok;
    ok = ok && RenameOver(temp, target);
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

} // namespace

LinkStatus TerminalLink::DownloadFile(const std::filesystem::path& source,
                                      const std::string& terminalName, std::uint8_t overwrite,
                                      bool showProgress, bool showName)
{
    Bytes record;
    if (const LinkStatus r =
            ReadFileRecord(source, ModificationTime(source), overwrite, terminalName, &record);
        r != LinkStatus::Ok)
        return r;
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    if (TransferProgress* p = progress.load(); showProgress && p) {
        p->SetTitle("Download File....");
        p->byteTotal = record.size();
        p->bytesDone = 0;
        if (showName)
            p->SetFileText(DisplayPath(Utf8Text(source)));
    }
    const auto send = [&] {
        bool resent = false;
        const LinkStatus r = MapDownloadAnswer(
            SendCommand(kCommandDownload, record.data(), static_cast<std::uint32_t>(record.size()),
                        showProgress, &resent));
        return std::pair(r, resent);
    };
    auto [r, resent] = send();
    if (r != LinkStatus::Ok || !resent)
        return r;
    // An acknowledgement carries no block number: a late one can make the PC
    // run a block ahead. Only the bytes themselves tell.
    const auto content = std::span(record).subspan(kFileRecordHeaderSize + terminalName.size());
    const std::string time14(record.begin() + 4, record.begin() + 4 + kTimeTextSize);
    const auto check = [&] {
        const LinkStatus c = ReadBackMatches(terminalName, content);
        if (c == LinkStatus::Ok || c == LinkStatus::NotConfirmed || c == LinkStatus::Cancelled ||
            IsTransportFailure(c))
            return c;
        // The line that needed resends spoiled the read-back too: the listing
        // still tells the size and the time stamp, which an older file lacks.
        return ListedAsSent(terminalName, content.size(), time14);
    };
    r = check();
    if (r != LinkStatus::NotConfirmed)
        return r == LinkStatus::Ok || r == LinkStatus::Cancelled || IsTransportFailure(r)
                   ? r
                   : LinkStatus::NotConfirmed;
    record[18] = 1; // the terminal's copy is ours now: replace it
    std::tie(r, resent) = send();
    if (r == LinkStatus::Ok && resent)
        r = check();
    // The copy that differs may still be there: never reported as sent.
    if (r == LinkStatus::Ok || r == LinkStatus::Cancelled || IsTransportFailure(r))
        return r;
    return LinkStatus::NotConfirmed;
}

LinkStatus TerminalLink::ReadBackMatches(const std::string& terminalName,
                                         std::span<const std::uint8_t> content)
{
    Bytes copy;
    const LinkStatus r = Request(
        kRequestUpload, terminalName, false, [](LinkStatus s) { return s; }, &copy);
    if (r != LinkStatus::Ok)
        return r;
    return std::equal(copy.begin(), copy.end(), content.begin(), content.end())
               ? LinkStatus::Ok
               : LinkStatus::NotConfirmed;
}

LinkStatus TerminalLink::ListedAsSent(const std::string& terminalName, std::size_t size,
                                      const std::string& time14)
{
    const std::size_t cut = terminalName.find_last_of('\\');
    std::string folder, name;
    if (cut != std::string::npos) {
        folder = terminalName.substr(0, cut);
        name = terminalName.substr(cut + 1);
    } else if (terminalName.size() > 2 && terminalName[1] == ':') {
        folder = terminalName.substr(0, 2);
        name = terminalName.substr(2);
    } else {
        return LinkStatus::NotConfirmed;
    }
    Bytes listing;
    if (const LinkStatus r = Request(
            kRequestList, folder, true, [](LinkStatus s) { return s; }, &listing);
        r != LinkStatus::Ok)
        return r;
    const auto upper = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    };
    std::string wanted = upper(name);
    if (!wanted.empty() && wanted.back() == '.')
        wanted.pop_back(); // "NAME." is the file NAME without an extension
    for (const TerminalEntry& e :
         DecodeListing(listing.data(), static_cast<int>(listing.size() / kListingEntrySize))) {
        const std::string entryName = e.extension.empty() ? e.name : e.name + "." + e.extension;
        if (e.kind == kEntryFile && upper(entryName) == wanted)
            return e.size == size && e.time == time14 ? LinkStatus::Ok : LinkStatus::NotConfirmed;
    }
    return LinkStatus::NotConfirmed;
}

LinkStatus TerminalLink::UploadFile(const std::string& terminalPath,
                                    const std::filesystem::path& target, bool showProgress)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    LinkStatus r = SendRequest(kRequestUpload, terminalPath);
    if (r == AnswerCode(2))
        return LinkStatus::NoSuchFile;
    if (r == AnswerCode(5))
        return LinkStatus::FileError;
    if (r != LinkStatus::Ok)
        return r;
    if (TransferProgress* p = progress.load(); showProgress && p) {
        p->SetTitle("Upload Files....");
        p->SetFileText(terminalPath);
        p->bytesDone = 0;
    }
    Bytes bytes;
    r = ReceiveData(PhaseSink{kDataTypeMemory, &bytes, &cancel}, showProgress, false);
    if (r != LinkStatus::Ok)
        return r;
    return WriteFileWhole(target, bytes) ? LinkStatus::Ok : LinkStatus::FileError;
}
