// The kvctl commands that talk to a terminal.
#include "cli/json_text.h"
#include "cli/kvctl_commands.h"
#include "cli/terminal_session.h"
#include "cli/verify_copy.h"
#include "link/serial/program_ports.h"

#include "link/listing.h"
#include "link/operation_text.h"
#include "link/windows_1250.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <ostream>

namespace {

// A terminal path as typed: ASCII letters upper case, letters of the terminal's
// code page as its bytes.
std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c < 0x80 ? std::toupper(c) : c);
    });
    return EncodeTerminalText(text);
}

} // namespace

namespace {

// receive's longest wait: longer ones overflow the clock's count.
inline constexpr std::chrono::seconds kMaxReceiveTimeout{30 * 24 * 3600};

// The whole of text as a number ("10s" is none).
template <typename Number> bool ParseNumber(const std::string& text, Number* value)
{
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && at == end;
}

bool Usage(std::span<const std::string> args, std::size_t least, std::size_t most, const char* text,
           std::ostream& err)
{
    if (args.size() >= least && args.size() <= most)
        return true;
    err << "usage: kvctl " << text << "\n";
    return false;
}

// Listing entries the terminal tree shows, sorted by name.
std::vector<TerminalEntry> ShownEntries(const std::uint8_t* data, int count)
{
    std::vector<TerminalEntry> entries = DecodeListing(data, count);
    std::erase_if(entries, [](const TerminalEntry& e) { return e.kind > kEntryFile; });
    std::sort(entries.begin(), entries.end(), [](const TerminalEntry& a, const TerminalEntry& b) {
        return EntryDisplayName(a) < EntryDisplayName(b);
    });
    return entries;
}

const char* KindWord(std::uint8_t kind)
{
    return kind == kEntryDisk ? "disk" : kind == kEntryFolder ? "dir" : "file";
}

std::string JsonStatus(LinkStatus status)
{
    return std::to_string(StatusValue(status));
}

int Outcome(const KvctlOptions& options, std::ostream& out, JsonFields fields, int exitCode,
            LinkStatus status)
{
    return ReportOutcome(options.json, out, std::move(fields), exitCode, status);
}

} // namespace

int RunPortsCommand(std::span<const std::string> args, const KvctlOptions& options,
                    std::ostream& out, std::ostream& err)
{
    if (!Usage(args, 0, 0, "ports", err))
        return kExitUsage;
    ProgramPorts ports;
    const std::vector<std::string> names = ports.Names();
    if (options.json) {
        out << "[";
        for (std::size_t i = 0; i < names.size(); ++i)
            out << (i ? ", " : "") << JsonString(names[i]);
        out << "]\n";
    } else {
        for (const std::string& name : names)
            out << name << "\n";
    }
    return kExitOk;
}

int RunLsCommand(std::span<const std::string> args, const KvctlOptions& options, std::ostream& out,
                 std::ostream& err)
{
    if (!Usage(args, 1, 1, "ls PATH", err))
        return kExitUsage;
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    const std::string path = Upper(args[0]);
    DirectoryListing listing;
    if (const LinkStatus status = session.link->ListDirectory(path, &listing);
        status != LinkStatus::Ok)
        return Outcome(options, out, {},
                       session.Fail(err, MessageForTerminalInfo(status), "", status), status);
    const std::uint8_t* data = listing.bytes.data();
    const int count = listing.count;
    struct Row {
        std::string kind, name, date;
        std::uint32_t size = 0;
    };
    std::vector<Row> rows;
    if (path == "PDT") {
        for (const std::string& disk : DecodeRootListing(data, count))
            rows.push_back(Row{"disk", PrintableText(disk), "", 0});
    } else {
        for (const TerminalEntry& e : ShownEntries(data, count))
            rows.push_back(Row{KindWord(e.kind), PrintableText(EntryDisplayName(e)),
                               FormatTimeStamp(PrintableText(e.time)), e.size});
    }
    if (options.json) {
        out << "[";
        for (std::size_t i = 0; i < rows.size(); ++i)
            out << (i ? ", " : "") << "{\"kind\": " << JsonString(rows[i].kind)
                << ", \"name\": " << JsonString(rows[i].name) << ", \"size\": " << rows[i].size
                << ", \"date\": " << JsonString(rows[i].date) << "}";
        out << "]\n";
    } else if (path == "PDT") {
        for (const Row& r : rows)
            out << r.name << "\n";
    } else {
        for (const Row& r : rows)
            out << r.kind << "\t" << r.name << "\t" << r.size << "\t" << r.date << "\n";
    }
    return kExitOk;
}

