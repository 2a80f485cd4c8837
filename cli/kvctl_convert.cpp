// kvctl convert: converts a file with the settings of a Convert.ini, or copies
// those settings to another file. Main thread.
#include "cli/json_text.h"
#include "cli/kvctl_commands.h"
#include "cli/terminal_session.h"

#include "convert/convert_ini_location.h"
#include "convert/convert_settings.h"
#include "convert/record_conversion.h"

#include <filesystem>
#include <optional>
#include <ostream>

namespace {

struct ConvertArguments {
    std::optional<std::string> source;
    std::optional<std::string> ini;
    std::optional<std::string> saveIni;
};

void PrintConvertUsage(std::ostream& err)
{
    err << "usage: kvctl convert SOURCE [--ini FILE] [--save-ini OUT]\n"
           "       kvctl convert --save-ini OUT [--ini FILE]\n";
}

// False on a word it does not know, a missing value or a second source.
bool ParseConvertArguments(std::span<const std::string> args, ConvertArguments& parsed)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::optional<std::string>* option = nullptr;
        if (a == "--ini")
            option = &parsed.ini;
        else if (a == "--save-ini")
            option = &parsed.saveIni;
        if (option) {
            if (i + 1 >= args.size() || option->has_value())
                return false;
            *option = args[++i];
        } else if (a.starts_with("--") || parsed.source) {
            return false;
        } else {
            parsed.source = a;
        }
    }
    return parsed.source || parsed.saveIni;
}

} // namespace

void PrintConvertHelp(std::ostream& out)
{
    PrintConvertUsage(out);
    out << "Converts SOURCE record by record and prints the path of the converted copy;\n"
           "--save-ini writes the settings used to OUT.\n"
           "\n"
           "Without --ini the settings come from the Convert.ini the desktop program\n"
           "keeps (put --convert and sync --convert read it too); while it is missing\n"
           "the record defaults apply:\n";
    const std::filesystem::path ini = DefaultConvertIniPath();
    if (ini.empty())
        out << "  (none: neither the programs' folder nor a configuration folder is known)\n";
    else
        out << "  " << ini.string() << "\n";
}

const char* DescribeConvertError(ConvertError error)
{
    switch (error) {
    case ConvertError::SourceUnreadable: return "the file cannot be read";
    case ConvertError::OutputNotCreated: return "the converted copy cannot be created";
    case ConvertError::WriteFailed: return "writing the converted copy failed";
    case ConvertError::OutOfMemory: return "not enough memory";
    case ConvertError::NoRecord: return "the file holds no record";
    case ConvertError::None: break;
    }
    return "unknown error";
}

int RunConvertCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err)
{
    ConvertArguments parsed;
    if (!ParseConvertArguments(args, parsed)) {
        PrintConvertUsage(err);
        return kExitUsage;
    }
    std::filesystem::path converted;
    const auto report = [&](int exitCode) {
        const auto pathOrNull = [](const std::optional<std::string>& path) {
            return path ? JsonString(*path) : std::string("null");
        };
        if (options.json)
            out << JsonObject(
                       {{"source", pathOrNull(parsed.source)},
                        {"converted", converted.empty() ? "null" : JsonString(converted.string())},
                        {"savedIni", pathOrNull(parsed.saveIni)},
                        {"result", JsonResult(exitCode)}})
                << "\n";
        return exitCode;
    };

    ConvertSettings settings;
    if (parsed.ini) {
        if (!LoadConvertSettings(*parsed.ini, settings)) {
            err << "kvctl: cannot read " << *parsed.ini << "\n";
            return report(kExitFailed);
        }
    } else {
        // As the program does: no Convert.ini means the record defaults.
        LoadConvertSettings(DefaultConvertIniPath(), settings);
    }

    if (parsed.saveIni && !SaveConvertSettings(*parsed.saveIni, settings)) {
        err << "kvctl: cannot write " << *parsed.saveIni << "\n";
        return report(kExitFailed);
    }

    if (parsed.source) {
        ConvertError error = ConvertError::None;
        converted = ConvertFile(*parsed.source, settings, {}, &error);
        if (converted.empty()) {
            err << "kvctl: cannot convert " << *parsed.source << ": " << DescribeConvertError(error)
                << "\n";
            return report(kExitFailed);
        }
        if (!options.json)
            out << converted.string() << "\n";
    }
    return report(kExitOk);
}
