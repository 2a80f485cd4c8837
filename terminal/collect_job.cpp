#include "terminal/collect_job.h"

#include "link/incoming_file.h"
#include "link/listing.h"
#include "link/replaced_history.h"
#include "link/terminal_link.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <system_error>

namespace {

// Letters, digits, '-' and '_' of text; the rest dropped.
std::string SafeWord(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80 && (std::isalnum(b) || c == '-' || c == '_'))
            out += c;
    }
    return out;
}

std::string Stamp(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y%m%d-%H%M%S", &local);
    return text.data();
}

// A temporary name beside target, hidden, that no final name can take.
std::filesystem::path TempPath(const std::filesystem::path& target, const char* use)
{
    return target.parent_path() / ("." + target.filename().string() + "." + use + ".part");
}

void Remove(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

// Puts the fetched bytes at part under target's name, or beside it.
void Place(const std::filesystem::path& part, const std::filesystem::path& target,
           CollectedFile& file)
{
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(target, ec))) {
        std::filesystem::rename(part, target, ec);
        file.outcome = ec ? CollectOutcome::Failed : CollectOutcome::Fetched;
        file.savedAs = target;
    } else if (std::filesystem::is_regular_file(target, ec) && FilesHaveSameBytes(part, target)) {
        Remove(part);
        file.outcome = CollectOutcome::Unchanged;
        file.savedAs = target;
    } else {
        const std::filesystem::path beside = KeptBesidePath(target, std::time(nullptr));
        std::filesystem::rename(part, beside, ec);
        file.outcome = ec ? CollectOutcome::Failed : CollectOutcome::KeptBeside;
        file.savedAs = beside;
    }
    if (file.outcome == CollectOutcome::Failed) {
        file.status = LinkStatus::FileError;
        file.savedAs.clear();
        Remove(part);
    }
}

// With the copy on disk: fetches the file once more and deletes it on the
// terminal only when both fetches agree byte for byte (the line's checksum can
// let a damaged block through, and the terminal's file may be the only copy).
void DeleteVerified(TerminalLink& link, const std::string& request, CollectedFile& file)
{
    const std::filesystem::path again = TempPath(file.savedAs, "verify");
    const LinkStatus fetched = link.UploadFile(request, again, true);
    const bool same = fetched == LinkStatus::Ok && FilesHaveSameBytes(again, file.savedAs);
    Remove(again);
    if (fetched != LinkStatus::Ok) {
        file.keptBecause =
            "the second fetch failed (status " + std::to_string(StatusValue(fetched)) + ")";
        return;
    }
    if (!same) {
        file.keptBecause = "the second fetch differs from the stored copy";
        return;
    }
    const LinkStatus deleted = link.DeleteTerminalFile(request);
    file.deleted = deleted == LinkStatus::Ok;
    if (!file.deleted)
        file.keptBecause =
            "the terminal did not delete it (status " + std::to_string(StatusValue(deleted)) + ")";
}

} // namespace

const char* CollectOutcomeWord(CollectOutcome outcome)
{
    switch (outcome) {
    case CollectOutcome::Fetched: return "fetched";
    case CollectOutcome::Unchanged: return "unchanged";
    case CollectOutcome::KeptBeside: return "kept beside";
    case CollectOutcome::Failed: break;
    }
    return "failed";
}

std::string CollectFileLine(const std::string& shownDir, const CollectedFile& file)
{
    std::string line = shownDir + "\\" + file.name + " -> ";
    line += file.savedAs.empty() ? std::string("(nothing)") : file.savedAs.string();
    line += std::string(" ") + CollectOutcomeWord(file.outcome);
    if (file.outcome == CollectOutcome::Failed)
        line += " (status " + std::to_string(StatusValue(file.status)) + ")";
    if (file.deleted)
        line += "; deleted";
    else if (!file.keptBecause.empty())
        line += "; kept on the terminal: " + file.keptBecause;
    return line;
}

bool CollectResult::Complete(bool deleteAfter) const
{
    return status == LinkStatus::Ok &&
           std::all_of(files.begin(), files.end(), [deleteAfter](const CollectedFile& f) {
               return f.outcome != CollectOutcome::Failed && (!deleteAfter || f.deleted);
           });
}

std::string CollectFolderName(const std::string& serial, const std::string& portName)
{
    const std::string fromSerial = SafeWord(serial);
    if (!fromSerial.empty())
        return fromSerial;
    const std::size_t cut = portName.find_last_of("/\\");
    const std::string port =
        SafeWord(cut == std::string::npos ? portName : portName.substr(cut + 1));
    return "port-" + (port.empty() ? std::string("unknown") : port);
}

std::filesystem::path KeptBesidePath(const std::filesystem::path& target, std::time_t now)
{
    const std::string base = target.stem().string() + "-" + Stamp(now);
    const std::string extension = target.extension().string();
    std::error_code ec;
    for (int n = 0;; ++n) {
        const std::filesystem::path candidate =
            target.parent_path() /
            (n == 0 ? base + extension : base + "-" + std::to_string(n) + extension);
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, ec)))
            return candidate;
    }
}

CollectResult RunCollect(TerminalLink& link, const CollectInput& input,
                         const std::function<void(const CollectedFile&)>& onFile)
{
    CollectResult result;
    TerminalInfo info;
    const LinkStatus identified = link.GetTerminalInfo(&info);
    result.terminal = CollectFolderName(identified == LinkStatus::Ok ? info.serial : std::string(),
                                        input.portName);
    result.folder = input.localDir / result.terminal;

    DirectoryListing listing;
    result.status = link.ListDirectory(input.remoteDir, &listing);
    if (result.status != LinkStatus::Ok)
        return result;
    std::error_code ec;
    std::filesystem::create_directories(result.folder, ec);
    if (ec) {
        result.status = LinkStatus::FileError;
        return result;
    }
    const int count =
        std::min(listing.count, static_cast<int>(listing.bytes.size() / kListingEntrySize));
    for (const TerminalEntry& entry : DecodeListing(listing.bytes.data(), count)) {
        if (entry.kind != kEntryFile)
            continue;
        if (link.cancel.load() || (input.stop && input.stop()))
            break;
        const std::string raw = EntryDisplayName(entry);
        const std::string request = input.remoteDir + "\\" + raw;
        CollectedFile file;
        file.name = SafeIncomingName(raw);
        file.size = entry.size;
        if (file.name.empty()) {
            file.status = LinkStatus::FileError;
            file.keptBecause = "its name cannot be a PC file name";
        } else {
            const std::filesystem::path target = result.folder / file.name;
            const std::filesystem::path part = TempPath(target, "collect");
            file.status = link.UploadFile(request, part, true);
            if (file.status == LinkStatus::Ok)
                Place(part, target, file);
            else
                Remove(part);
            if (input.deleteAfter && file.outcome != CollectOutcome::Failed)
                DeleteVerified(link, request, file);
        }
        if (onFile)
            onFile(file);
        result.files.push_back(std::move(file));
    }
    return result;
}
