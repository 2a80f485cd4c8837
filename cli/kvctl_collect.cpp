// kvctl collect: every file of a terminal folder into LOCAL_DIR/<terminal>/, a
// line for each file, and with --delete each terminal file deleted once a second
// fetch has matched the stored copy.
#include "cli/interrupt.h"
#include "cli/json_text.h"
#include "cli/kvctl_commands.h"
#include "cli/terminal_session.h"

#include "link/listing.h"
#include "link/operation_text.h"
#include "link/windows_1250.h"
#include "terminal/collect_job.h"

#include <algorithm>
#include <ostream>
#include <system_error>

namespace {

std::string FileJson(const CollectedFile& file)
{
    return "{\"name\": " + JsonString(file.name) + ", \"size\": " + std::to_string(file.size) +
           ", \"result\": \"" + CollectOutcomeWord(file.outcome) +
           "\", \"status\": " + std::to_string(StatusValue(file.status)) +
           ", \"saved\": " + (file.savedAs.empty() ? "null" : JsonString(file.savedAs.string())) +
           ", \"deleted\": " + (file.deleted ? "true" : "false") +
           ", \"kept\": " + (file.keptBecause.empty() ? "null" : JsonString(file.keptBecause)) +
           "}";
}

} // namespace

int RunCollectCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err)
{
    std::vector<std::string> words;
    bool deleteAfter = false;
    for (const std::string& arg : args) {
        if (arg == "--delete")
            deleteAfter = true;
        else
            words.push_back(arg);
    }
    if (words.size() != 2) {
        err << "usage: kvctl collect REMOTE_DIR LOCAL_DIR [--delete]\n";
        return kExitUsage;
    }
    std::string remote = words[0];
    std::transform(remote.begin(), remote.end(), remote.begin(), [](unsigned char c) {
        return static_cast<char>(c < 0x80 ? std::toupper(c) : c);
    });
    while (remote.size() > 2 && remote.back() == '\\')
        remote.pop_back();
    // The root's answer names disks, not files.
    if (remote.empty() || remote == "PDT") {
        err << "kvctl: collect takes a disk or a folder of the terminal (C:\\DATA), not its "
               "root\n";
        return kExitUsage;
    }
    std::error_code ec;
    std::filesystem::create_directories(words[1], ec);
    if (!std::filesystem::is_directory(words[1], ec)) {
        err << "kvctl: " << words[1] << " is no folder and cannot be made one\n";
        return kExitUsage;
    }
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;

    CollectInput input;
    input.remoteDir = EncodeTerminalText(remote);
    input.localDir = words[1];
    input.portName = session.PortName();
    input.deleteAfter = deleteAfter;
    input.stop = &CancelOnInterrupt::Interrupted;
    const std::string shownDir = PrintableText(input.remoteDir);
    std::uint64_t bytes = 0;
    CollectResult result;
    // Ctrl+C ends the run between or within files: nothing half is left.
    const CancelOnInterrupt interrupt(session.link->cancel);
    session.Transfer([&] {
        result = RunCollect(*session.link, input, [&](const CollectedFile& file) {
            if (file.outcome != CollectOutcome::Failed)
                bytes += file.size;
            const std::string from = shownDir + "\\" + file.name;
            session.Log(file.outcome == CollectOutcome::Failed
                            ? CopyFailLine(from, file.savedAs.string())
                            : CopyDoneLine(from, file.savedAs.string()));
            if (!options.json)
                out << CollectFileLine(shownDir, file) << std::endl;
        });
        // Each file counted itself above; the last file's progress is no total.
        session.progress.byteTotal.store(0);
        return result.status;
    });
    session.CountBytes(bytes);
    const bool complete = result.Complete(deleteAfter);
    if (options.terminalServed)
        *options.terminalServed = result.terminal;
    if (options.filesCollected)
        *options.filesCollected = static_cast<int>(
            std::count_if(result.files.begin(), result.files.end(), [](const CollectedFile& f) {
                return f.outcome != CollectOutcome::Failed;
            }));
    if (options.json) {
        out << "{\"result\": \"" << (complete ? "done" : "failed")
            << "\", \"terminal\": " << JsonString(result.terminal)
            << ", \"folder\": " << JsonString(result.folder.string())
            << ", \"status\": " << StatusValue(result.status) << ", \"files\": [";
        for (std::size_t i = 0; i < result.files.size(); ++i)
            out << (i ? ", " : "") << FileJson(result.files[i]);
        out << "], \"bytes\": " << bytes << ", \"complete\": " << (complete ? "true" : "false")
            << "}\n";
    } else {
        out << "terminal " << result.terminal << ": " << result.files.size() << " files, " << bytes
            << " bytes into " << result.folder.string() << ", "
            << (complete ? "all collected" : "not all collected") << "\n";
    }
    if (CancelOnInterrupt::Interrupted()) {
        err << "kvctl: interrupted; run it again to collect the rest\n";
        return kExitFailed;
    }
    if (result.status != LinkStatus::Ok)
        return session.Fail(err, std::nullopt, "Listing " + shownDir + " failed", result.status);
    return complete ? kExitOk : kExitFailed;
}