int RunDfCommand(std::span<const std::string> args, const KvctlOptions& options, std::ostream& out,
                 std::ostream& err)
{
    if (!Usage(args, 1, 1, "df DISK", err))
        return kExitUsage;
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    DiskFigures figures;
    const LinkStatus s = session.link->GetDiskInfo(Upper(args[0]), &figures);
    const auto [capacity, used, freeSpace] = figures;
    if (s != LinkStatus::Ok)
        return Outcome(options, out, {}, session.Fail(err, MessageForTerminalInfo(s), "", s), s);
    // The terminal reports an unformatted disk as free space -1.
    const bool unformatted = static_cast<std::int32_t>(freeSpace) < 0;
    if (options.json) {
        out << "{\"capacity\": " << capacity << ", \"used\": " << used
            << ", \"free\": " << (unformatted ? std::string("-1") : std::to_string(freeSpace))
            << "}\n";
        return kExitOk;
    }
    const auto value = [&](std::uint32_t n) {
        return unformatted ? std::string("UnFormat") : std::to_string(n) + " bytes";
    };
    out << "Capacity: " << value(capacity) << "\nUsed Space: " << value(used)
        << "\nFree Space: " << value(freeSpace) << "\n";
    return kExitOk;
}

int RunInfoCommand(std::span<const std::string> args, const KvctlOptions& options,
                   std::ostream& out, std::ostream& err)
{
    if (!Usage(args, 0, 0, "info", err))
        return kExitUsage;
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    TerminalInfo info;
    const LinkStatus s = session.link->GetTerminalInfo(&info);
    if (s != LinkStatus::Ok)
        return Outcome(options, out, {}, session.Fail(err, MessageForTerminalInfo(s), "", s), s);
    if (options.json) {
        out << JsonObject({{"model", JsonString(PrintableText(info.model))},
                           {"firmware", JsonString(PrintableText(info.firmware))},
                           {"serial", JsonString(PrintableText(info.serial))},
                           {"equipment", JsonString(PrintableText(info.equipment))}})
            << "\n";
        return kExitOk;
    }
    const bool polish = options.lang == "pl";
    out << "Model: " << PrintableText(info.model) << "\n"
        << (polish ? "Oprogramowanie: " : "F/W Version ") << PrintableText(info.firmware) << "\n"
        << (polish ? "Numer seryjny: " : "Serial Number: ") << PrintableText(info.serial) << "\n"
        << (polish ? "ID urz\u0105dzenia: " : "Equipment ID ") << PrintableText(info.equipment)
        << "\n";
    return kExitOk;
}

int RunGetCommand(std::span<const std::string> args, const KvctlOptions& options, std::ostream& out,
                  std::ostream& err)
{
    if (!Usage(args, 2, 2, "get REMOTE LOCAL", err))
        return kExitUsage;
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    const std::string remote = Upper(args[0]);
    std::filesystem::path local = args[1];
    if (std::filesystem::is_directory(local)) {
        // Keep the terminal's name, but only as one component inside the folder.
        const std::string name = SafeIncomingName(remote);
        if (name.empty()) {
            err << "kvctl: no file name in " << PrintableText(remote) << "\n";
            return kExitUsage;
        }
        local /= name;
    }
    const LinkStatus s =
        session.Transfer([&] { return session.link->UploadFile(remote, local, true); });
    const JsonFields names = {{"remote", JsonString(PrintableText(remote))},
                              {"local", JsonString(local.string())}};
    if (s != LinkStatus::Ok)
        return Outcome(options, out, names,
                       session.Fail(err, MessageForUpload(s),
                                    CopyFailLine(PrintableText(remote), local.string()), s),
                       s);
    session.Log(CopyDoneLine(PrintableText(remote), local.string()));
    return Outcome(options, out, names, kExitOk, s);
}

