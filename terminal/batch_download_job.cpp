#include "terminal/batch_download_job.h"

#include "convert/batch_file.h"
#include "convert/file_bytes.h"
#include "link/operation_text.h"
#include "link/private_folder.h"
#include "link/source_file.h"
#include "link/terminal_link.h"
#include "link/transfer_progress.h"

#include <cctype>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kPortPrefixLength = 4;

// "KV" and the port name's first four characters, each one safe in a file name
// ("/dev/ttyUSB0" gives KV_dev).
std::string TempStem(const std::string& portName)
{
    std::string stem = "KV";
    for (char c : portName.substr(0, kPortPrefixLength))
        stem += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return stem;
}

} // namespace

BatchDownloadResult RunBatchDownloadJob(TerminalLink& link, const BatchDownloadInput& input,
                                        JobHost& host)
{
    BatchDownloadResult result;
    std::optional<Bytes> bytes(std::in_place);
    if (ReadSourceFile(input.file, kMaxBatchFileLength, &*bytes) != LinkStatus::Ok)
        return result;
    result.opened = true;
    if (LooksScrambled(*bytes))
        Unscramble(*bytes, input.key);
    const BatchContents batch = ParseBatchFile(*bytes);
    result.records = batch.records.size();
    if (!batch.complete) {
        result.damagedRecord = batch.records.size() + 1;
        ++result.records;
    }

    TransferProgress* progress = link.progress.load();
    if (progress) {
        progress->totalFiles = static_cast<int>(batch.records.size());
        progress->finishedFiles = 0;
    }
    const std::string source = input.file.filename().string();
    const std::filesystem::path temp = batch.records.empty()
                                           ? std::filesystem::path{}
                                           : CreatePrivateTempFile(TempStem(input.portName), "tmp");
    bool stopped = false;
    for (const BatchRecord& record : batch.records) {
        if (stopped) {
            host.LogLine(NotSentLine(source, record.terminalPath));
            continue;
        }
        ++result.attempted;
        if (progress)
            progress->SetFileText(record.terminalPath);
        // Without its temporary copy nothing is sent for the record.
        result.status = temp.empty() || !WriteWholeFile(temp, record.data)
                            ? LinkStatus::FileError
                            : link.DownloadFile(temp, record.terminalPath, 1, true, false);
        if (result.status != LinkStatus::Ok) {
            result.failedPath = record.terminalPath;
            host.LogLine(CopyFailLine(source, record.terminalPath));
            stopped = true;
            continue;
        }
        ++result.sent;
        host.LogLine(CopyDoneLine(source, record.terminalPath));
        if (progress)
            progress->finishedFiles.fetch_add(1);
    }
    if (!temp.empty()) {
        std::error_code ec;
        std::filesystem::remove(temp, ec);
    }
    link.cancel.store(0);
    return result;
}
