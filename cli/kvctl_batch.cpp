// kvctl batch and kvctl scramble: batch build files and scrambled programs.
#include "cli/json_text.h"
#include "cli/kvctl_commands.h"
#include "cli/terminal_session.h"

#include "convert/batch_file.h"
#include "convert/file_bytes.h"
#include "convert/scramble.h"
#include "link/operation_text.h"
#include "link/private_folder.h"
#include "link/source_file.h"

#include <QSettings>

#include <cstdio>
#include <optional>
#include <ostream>

namespace {

// The key of the settings store (group "Setting", value "UnscrambleKey"), or the
// built-in one when it names none or something else than ten numbers.
UnscrambleKey KeyFromSettings(std::ostream& err)
{
    QSettings settings("TELMARQ SOFTWARE", "KVVidiRidoved");
    const QVariant value = settings.value("Setting/UnscrambleKey");
    if (!value.isValid())
        return kDefaultUnscrambleKey;
    const std::string text = value.canConvert<QStringList>() && value.toStringList().size() > 1
                                 ? value.toStringList().join(",").toStdString()
                                 : value.toString().toStdString();
    if (const auto key = ParseUnscrambleKey(text))
        return *key;
    err << "kvctl: the settings' UnscrambleKey is not ten numbers; the built-in key is used\n";
    return kDefaultUnscrambleKey;
}

} // namespace

int RunBatchCommand(std::span<const std::string> args, const KvctlOptions& options,
                    std::ostream& out, std::ostream& err)
{
    if (args.size() != 1) {
        err << "usage: kvctl batch FILE\n";
        return kExitUsage;
    }
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    std::size_t sent = 0;
    const auto report = [&](int exitCode, LinkStatus status) {
        return ReportOutcome(options.json, out,
                             {{"file", JsonString(args[0])}, {"records", std::to_string(sent)}},
                             exitCode, status);
    };
    std::optional<Bytes> bytes(std::in_place);
    if (ReadSourceFile(args[0], kMaxBatchFileLength, &*bytes) != LinkStatus::Ok)
        return report(session.Fail(err, MessageId::OpenFileFail, "", LinkStatus::FileError),
                      LinkStatus::FileError);
    if (LooksScrambled(*bytes))
        Unscramble(*bytes, KeyFromSettings(err));
    const BatchContents batch = ParseBatchFile(*bytes);

    // Each record goes through one private temporary file, replaced per record.
    const std::filesystem::path temp = CreatePrivateTempFile("batch", "tmp");
    LinkStatus status = LinkStatus::Ok;
    std::string failedPath;
    for (const BatchRecord& record : batch.records) {
        if (temp.empty() || !WriteWholeFile(temp, record.data)) {
            status = LinkStatus::FileError;
            failedPath = record.terminalPath;
            break;
        }
        session.progress.SetFileText(record.terminalPath);
        status = session.Transfer(
            [&] { return session.link->DownloadFile(temp, record.terminalPath, 1, true, false); });
        if (status != LinkStatus::Ok) {
            failedPath = record.terminalPath;
            break;
        }
        ++sent;
    }
    if (!temp.empty())
        std::filesystem::remove(temp);
    if (!options.json)
        out << MessageString(MessageId::BatchDone, session.language) << "\n";
    if (status != LinkStatus::Ok)
        return report(session.Fail(err, MessageForDownload(status, false),
                                   CopyFailLine(args[0], failedPath), status, failedPath),
                      status);
    if (!batch.complete) {
        err << "kvctl: " << args[0] << ": record " << batch.records.size() + 1
            << " is damaged; it and what follows were not sent\n";
        return report(kExitFailed, status);
    }
    return report(kExitOk, status);
}

int RunScrambleCommand(std::span<const std::string> args, const KvctlOptions& options,
                       std::ostream& out, std::ostream& err)
{
    if (args.size() != 2) {
        err << "usage: kvctl scramble IN OUT\n";
        return kExitUsage;
    }
    const auto report = [&](int exitCode) {
        if (options.json)
            out << JsonObject({{"in", JsonString(args[0])},
                               {"out", JsonString(args[1])},
                               {"result", JsonResult(exitCode)}})
                << "\n";
        return exitCode;
    };
    std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(args[0]);
    if (!bytes) {
        err << MessageString(MessageId::OpenFileFail) << "\n";
        return report(kExitFailed);
    }
    Scramble(*bytes, KeyFromSettings(err));
    if (!WriteWholeFile(args[1], *bytes)) {
        err << "kvctl: cannot write " << args[1] << "\n";
        return report(kExitFailed);
    }
    return report(kExitOk);
}
