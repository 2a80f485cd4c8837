#include "cli/kvctl_commands.h"

#include <ostream>

namespace {

void PrintUsage(std::ostream& err)
{
    err << "usage: kvctl [--port NAME] [--baud N] [--json] [--lang en|pl] COMMAND [ARGS]\n"
           "commands: ports ls df info put get rm format settime install batch receive convert\n";
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
    if (command == "convert") return RunConvertCommand(rest, options, out, err);
    err << "kvctl: unknown command " << command << "\n";
    PrintUsage(err);
    return kExitUsage;
}
