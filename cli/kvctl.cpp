#include "cli/kvctl_commands.h"
#include "cli/port_fleet.h"
#include "kv_version.h"

#include "link/transfer_log.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <utility>

namespace {

void PrintUsage(std::ostream& to)
{
    to << "Usage: kvctl [OPTION]... COMMAND [ARGS]\n"
          "Talk to portable data terminals on serial lines, or to built-in simulated\n"
          "terminals: one at a time, or several at once.\n"
          "\n"
          "Commands:\n"
          "  ports                      the port list (SIM1, ... are built-in simulated "
          "terminals)\n"
          "  ls PATH                    list PDT (the disks), a disk or a folder\n"
          "  df DISK                    disk capacity, used and free space\n"
          "  info                       the terminal's model, firmware, serial number, equipment "
          "id\n"
          "  put LOCAL REMOTE [--overwrite] [--verify] [--convert [--ini F]]   send a file\n"
          "  get REMOTE LOCAL           fetch a file\n"
          "  watch --profile FILE [--check]   run the profile's steps on each terminal set into\n"
          "                             its cradle (see the user guide); ends on SIGTERM or\n"
          "                             Ctrl+C; --check only reads the profile\n"
          "  collect REMOTE_DIR LOCAL_DIR [--delete]   fetch every file of the folder into\n"
          "                             LOCAL_DIR/<serial number>; --delete deletes each\n"
          "                             one verified by a second fetch\n"
          "  sync LOCAL_DIR REMOTE_DIR [--dry-run] [--delete] [--verify] [--convert [--ini F]]\n"
          "                             send the files whose size or time differ; --delete\n"
          "                             removes terminal files the PC folder lacks\n"
          "  rm REMOTE...               delete files\n"
          "  format DISK                format a disk\n"
          "  settime [YYYYMMDDhhmmss]   set the terminal's clock (default: now)\n"
          "  install IMAGE              install an application image\n"
          "  receive DIR [--count N] [--timeout S]   accept files the terminal sends\n"
          "  convert SOURCE [--ini F] [--save-ini OUT]   record conversion\n"
          "  batch FILE                 send the files of a batch build file (*.cmb)\n"
          "  scramble IN OUT            scramble a file with the key of the settings\n"
          "\n"
          "Options (before or after the command; -- ends them):\n"
          "  --port NAME[,NAME]...      a name from 'kvctl ports', a device path, or COMn\n"
          "                             (default: the first port of the list); several\n"
          "                             ports (a list, or --port again) run ls, info, put,\n"
          "                             get, collect, sync, install and settime on each at once\n"
          "  --baud N                   4800, 9600, 19200, 38400, 57600 or 115200 (default)\n"
          "  --json                     print listings, information and each command's\n"
          "                             outcome as one JSON document\n"
          "  --lang en|pl               the language of the messages\n"
          "  --log                      also write what was done to the transfer log,\n"
          "                             $XDG_STATE_HOME/KVVidiRidoved/transfer.log (default\n"
          "                             ~/.local/state/KVVidiRidoved/transfer.log)\n"
          "  -h, --help                 show this help and end (after convert: where\n"
          "                             its Convert.ini is)\n"
          "  --version                  show the version and end\n"
          "\n"
          "Exit status: 0 done, 1 the operation failed, 2 bad usage or the port cannot be\n"
          "opened, 3 the copy fetched back by --verify differs from the bytes sent, twice\n"
          "alike.\n";
}

// Options of the commands that take a value: the value stays with the command
// even when it looks like a global option.
bool IsCommandValueOption(const std::string& word)
{
    return word == "--ini" || word == "--save-ini" || word == "--count" || word == "--timeout";
}

} // namespace

int RunKvctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    KvctlOptions options;
    std::vector<std::string> words;
    bool help = false, logToFile = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            words.insert(words.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                         args.end());
            break;
        }
        if (IsCommandValueOption(a) && i + 1 < args.size()) {
            words.push_back(a);
            words.push_back(args[++i]);
            continue;
        }
        const bool takesValue = a == "--port" || a == "--baud" || a == "--lang";
        if (takesValue && i + 1 >= args.size()) {
            err << "kvctl: " << a << " needs a value\n";
            return kExitUsage;
        }
        if (a == "--port") {
            const std::string& list = args[++i];
            for (std::size_t from = 0; from <= list.size();) {
                const std::size_t comma = std::min(list.find(',', from), list.size());
                if (comma > from)
                    options.ports.push_back(list.substr(from, comma - from));
                from = comma + 1;
            }
            if (!options.ports.empty())
                options.port = options.ports.front();
        } else if (a == "--baud") {
            try {
                options.baud = std::stoi(args[++i]);
            } catch (...) {
                options.baud = 0;
            }
            if (options.baud != 4800 && options.baud != 9600 && options.baud != 19200 &&
                options.baud != 38400 && options.baud != 57600 && options.baud != 115200) {
                err << "kvctl: unsupported speed " << args[i] << "\n";
                return kExitUsage;
            }
        } else if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--version") {
            out << "kvctl " << kProgramVersion << "\n";
            return kExitOk;
        } else if (a == "--json") {
            options.json = true;
        } else if (a == "--log") {
            logToFile = true;
        } else if (a == "--lang") {
            options.lang = args[++i];
            if (options.lang != "en" && options.lang != "pl") {
                err << "kvctl: unknown language " << options.lang << "\n";
                return kExitUsage;
            }
        } else {
            words.push_back(a);
        }
    }
    if (help) {
        if (!words.empty() && words.front() == "convert")
            PrintConvertHelp(out);
        else
            PrintUsage(out);
        return kExitOk;
    }
    if (words.empty()) {
        PrintUsage(err);
        return kExitUsage;
    }
    std::optional<TransferLog> log;
    if (logToFile) {
        log.emplace(DefaultTransferLogPath());
        options.log = &*log;
    }
    const std::string& command = words.front();
    const std::span<const std::string> rest(words.begin() + 1, words.end());
    static const std::pair<const char*, KvctlCommand> kCommands[] = {
        {"ports", RunPortsCommand},
        {"ls", RunLsCommand},
        {"df", RunDfCommand},
        {"info", RunInfoCommand},
        {"put", RunPutCommand},
        {"get", RunGetCommand},
        {"collect", RunCollectCommand},
        {"watch", RunWatchCommand},
        {"sync", RunSyncCommand},
        {"rm", RunRmCommand},
        {"format", RunFormatCommand},
        {"settime", RunSettimeCommand},
        {"install", RunInstallCommand},
        {"receive", RunReceiveCommand},
        {"convert", RunConvertCommand},
        {"batch", RunBatchCommand},
        {"scramble", RunScrambleCommand},
    };
    for (const auto& [name, run] : kCommands) {
        if (command != name)
            continue;
        // watch serves each of its ports on a thread of its own.
        if (options.ports.size() <= 1 || command == "watch")
            return run(rest, options, out, err);
        if (!RunsOnSeveralPorts(command)) {
            err << "kvctl: " << command << " runs on one port at a time\n";
            return kExitUsage;
        }
        return RunOnPorts(run, command, rest, options, out, err);
    }
    err << "kvctl: unknown command " << command << "\n";
    PrintUsage(err);
    return kExitUsage;
}