int RunPutCommand(std::span<const std::string> args, const KvctlOptions& options, std::ostream& out,
                  std::ostream& err)
{
    std::vector<std::string> words;
    bool overwrite = false, convert = false, verify = false;
    std::string ini;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--overwrite")
            overwrite = true;
        else if (args[i] == "--verify")
            verify = true;
        else if (args[i] == "--convert")
            convert = true;
        else if (args[i] == "--ini" && i + 1 < args.size())
            ini = args[++i];
        else
            words.push_back(args[i]);
    }
    if (!Usage(words, 2, 2, "put LOCAL REMOTE [--overwrite] [--verify] [--convert [--ini F]]",
               err) ||
        (!ini.empty() && !convert)) {
        if (!ini.empty() && !convert)
            err << "kvctl: --ini goes with --convert\n";
        return kExitUsage;
    }
    std::filesystem::path source = words[0];
    const std::string remote = Upper(words[1]);
    const std::string shownRemote = PrintableText(remote);
    const JsonFields names = {{"local", JsonString(words[0])}, {"remote", JsonString(shownRemote)}};
    ConvertedCopy converted;
    if (convert) {
        std::string problem;
        if (!converted.Make(source, ini, &problem)) {
            err << problem << "\n";
            return Outcome(options, out, names, kExitFailed, LinkStatus::FileError);
        }
        source = converted.path;
    }
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    const auto tell = [&](const VerifyResult& check) {
        if (check.outcome != VerifyOutcome::Same) {
            err << VerifyText(check, shownRemote, session.language) << "\n";
            session.Log(VerifyText(check, shownRemote, Language::English));
        }
        return Outcome(options, out, names, VerifyExitCode(check), VerifyStatus(check));
    };
    SentCopy sent;
    if (verify) {
        // A source that cannot be read fails the send below, as it would unverified.
        const SentCopy::Outcome made = sent.Make(source);
        if (made == SentCopy::Outcome::NoPrivateCopy)
            return tell({VerifyOutcome::PcFileFailed, LinkStatus::FileError, 0});
        if (made == SentCopy::Outcome::Made)
            source = sent.path;
    }
    const LinkStatus s = session.Transfer([&] {
        return session.link->DownloadFile(source, remote, overwrite ? 1 : 0, true, !convert);
    });
    if (s == LinkStatus::Ok) {
        session.Log(CopyDoneLine(words[0], shownRemote));
        if (!verify)
            return Outcome(options, out, names, kExitOk, s);
        return tell(VerifyTerminalCopy(*session.link, sent.bytes, remote));
    }
    const std::string line =
        s == LinkStatus::Cancelled ? kTransmissionBreakLine : CopyFailLine(words[0], shownRemote);
    std::optional<MessageId> message = MessageForDownload(s, false);
    return Outcome(options, out, names, session.Fail(err, message, line, s, shownRemote), s);
}

int RunRmCommand(std::span<const std::string> args, const KvctlOptions& options, std::ostream& out,
                 std::ostream& err)
{
    if (!Usage(args, 1, 1000000, "rm REMOTE...", err))
        return kExitUsage;
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    int result = kExitOk;
    std::string files; // with --json, each file's outcome
    for (const std::string& word : args) {
        const std::string path = Upper(word);
        const std::string shown = PrintableText(path);
        const LinkStatus s = session.link->DeleteTerminalFile(path);
        int exitCode = kExitOk;
        if (s == LinkStatus::Ok) {
            if (!options.json)
                out << DeleteDoneLine(shown) << "\n";
            session.Log(DeleteDoneLine(shown));
        } else {
            exitCode = session.Fail(err, MessageForDelete(s), DeleteFailLine(shown), s);
            result = kExitFailed;
        }
        files += (files.empty() ? "" : ", ") + JsonObject({{"name", JsonString(shown)},
                                                           {"result", JsonResult(exitCode)},
                                                           {"status", JsonStatus(s)}});
    }
    if (options.json)
        out << JsonObject({{"files", "[" + files + "]"}, {"result", JsonResult(result)}}) << "\n";
    return result;
}

