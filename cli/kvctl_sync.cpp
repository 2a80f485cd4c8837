// kvctl sync: make a terminal folder match a PC folder.
#include "cli/interrupt.h"
#include "cli/json_text.h"
#include "cli/kvctl_commands.h"
#include "cli/sync_plan.h"
#include "cli/terminal_session.h"
#include "cli/verify_copy.h"

#include "link/listing.h"
#include "link/operation_text.h"
#include "link/windows_1250.h"
#include "sim/short_name.h"

#include <ostream>

namespace {

struct SyncCounts {
    int sent = 0, deleted = 0, same = 0, skipped = 0, failed = 0, verifyFailed = 0;
};

const char* ActionWord(SyncAction action)
{
    switch (action) {
    case SyncAction::Send: return "send";
    case SyncAction::Keep: return "same";
    case SyncAction::Delete: return "delete";
    case SyncAction::Skip: return "skip";
    }
    return "";
}

// A step's name as the report shows it: a skipped file's PC name, else the
// terminal's name decoded.
std::string ShownName(const SyncStep& step)
{
    return step.action == SyncAction::Skip ? step.name : PrintableText(step.name);
}

// The outcome of one step as the text report shows it.
std::string StepLine(const SyncStep& step, const std::string& result, bool dryRun)
{
    if (step.action == SyncAction::Skip)
        return "skipped " + step.name + ": " + step.reason;
    const std::string name = ShownName(step);
    if (step.action == SyncAction::Keep)
        return "same    " + name;
    if (result == "failed")
        return "failed  " + name;
    if (step.action == SyncAction::Send)
        return (dryRun ? "send    " : "sent    ") + name + " (" + step.reason + ")";
    return (dryRun ? "delete  " : "deleted ") + name;
}

struct SendChoices {
    bool convert = false, verify = false;
    std::string ini;
};

// Sends pcFile to remote, converted and verified as chosen, and tells a failure
// on err. Returns kExitOk, kExitVerifyFailed, or kExitFailed; *status says why.
int SendOne(TerminalSession& session, const std::filesystem::path& pcFile,
            const std::string& remote, const SendChoices& choices, std::ostream& err,
            LinkStatus* status)
{
    const std::string shownRemote = PrintableText(remote);
    const auto checked = [&](const VerifyResult& check) {
        if (check.outcome != VerifyOutcome::Same) {
            err << VerifyText(check, shownRemote, session.language) << "\n";
            session.Log(VerifyText(check, shownRemote, Language::English));
        }
        *status = VerifyStatus(check);
        return VerifyExitCode(check);
    };
    std::filesystem::path source = pcFile;
    ConvertedCopy converted;
    if (choices.convert) {
        std::string problem;
        if (!converted.Make(source, choices.ini, &problem)) {
            err << problem << "\n";
            *status = LinkStatus::FileError;
            return kExitFailed;
        }
        std::error_code ec;
        std::filesystem::last_write_time(converted.path,
                                         std::filesystem::last_write_time(source, ec), ec);
        source = converted.path;
    }
    SentCopy sent;
    if (choices.verify) {
        // A source that cannot be read fails the send below, as it would unverified.
        const SentCopy::Outcome made = sent.Make(source);
        if (made == SentCopy::Outcome::NoPrivateCopy)
            return checked({VerifyOutcome::PcFileFailed, LinkStatus::FileError, 0});
        if (made == SentCopy::Outcome::Made)
            source = sent.path;
    }
    *status = session.Transfer(
        [&] { return session.link->DownloadFile(source, remote, 1, true, !choices.convert); });
    if (*status != LinkStatus::Ok)
        return session.Fail(err, MessageForDownload(*status, false),
                            CopyFailLine(pcFile.string(), shownRemote), *status, shownRemote);
    session.Log(CopyDoneLine(pcFile.string(), shownRemote));
    if (!choices.verify)
        return kExitOk;
    return checked(VerifyTerminalCopy(*session.link, sent.bytes, remote));
}

std::string JoinTerminalPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

} // namespace

