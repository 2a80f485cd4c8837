#include "cli/port_fleet.h"

#include "link/serial/program_ports.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
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
    std::string json; // the command's own JSON output, with --json
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

// A short name for a port's own folder: "SIM1", "ttyUSB0" for /dev/ttyUSB0.
std::string PortLabel(const std::string& port)
{
    std::string label = std::filesystem::path(port).filename().string();
    return label.empty() ? port : label;
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
    const std::set<std::string> distinct(options.ports.begin(), options.ports.end());
    if (distinct.size() != options.ports.size()) {
        err << "kvctl: a port is named twice\n";
        return kExitUsage;
    }
    // Every terminal's file goes into its own folder below LOCAL.
    if (name == "get" && (args.size() != 2 || !std::filesystem::is_directory(args[1]))) {
        err << "usage: kvctl get REMOTE FOLDER (with several ports: an existing folder, where\n"
               "each port's file goes into a folder named after the port)\n";
        return kExitUsage;
    }
    ProgramPorts ports;
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
            std::vector<std::string> words(args.begin(), args.end());
            if (name == "get") {
                const std::filesystem::path folder =
                    std::filesystem::path(words[1]) / PortLabel(run.port);
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
        std::snprintf(row, sizeof row, "%-*s  %-13s  %12s  %9s\n", static_cast<int>(width), "PORT",
                      "RESULT", "BYTES", "TIME");
        out << row;
        for (const PortRun& run : runs) {
            std::snprintf(row, sizeof row, "%-*s  %-13s  %12llu  %7.2f s\n",
                          static_cast<int>(width), run.port.c_str(), ResultWord(run.exitCode),
                          static_cast<unsigned long long>(run.bytes), run.seconds);
            out << row;
        }
    }
    const int first = runs.front().exitCode;
    if (std::all_of(runs.begin(), runs.end(),
                    [&](const PortRun& r) { return r.exitCode == first; }))
        return first;
    return kExitFailed;
}
