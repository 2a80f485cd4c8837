#include "terminal/transfer_jobs.h"

#include "convert/record_conversion.h"
#include "link/display_path.h"
#include "link/operation_text.h"
#include "link/private_folder.h"
#include "link/terminal_link.h"
#include "link/transfer_progress.h"
#include "link/windows_1250.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

// The file a download actually sends, and whether it is a temporary copy.
struct WorkingFile {
    std::filesystem::path path;
    bool temporary = false;
    bool failed = false;   // the file ends before any transfer
    bool noRecord = false; // a conversion found bytes but not one record
    ~WorkingFile()
    {
        if (temporary && !path.empty()) {
            std::error_code ec;
            std::filesystem::remove(path, ec);
        }
    }
};

std::string FileName(const std::filesystem::path& source)
{
    return source.filename().string();
}

void SetFileText(TerminalLink& link, const std::string& text)
{
    if (TransferProgress* p = link.progress.load())
        p->SetFileText(text);
}

// An unscrambled copy in the private folder when the file is a scrambled BASIC
// program; the source itself otherwise.
void PrepareProgram(const std::filesystem::path& source, const UnscrambleKey& key,
                    TerminalLink& link, WorkingFile& working)
{
    working.path = source;
    std::ifstream in(source, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (!in.good() && !in.eof())
        return;
    if (bytes.empty() || !LooksScrambled(bytes))
        return;
    Unscramble(bytes, key);
    SetFileText(link, source.string());
    working.temporary = true;
    // Each copy has a name of its own in the private folder: two connections
    // sending programs at once never share a file.
    working.path = CreatePrivateTempFile("program", "tmp");
    if (working.path.empty()) {
        working.failed = true;
        return;
    }
    std::ofstream out(working.path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) // sending the half-written copy fails as an unreadable file would
        std::filesystem::remove(working.path);
}

void PrepareConversion(const std::filesystem::path& source, const ConvertSettings& settings,
                       TerminalLink& link, WorkingFile& working)
{
    SetFileText(link, DisplayPath(source.string()));
    working.temporary = true;
    // Converted into the private folder, never beside the source: the source
    // folder may be read-only or shared with another connection's job.
    const std::filesystem::path copy = CreatePrivateTempFile("convert", "tmp");
    ConvertError error = ConvertError::None;
    working.path = copy.empty() ? copy : ConvertFile(source, settings, copy, &error);
    working.noRecord = error == ConvertError::NoRecord;
    if (working.path.empty() && !copy.empty()) {
        std::error_code ec;
        std::filesystem::remove(copy, ec);
    }
}

// Whether a new file can be made in folder, found without touching any file
// that is there: a fresh hidden name, created exclusively and removed again.
// 0 when it can, else the error.
int ProbeFolder(const std::filesystem::path& folder)
{
    std::string pattern = (folder / ".kvprobe-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return errno;
    close(fd);
    unlink(pattern.c_str());
    return 0;
}

bool AccessDenied(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

} // namespace

bool IsProgramForProgramFolder(const std::string& source, const std::string& destination)
{
    // The terminal tree's paths are upper case: "D:\PROGRAM\" is the same folder.
    std::string upper = destination;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return source.find("default.bas", 1) != std::string::npos &&
           upper.find("D:\\PROGRAM\\") != std::string::npos;
}

std::filesystem::path UploadTarget(const std::filesystem::path& folder,
                                   const std::string& terminalPath)
{
    const std::size_t cut = terminalPath.find_last_of("/\\");
    const std::string_view last =
        std::string_view(terminalPath).substr(cut == std::string::npos ? 0 : cut + 1);
    std::string name;
    for (const char c : last) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F &&
            std::string_view("<>:\"/\\|?*").find(c) == std::string_view::npos)
            name += c;
    }
    if (name.empty() || name.find_first_not_of('.') == std::string::npos)
        return {};
    return folder / name;
}