int RunSyncCommand(std::span<const std::string> args, const KvctlOptions& options,
                   std::ostream& out, std::ostream& err)
{
    std::vector<std::string> words;
    bool dryRun = false, deleteExtra = false;
    SendChoices choices;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dry-run")
            dryRun = true;
        else if (args[i] == "--delete")
            deleteExtra = true;
        else if (args[i] == "--convert")
            choices.convert = true;
        else if (args[i] == "--verify")
            choices.verify = true;
        else if (args[i] == "--ini" && i + 1 < args.size())
            choices.ini = args[++i];
        else
            words.push_back(args[i]);
    }
    if (words.size() != 2 || (!choices.ini.empty() && !choices.convert)) {
        err << "usage: kvctl sync LOCAL_DIR REMOTE_DIR [--dry-run] [--delete] [--convert [--ini "
               "F]] [--verify]\n";
        return kExitUsage;
    }
    const std::filesystem::path localDir = words[0];
    // As typed: ASCII letters upper case, the code page's letters as its bytes.
    const std::string remoteDir = EncodeTerminalText(UpperAscii(words[1]));
    const std::string shownDir = PrintableText(remoteDir);
    // The root (PDT) answers with the list of its disks, which holds no files.
    if (!ParseTerminalPath(remoteDir)) {
        err << "kvctl: sync goes into a disk or folder (D: or D:\\LOOKUP), not " << shownDir
            << "\n";
        return kExitUsage;
    }
    // A sync that ends before its plan, with --json.
    const auto ended = [&](int exitCode, LinkStatus status) {
        return ReportOutcome(
            options.json, out,
            {{"local", JsonString(localDir.string())}, {"remote", JsonString(shownDir)}}, exitCode,
            status);
    };
    bool readable = false;
    std::vector<LocalFile> local = ScanLocalFolder(localDir, &readable);
    if (!readable) {
        err << "kvctl: cannot read the folder " << localDir.string() << "\n";
        return ended(kExitFailed, LinkStatus::FileError);
    }

    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    DirectoryListing listing;
    if (const LinkStatus listed = session.link->ListDirectory(remoteDir, &listing);
        listed != LinkStatus::Ok) {
        // The terminal answers 2 for a folder it lacks. No request makes a folder
        // and a file sent there is refused (4005), so say what is missing rather
        // than blame the connection.
        if (listed == AnswerCode(2)) {
            err << "kvctl: the terminal has no folder " << shownDir
                << "; files go only into folders it has\n(status " << StatusValue(listed) << ")\n";
            return ended(kExitFailed, listed);
        }
        return ended(session.Fail(err, MessageForTerminalInfo(listed), "", listed), listed);
    }
    // Converted files differ in size from their sources: only the time stamp,
    // which the converted copy takes over from its source, tells a change.
    const std::vector<SyncStep> steps =
        PlanSync(std::move(local),
                 DecodeListing(listing.bytes.data(),
                               static_cast<int>(listing.bytes.size() / kListingEntrySize)),
                 {deleteExtra, !choices.convert});

    SyncCounts counts;
    std::vector<std::pair<std::string, int>> results; // per step: result word, status
    for (const SyncStep& step : steps) {
        // Asked to end (kvctl watch's SIGTERM): the file in flight has ended.
        if (CancelOnInterrupt::Interrupted())
            break;
        std::string result = dryRun ? "planned" : "done";
        LinkStatus status = LinkStatus::Ok;
        const std::string remote = JoinTerminalPath(remoteDir, step.name);
        const std::string shownRemote = PrintableText(remote);
        if (step.action == SyncAction::Skip) {
            result = "skipped";
            ++counts.skipped;
        } else if (step.action == SyncAction::Keep) {
            result = "same";
            ++counts.same;
        } else if (step.action == SyncAction::Send && !dryRun) {
            const int sent =
                SendOne(session, localDir / step.pcName, remote, choices, err, &status);
            if (sent == kExitVerifyFailed) {
                result = "verify failed";
                ++counts.verifyFailed;
            } else if (sent != kExitOk) {
                result = "failed";
            }
        } else if (step.action == SyncAction::Delete && !dryRun) {
            status = session.link->DeleteTerminalFile(remote);
            if (status != LinkStatus::Ok) {
                session.Fail(err, MessageForDelete(status), DeleteFailLine(shownRemote), status);
                result = "failed";
            } else {
                session.Log(DeleteDoneLine(shownRemote));
            }
        }
        if (result == "failed" || result == "verify failed")
            ++counts.failed;
        else if (step.action == SyncAction::Send)
            ++counts.sent;
        else if (step.action == SyncAction::Delete)
            ++counts.deleted;
        results.emplace_back(result, StatusValue(status));
        if (!options.json)
            out << StepLine(step, result == "verify failed" ? "failed" : result, dryRun)
                << std::endl;
    }

    if (options.json) {
        out << "{\"local\": " << JsonString(localDir.string())
            << ", \"remote\": " << JsonString(shownDir)
            << ", \"dryRun\": " << (dryRun ? "true" : "false") << ", \"files\": [";
        for (std::size_t i = 0; i < steps.size(); ++i)
            out << (i ? ", " : "") << "{\"name\": " << JsonString(ShownName(steps[i]))
                << ", \"action\": \"" << ActionWord(steps[i].action)
                << "\", \"reason\": " << JsonString(steps[i].reason)
                << ", \"size\": " << steps[i].size << ", \"result\": \"" << results[i].first
                << "\", \"status\": " << results[i].second << "}";
        out << "], \"sent\": " << counts.sent << ", \"deleted\": " << counts.deleted
            << ", \"same\": " << counts.same << ", \"skipped\": " << counts.skipped
            << ", \"failed\": " << counts.failed << "}\n";
    } else if (dryRun) {
        out << "dry run: " << counts.sent << " to send, " << counts.deleted << " to delete, "
            << counts.same << " same, " << counts.skipped << " skipped\n";
    } else {
        out << counts.sent << " sent, " << counts.deleted << " deleted, " << counts.same
            << " same, " << counts.skipped << " skipped, " << counts.failed << " failed\n";
    }
    if (counts.failed == 0)
        return kExitOk;
    return counts.failed == counts.verifyFailed ? kExitVerifyFailed : kExitFailed;
}