int RunFormatCommand(std::span<const std::string> args, const KvctlOptions& options,
                     std::ostream& out, std::ostream& err)
{
    if (!Usage(args, 1, 1, "format DISK", err))
        return kExitUsage;
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    const std::string disk = Upper(args[0]);
    const JsonFields names = {{"disk", JsonString(PrintableText(disk))}};
    const LinkStatus s = session.link->FormatDisk(disk);
    if (s != LinkStatus::Ok)
        return Outcome(options, out, names,
                       session.Fail(err, MessageForFormat(s), FormatFailLine(disk), s, disk), s);
    if (!options.json)
        out << FormatDoneLine(disk) << "\n";
    session.Log(FormatDoneLine(disk));
    return Outcome(options, out, names, kExitOk, s);
}

int RunSettimeCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err)
{
    if (!Usage(args, 0, 1, "settime [YYYYMMDDhhmmss]", err))
        return kExitUsage;
    std::string time14;
    if (args.empty()) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char text[32];
        std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
        time14 = text;
    } else {
        time14 = args[0];
        if (time14.size() != 14 || time14.find_first_not_of("0123456789") != std::string::npos) {
            err << "kvctl: the time is 14 digits, YYYYMMDDhhmmss\n";
            return kExitUsage;
        }
    }
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    const LinkStatus s = session.link->SetTerminalTime(time14);
    const int exitCode =
        s == LinkStatus::Ok ? kExitOk : session.Fail(err, MessageForSetTime(s), "", s);
    return Outcome(options, out, {{"time", JsonString(time14)}}, exitCode, s);
}

int RunInstallCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err)
{
    if (!Usage(args, 1, 1, "install IMAGE", err))
        return kExitUsage;
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    const JsonFields names = {{"image", JsonString(args[0])}};
    const LinkStatus s =
        session.Transfer([&] { return session.link->InstallApplication(args[0], true); });
    if (s != LinkStatus::Ok)
        return Outcome(options, out, names,
                       session.Fail(err, MessageForInstall(s), "", s, "", StatusValue(s)), s);
    if (!options.json)
        out << kApplicationCompleteText << "\n";
    session.Log(kApplicationCompleteText);
    return Outcome(options, out, names, kExitOk, s);
}

int RunReceiveCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err)
{
    std::vector<std::string> words;
    int count = 1;
    double timeout = 60;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--count" && hasValue) {
            const std::string& v = args[++i];
            if (!ParseNumber(v, &count) || count < 1) {
                err << "kvctl: --count takes a whole number from 1\n";
                return kExitUsage;
            }
        } else if (args[i] == "--timeout" && hasValue) {
            // A wait the clock cannot hold (inf, 1e300) would end at once.
            if (!ParseNumber(args[++i], &timeout) || !(timeout > 0) ||
                timeout > kMaxReceiveTimeout.count()) {
                err << "kvctl: --timeout takes seconds above 0, at most "
                    << kMaxReceiveTimeout.count() << " (30 days)\n";
                return kExitUsage;
            }
        } else {
            words.push_back(args[i]);
        }
    }
    if (!Usage(words, 1, 1, "receive DIR [--count N] [--timeout S]", err))
        return kExitUsage;
    TerminalSession session(options, err);
    if (!session.link)
        return kExitUsage;
    return session.Receive(words[0], count, std::chrono::duration<double>(timeout), options.json,
                           out, err);
}
