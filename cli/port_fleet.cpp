#include "cli/port_fleet.h"
#include "cli/json_text.h"

#include "link/serial/program_ports.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <thread>

namespace {

struct PortRun {
    std::string port;
    int exitCode = kExitFailed;
    std::uint64_t bytes = 0;
    double seconds = 0;
    std::string json;     // the command's own JSON output, with --json
    std::string terminal; // collect: the terminal's folder name
    int files = -1;       // collect: the files collected
};

const char* ResultWord(int exitCode)
{
    switch (exitCode) {
    case kExitOk: return "done";
    case kExitUsage: return "not run";
    case kExitVerifyFailed: return "verify failed";
    default: return "failed";
    }
}

// The parts of a port's name that can name a folder: "/dev/ttyUSB0" gives
// "dev" and "ttyUSB0"; never a root, "." or "..".
std::vector<std::string> NameParts(const std::string& port)
{
    std::vector<std::string> parts;
    for (const std::filesystem::path& part : std::filesystem::path(port)) {
        const std::string text = part.string();
        if (!text.empty() && text != "/" && text != "." && text != "..")
            parts.push_back(text);
    }
    return parts;
}

// A folder name for each port, unique among them: its last part ("SIM1",
// "ttyUSB0"); ports that share it take as many parts more as tell them apart
// ("a_tty", "b_tty"); a clash left after that takes "-2", "-3", ... in port order.
std::vector<std::string> PortFolders(const std::vector<std::string>& ports)
{
    std::vector<std::vector<std::string>> parts;
    for (const std::string& port : ports)
        parts.push_back(NameParts(port));
    std::vector<std::size_t> taking(ports.size(), 1); // the last parts each name takes
    std::vector<std::string> folders(ports.size());
    for (bool grew = true; grew;) {
        std::map<std::string, int> users;
        for (std::size_t i = 0; i < ports.size(); ++i) {
            folders[i].clear();
            for (std::size_t k = parts[i].size() - std::min(taking[i], parts[i].size());
                 k < parts[i].size(); ++k)
                folders[i] += (folders[i].empty() ? "" : "_") + parts[i][k];
            if (folders[i].empty())
                folders[i] = "port";
            ++users[folders[i]];
        }
        grew = false;
        for (std::size_t i = 0; i < ports.size(); ++i)
            if (users[folders[i]] > 1 && taking[i] < parts[i].size()) {
                ++taking[i];
                grew = true;
            }
    }
    std::set<std::string> taken;
    for (std::string& folder : folders) {
        std::string unique = folder;
        for (int n = 2; !taken.insert(unique).second; ++n)
            unique = folder + "-" + std::to_string(n);
        folder = unique;
    }
    return folders;
}

// True when two ports, given with the devices they open, are one: the same
// device after symbolic links (COM1 and /dev/ttyS0 too), or, for a device that
// is not there or a simulated terminal (no device), the same path or name.
bool SamePort(const std::string& a, const std::string& deviceA, const std::string& b,
              const std::string& deviceB)
{
    if (deviceA.empty() || deviceB.empty())
        return a == b;
    std::error_code ec;
    if (std::filesystem::equivalent(deviceA, deviceB, ec))
        return true;
    return std::filesystem::weakly_canonical(deviceA, ec) ==
           std::filesystem::weakly_canonical(deviceB, ec);
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

PrefixedLineBuffer::PrefixedLineBuffer(std::ostream& t, std::mutex& m, std::string p)
    : target(t), mutex(m), prefix(std::move(p))
{
}

PrefixedLineBuffer::~PrefixedLineBuffer()
{
    if (!line.empty()) {
        line += '\n';
        Emit();
    }
}

PrefixedLineBuffer::int_type PrefixedLineBuffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    line += traits_type::to_char_type(c);
    if (c == '\n')
        Emit();
    return c;
}

std::streamsize PrefixedLineBuffer::xsputn(const char* text, std::streamsize count)
{
    for (std::streamsize i = 0; i < count; ++i)
        overflow(traits_type::to_int_type(text[i]));
    return count;
}

void PrefixedLineBuffer::Emit()
{
    std::lock_guard lock(mutex);
    target << prefix << line;
    target.flush();
    line.clear();
}

bool RunsOnSeveralPorts(const std::string& command)
{
    static const std::set<std::string> kCommands = {"put",  "get",     "sync", "install",
                                                    "info", "settime", "ls",   "collect"};
    return kCommands.contains(command);
}

int RunOnPorts(KvctlCommand command, const std::string& name, std::span<const std::string> args,
               const KvctlOptions& options, std::ostream& out, std::ostream& err)
{
    // Every terminal's file goes into its own folder below LOCAL.
    if (name == "get" && (args.size() != 2 || !std::filesystem::is_directory(args[1]))) {
        err << "usage: kvctl get REMOTE FOLDER (with several ports: an existing folder, where\n"
               "each port's file goes into a folder named after the port)\n";
        return kExitUsage;
    }
    ProgramPorts ports;
    std::vector<std::string> devices;
    for (const std::string& port : options.ports)
        devices.push_back(ports.DevicePath(port));
    for (std::size_t i = 0; i < options.ports.size(); ++i)
        for (std::size_t j = i + 1; j < options.ports.size(); ++j)
            if (SamePort(options.ports[i], devices[i], options.ports[j], devices[j])) {
                err << "kvctl: " << options.ports[i] << " and " << options.ports[j]
                    << " are the same port\n";
                return kExitUsage;
            }
    const std::vector<std::string> folders = PortFolders(options.ports);
    std::mutex outputMutex;
    std::vector<PortRun> runs(options.ports.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < options.ports.size(); ++i) {
        runs[i].port = options.ports[i];
        threads.emplace_back([&, i] {
            PortRun& run = runs[i];
            KvctlOptions own = options;
            own.port = run.port;
            own.ports = {run.port};
            own.sharedPorts = &ports;
            own.progressBar = false;
            own.bytesMoved = &run.bytes;
            own.terminalServed = &run.terminal;
            own.filesCollected = &run.files;
            std::vector<std::string> words(args.begin(), args.end());
            if (name == "get") {
                const std::filesystem::path folder = std::filesystem::path(words[1]) / folders[i];
                std::error_code ec;
                std::filesystem::create_directories(folder, ec);
                words[1] = folder.string();
            }
            const std::string prefix = run.port + ": ";
            PrefixedLineBuffer errLines(err, outputMutex, prefix);
            std::ostream portErr(&errLines);
            const auto started = std::chrono::steady_clock::now();
            if (options.json) {
                std::ostringstream portOut;
                run.exitCode = command(words, own, portOut, portErr);
                run.json = Trimmed(portOut.str());
            } else {
                PrefixedLineBuffer outLines(out, outputMutex, prefix);
                std::ostream portOut(&outLines);
                run.exitCode = command(words, own, portOut, portErr);
            }
            run.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    if (options.json) {
        out << "{\"ports\": [";
        for (std::size_t i = 0; i < runs.size(); ++i) {
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.3f", runs[i].seconds);
            out << (i ? ", " : "") << "{\"port\": " << JsonString(runs[i].port)
                << ", \"result\": \"" << ResultWord(runs[i].exitCode)
                << "\", \"exit\": " << runs[i].exitCode << ", \"bytes\": " << runs[i].bytes
                << ", \"seconds\": " << seconds
                << ", \"output\": " << (runs[i].json.empty() ? "null" : runs[i].json) << "}";
        }
        out << "]}\n";
    } else {
        std::size_t width = 4;
        for (const PortRun& run : runs)
            width = std::max(width, run.port.size());
        char row[512];
        if (name == "collect") {
            // Which terminal each port served, and how many of its files came.
            std::size_t terminalWidth = 8;
            for (const PortRun& run : runs)
                terminalWidth = std::max(terminalWidth, run.terminal.size());
            const int tw = static_cast<int>(terminalWidth);
            std::snprintf(row, sizeof row, "%-*s  %-*s  %5s  %12s  %-13s  %9s\n",
                          static_cast<int>(width), "PORT", tw, "TERMINAL", "FILES", "BYTES",
                          "RESULT", "TIME");
            out << row;
            for (const PortRun& run : runs) {
                std::snprintf(row, sizeof row, "%-*s  %-*s  %5d  %12llu  %-13s  %7.2f s\n",
                              static_cast<int>(width), run.port.c_str(), tw, run.terminal.c_str(),
                              std::max(run.files, 0), static_cast<unsigned long long>(run.bytes),
                              ResultWord(run.exitCode), run.seconds);
                out << row;
            }
        } else {
            std::snprintf(row, sizeof row, "%-*s  %-13s  %12s  %9s\n", static_cast<int>(width),
                          "PORT", "RESULT", "BYTES", "TIME");
            out << row;
            for (const PortRun& run : runs) {
                std::snprintf(row, sizeof row, "%-*s  %-13s  %12llu  %7.2f s\n",
                              static_cast<int>(width), run.port.c_str(), ResultWord(run.exitCode),
                              static_cast<unsigned long long>(run.bytes), run.seconds);
                out << row;
            }
        }
    }
    const int first = runs.front().exitCode;
    if (std::all_of(runs.begin(), runs.end(),
                    [&](const PortRun& r) { return r.exitCode == first; }))
        return first;
    return kExitFailed;
}