void RunDownloadJob(TerminalLink& link, const DownloadJobInput& input, JobHost& host)
{
    TransferProgress* const progress = link.progress.load();
    if (progress) {
        progress->totalFiles = static_cast<int>(input.sources.size());
        progress->finishedFiles = 0;
    }
    const std::string& shownFolder =
        input.shownTargetFolder.empty() ? input.targetFolder : input.shownTargetFolder;
    for (std::size_t i = 0; i < input.sources.size(); ++i) {
        if (link.cancel.load())
            break;
        const std::filesystem::path& source = input.sources[i];
        const std::string sourceText = source.string();
        std::string name = FileName(source);
        std::string destination = input.targetFolder + "\\" + name;
        std::string shownName = name;
        // What the window says: the folder and the name as it shows them.
        const auto shown = [&] { return shownFolder + "\\" + shownName; };
        const auto failLine = [&] {
            return input.move ? MoveFailLine(sourceText, shown())
                              : CopyFailLine(sourceText, shown());
        };

        WorkingFile working;
        if (IsProgramForProgramFolder(sourceText, destination)) {
            PrepareProgram(source, input.key, link, working);
            if (working.failed) {
                host.LogLine(failLine());
                continue;
            }
        } else if (input.convert) {
            if (input.settings.OriFixedName != 0) {
                name = input.settings.OriFixedFileName;
                destination = input.targetFolder + "\\" + name;
                shownName =
                    input.shownFixedName.empty() ? DecodeTerminalText(name) : input.shownFixedName;
            }
            PrepareConversion(source, input.settings, link, working);
            if (working.noRecord) {
                host.LogLine(NoRecordLine(sourceText, shown()));
                continue;
            }
        } else {
            working.path = source;
        }

        LinkStatus status =
            link.DownloadFile(working.path, destination, 0, true, !working.temporary);
        bool declined = false;
        // Each Yes holds for one repeated call; a file found again asks again.
        while (status == LinkStatus::FileExists && !declined) {
            declined = !host.AskYesNo(MessageId::OverwriteQuestion, shown());
            if (!declined)
                status = link.DownloadFile(working.path, destination, 1, true, !working.temporary);
        }
        if (declined) {
            host.LogLine(failLine());
            continue;
        }

        std::string line;
        if (status == LinkStatus::Ok) {
            std::error_code ec;
            if (input.move && !std::filesystem::remove(source, ec)) {
                // Sent, but still on the PC: its item stays to say so.
                line = SourceKeptLine(sourceText, shown());
            } else if (input.move) {
                host.SourceMoved(i);
                line = MoveDoneLine(sourceText, shown());
            } else {
                line = CopyDoneLine(sourceText, shown());
            }
            if (progress)
                ++progress->finishedFiles;
        } else if (status == LinkStatus::Cancelled) {
            line = kTransmissionBreakLine;
        } else {
            if (const auto message = MessageForDownload(status, input.move))
                host.ShowMessage(*message, shown());
            line = failLine();
        }
        host.LogLine(line);
    }
    link.cancel = 0;
}

void RunUploadJob(TerminalLink& link, const UploadJobInput& input, JobHost& host)
{
    TransferProgress* const progress = link.progress.load();
    if (progress)
        progress->totalFiles = static_cast<int>(input.sources.size());
    int finished = 0;
    for (std::size_t i = 0; i < input.sources.size(); ++i) {
        if (link.cancel.load())
            break;
        if (progress)
            progress->finishedFiles = finished;
        const std::string& source = input.sources[i];
        const std::string& shownSource =
            i < input.shownSources.size() ? input.shownSources[i] : source;
        const std::filesystem::path target = UploadTarget(input.targetFolder, shownSource);
        const std::string targetText =
            target.empty() ? (input.targetFolder / "").string() : target.string();
        const std::string failLine = input.move ? MoveFailLine(shownSource, targetText)
                                                : CopyFailLine(shownSource, targetText);
        if (target.empty()) {
            host.LogLine(failLine);
            continue;
        }
        std::error_code ec;
        if (std::filesystem::exists(target, ec) &&
            !host.AskYesNo(MessageId::OverwriteQuestion, targetText))
            continue; // skipped without a line
        if (const int error = ProbeFolder(input.targetFolder); error != 0) {
            if (AccessDenied(error))
                host.LogMessageLine(MessageId::ActionDenied);
            else
                host.LogLine(failLine);
            continue;
        }
        const LinkStatus status = link.UploadFile(source, target, true);
        std::string line;
        if (status == LinkStatus::Ok) {
            if (input.move && link.DeleteTerminalFile(source) != LinkStatus::Ok) {
                // Fetched, but still on the terminal: its item stays to say so.
                line = SourceKeptLine(shownSource, targetText);
            } else if (input.move) {
                host.SourceMoved(i);
                line = MoveDoneLine(shownSource, targetText);
            } else {
                line = CopyDoneLine(shownSource, targetText);
            }
            ++finished;
        } else {
            if (const auto message = MessageForUpload(status))
                host.ShowMessage(*message, targetText);
            line = failLine;
        }
        host.LogLine(line);
    }
    if (progress)
        progress->finishedFiles = finished;
    link.cancel = 0;
}
