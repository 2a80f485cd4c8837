#include "cli/kvctl_commands.h"

#include <ostream>
#include <utility>

namespace {

void PrintUsage(std::ostream& to)
{
    to << "usage: kvctl [--port NAME] [--baud N] [--json] [--lang en|pl] COMMAND [ARGS]\n"
          "  ports                      the port list (SIM1, ... are built-in simulated "
          "terminals)\n"
          "  ls PATH                    list PDT (the disks), a disk or a folder\n"
          "  df DISK                    disk capacity, used and free space\n"
          "  info                       the terminal's model, firmware, serial number, equipment "
          "id\n"
          "  put LOCAL REMOTE [--overwrite] [--convert [--ini F]]   send a file\n"
          "  get REMOTE LOCAL           fetch a file\n"
          "  rm REMOTE...               delete files\n"
          "  format DISK                format a disk\n"
          "  settime [YYYYMMDDhhmmss]   set the terminal's clock (default: now)\n"
          "  install IMAGE              install an application image\n"
          "  receive DIR [--count N] [--timeout S]   accept files the terminal sends\n"
          "  convert SOURCE [--ini F] [--save-ini OUT]   record conversion\n"
          "  batch FILE                 send the files of a batch build file (*.cmb)\n"
          "  scramble IN OUT            scramble a file with the key of the settings\n";
}

} // namespace

int RunKvctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    KvctlOptions options;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--port" && hasValue) {
            options.port = args[++i];
        } else if (a == "--baud" && hasValue) {
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
            PrintUsage(out);
            return kExitOk;
        } else if (a == "--json") {
            options.json = true;
        } else if (a == "--lang" && hasValue) {
            options.lang = args[++i];
            if (options.lang != "en" && options.lang != "pl") {
                err << "kvctl: unknown language " << options.lang << "\n";
                return kExitUsage;
            }
        } else {
            break;
        }
    }
    if (i >= args.size()) {
        PrintUsage(err);
        return kExitUsage;
    }
    const std::string& command = args[i];
    const std::span<const std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                            args.end());
    static const std::pair<const char*, KvctlCommand> kCommands[] = {
        {"ports", RunPortsCommand},     {"ls", RunLsCommand},
        {"df", RunDfCommand},           {"info", RunInfoCommand},
        {"put", RunPutCommand},         {"get", RunGetCommand},
        {"rm", RunRmCommand},           {"format", RunFormatCommand},
        {"settime", RunSettimeCommand}, {"install", RunInstallCommand},
        {"receive", RunReceiveCommand}, {"convert", RunConvertCommand},
        {"batch", RunBatchCommand},     {"scramble", RunScrambleCommand},
    };
    for (const auto& [name, run] : kCommands)
        if (command == name)
            return run(rest, options, out, err);
    err << "kvctl: unknown command " << command << "\n";
    PrintUsage(err);
    return kExitUsage;
}
