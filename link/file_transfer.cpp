// Files between the PC and the terminal: DownloadFile and UploadFile.
#include "link/terminal_link.h"

#include "link/display_path.h"
#include "link/listing.h"
#include "link/transfer_progress.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <system_error>

namespace {

// The longest record a 32-bit length field can announce.
constexpr std::uint64_t kMaxRecordLength = std::numeric_limits<std::uint32_t>::max();

// The file record for the whole file, read once into place after the header and
// name: the length field is what was read, even when the file changes meanwhile.
std::optional<Bytes> ReadFileRecord(const std::filesystem::path& path, const std::string& time14,
                                    std::uint8_t overwrite, const std::string& name)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    Bytes record = BuildFileRecord({}, time14, overwrite, name);
    // The record's length travels in 32 bits: a larger file would be announced
    // cut short and sent short, so it is refused before anything is read.
    const std::uint64_t most = kMaxRecordLength - record.size();
    struct stat info {};
    if (fstat(fileno(f), &info) != 0 || static_cast<std::uint64_t>(info.st_size) > most) {
        std::fclose(f);
        return std::nullopt;
    }
    record.reserve(record.size() + static_cast<std::size_t>(info.st_size));
    std::uint8_t chunk[64 * 1024];
    std::size_t n = 0;
    bool tooLong = false; // the file grew past the limit while it was read
    while (!tooLong && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        record.insert(record.end(), chunk, chunk + n);
        tooLong = record.size() > kMaxRecordLength;
    }
    const bool failed = tooLong || std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return std::nullopt;
    PutU32(record.data(),
           static_cast<std::uint32_t>(record.size() - kFileRecordHeaderSize - name.size()));
    return record;
}

// Local modification time as "%Y%m%d%H%M%S".
std::string ModificationTime(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    std::time_t t = std::time(nullptr);
    if (!ec)
        t = std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    return text;
}

// Listings asked for to confirm a retried download.
constexpr int kConfirmTries = 2;

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
bool WriteFileWhole(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes,
                    std::size_t count)
{
    std::filesystem::path temp;
    std::FILE* f = nullptr;
    for (int attempt = 0; attempt < 100 && !f; ++attempt) {
        temp = target;
        temp.replace_filename("." + target.filename().string() + "." + std::to_string(attempt) +
                              ".kvpart");
        f = std::fopen(temp.c_str(), "wbx");
    }
    if (!f)
        return false;
    bool ok = count == 0 || std::fwrite(bytes.data(), 1, count, f) == count;
    ok = std::fclose(f) == 0 && ok;
    std::error_code ec;
    if (ok)
        std::filesystem::rename(temp, target, ec);
    if (!ok || ec) {
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
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    const std::optional<Bytes> read =
        ReadFileRecord(source, ModificationTime(source), overwrite, terminalName);
    if (!read)
        return LinkStatus::FileError;
    const Bytes& record = *read;
    if (TransferProgress* p = progress.load(); showProgress && p) {
        p->SetTitle("Download File....");
        p->byteTotal = record.size();
        p->bytesDone = 0;
        if (showName)
            p->SetFileText(DisplayPath(source.string()));
    }
    const LinkStatus r = MapDownloadAnswer(SendCommand(
        kCommandDownload, record.data(), static_cast<std::uint32_t>(record.size()), showProgress));
    if (r != LinkStatus::Ok || !phaseResent)
        return r;
    return ConfirmStored(terminalName, GetU32(record.data()));
}

LinkStatus TerminalLink::ConfirmStored(const std::string& terminalName, std::uint32_t fileLength)
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
    // The line that needed resends may spoil the listing too: one more try
    // before the file is reported as not confirmed.
    LinkStatus r = LinkStatus::NotConfirmed;
    for (int attempt = 0; attempt < kConfirmTries && r != LinkStatus::Ok; ++attempt) {
        r = Request(kRequestList, folder, true, [](LinkStatus s) { return s; });
        if (r == LinkStatus::Cancelled || IsTransportFailure(r))
            break;
    }
    if (r == LinkStatus::Cancelled || IsTransportFailure(r))
        return r;
    if (r != LinkStatus::Ok)
        return LinkStatus::NotConfirmed;
    const std::size_t length = std::min<std::size_t>(receivedLength, receivedData.size());
    const auto entries =
        DecodeListing(receivedData.data(), static_cast<int>(length / kListingEntrySize));
    const auto upper = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    };
    std::string wanted = upper(name);
    if (!wanted.empty() && wanted.back() == '.')
        wanted.pop_back(); // "NAME." is the file NAME without an extension
    for (const TerminalEntry& e : entries) {
        const std::string entryName = e.extension.empty() ? e.name : e.name + "." + e.extension;
        if (e.kind == kEntryFile && upper(entryName) == wanted)
            return e.size == fileLength ? LinkStatus::Ok : LinkStatus::NotConfirmed;
    }
    return LinkStatus::NotConfirmed;
}

LinkStatus TerminalLink::UploadFile(const std::string& terminalPath,
                                    const std::filesystem::path& target, bool showProgress)
{
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    OperationScope scope(*this);
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
    r = ReceiveData(showProgress, false);
    if (r != LinkStatus::Ok)
        return r;
    const std::size_t count = std::min<std::size_t>(receivedLength, receivedData.size());
    return WriteFileWhole(target, receivedData, count) ? LinkStatus::Ok : LinkStatus::FileError;
}
