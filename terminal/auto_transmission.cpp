#include "terminal/auto_transmission.h"

#include "link/operation_text.h"
#include "link/terminal_link.h"
#include "link/transfer_progress.h"

#include <array>
#include <fstream>
#include <iterator>

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kMaxTypeDigits = 9;
constexpr std::string_view kFirstFileFolder = "D:\\Program";
constexpr std::array<std::string_view, 4> kTypeFolders{"D:\\Program", "D:\\Fonts", "D:\\Lookup",
                                                       "C:\\Data"};

std::optional<long> ParseType(std::string_view text)
{
    if (text.empty() || text.size() > kMaxTypeDigits)
        return std::nullopt;
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string_view FileName(std::string_view pcPath)
{
    const std::size_t last = pcPath.find_last_of("/\\");
    return last == std::string_view::npos ? pcPath : pcPath.substr(last + 1);
}

// A path the terminal and the PC can both take: not empty, no control byte,
// and naming a file rather than a folder.
bool UsablePath(std::string_view pcPath)
{
    if (pcPath.empty() || FileName(pcPath).empty())
        return false;
    for (const char c : pcPath)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return true;
}

std::optional<TransmissionEntry> ParseEntry(std::string_view line, bool first)
{
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    const std::string pcPath(line.substr(comma + 1));
    if (!UsablePath(pcPath))
        return std::nullopt;
    if (first)
        return TransmissionEntry{pcPath, std::string(kFirstFileFolder) + "\\" +
                                             std::string(FileName(pcPath))};
    const std::optional<long> type = ParseType(line.substr(0, comma));
    if (!type)
        return std::nullopt;
    return TransmissionEntry{pcPath, TransmissionTargetPath(*type, pcPath)};
}

// A regular file that opens for reading; never a device or a pipe, whose
// opening could wait for ever.
bool Readable(const std::string& pcPath)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(pcPath, ec))
        return false;
    std::ifstream in(pcPath, std::ios::binary);
    return in.is_open();
}

TransferProgress* Progress(TerminalLink& link)
{
    return link.progress.load();
}

} // namespace

std::string TransmissionTargetPath(long type, const std::string& pcPath)
{
    if (type < 0 || type >= static_cast<long>(kTypeFolders.size()))
        return pcPath;
    return std::string(kTypeFolders[static_cast<std::size_t>(type)]) + "\\" +
           std::string(FileName(pcPath));
}

std::vector<std::optional<TransmissionEntry>> ParseTransmissionList(std::string_view data)
{
    std::vector<std::optional<TransmissionEntry>> entries;
    std::size_t start = data.find(kLineEnd);
    if (start == std::string_view::npos)
        return entries;
    start += kLineEnd.size();
    while (start < data.size()) {
        const std::size_t end = data.find(kLineEnd, start);
        if (end == std::string_view::npos)
            break;
        entries.push_back(ParseEntry(data.substr(start, end - start), entries.empty()));
        start = end + kLineEnd.size();
    }
    return entries;
}

TransmissionRunResult AutoTransmissionThread(TerminalLink& link,
                                             const std::filesystem::path& listPath, JobHost& host)
{
    TransmissionRunResult result;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(listPath, ec);
    if (ec || size > kMaxTransmissionListBytes || !std::filesystem::is_regular_file(listPath, ec))
        return result;
    std::ifstream in(listPath, std::ios::binary);
    if (!in.is_open())
        return result;
    const std::string data((std::istreambuf_iterator<char>(in)), {});
    result.listRead = true;
    const auto entries = ParseTransmissionList(data);
    result.entries = static_cast<int>(entries.size());
    if (TransferProgress* p = Progress(link)) {
        p->totalFiles = result.entries;
        p->finishedFiles = 0;
        p->SetFileText(!entries.empty() && entries[0] ? entries[0]->target : std::string());
    }
    const std::string list = listPath.string();
    // The first line of the list names the port: entry i is on line i + 2.
    const auto logMalformed = [&](std::size_t i) { host.LogLine(MalformedListLine(list, i + 2)); };
    bool ended = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!ended && link.cancel.load() != 0) {
            result.status = LinkStatus::Cancelled;
            ended = true;
        }
        if (ended) {
            if (entries[i])
                host.LogLine(NotSentLine(entries[i]->pcPath, entries[i]->target));
            else
                logMalformed(i);
            continue;
        }
        if (entries[i])
            if (TransferProgress* p = Progress(link)) {
                p->finishedFiles = static_cast<int>(i);
                p->SetFileText(entries[i]->target);
            }
        if (!entries[i] || !Readable(entries[i]->pcPath)) {
            if (entries[i])
                host.LogLine(SkippedUnreadableLine(entries[i]->pcPath, entries[i]->target));
            else
                logMalformed(i);
            // The first file is the project's program: whether its line is
            // broken or its file missing, the rest is not sent without it.
            if (i == 0) {
                result.status = LinkStatus::FileError;
                ended = true;
            }
            continue;
        }
        const TransmissionEntry& entry = *entries[i];
        result.status = link.DownloadFile(entry.pcPath, entry.target, 1, true, false);
        if (result.status != LinkStatus::Ok) {
            host.LogLine(CopyFailLine(entry.pcPath, entry.target));
            ended = true;
            continue;
        }
        ++result.sent;
    }
    link.cancel.store(0);
    return result;
}
