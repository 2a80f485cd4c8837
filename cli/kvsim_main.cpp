// kvsim: a simulated terminal on a serial line, a pseudo-terminal made for the
// PC (--pty) or a real serial device (--device). Serves until SIGINT or SIGTERM;
// SIGUSR1 sets the terminal into its cradle (a docking the PC sees on DSR and DCD).
// SIGUSR2 takes it out of its cradle, or puts it back: out of it, it answers
// nothing (with --device, DTR falls with it and rises again on its return).
#include "kv_version.h"
#include "sim/fd_port.h"
#include "sim/sim_terminal.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <type_traits>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kExitDone = 0, kExitFailed = 1, kExitUsage = 2;
constexpr int kDefaultBaud = 115200;
// How often the main thread looks for a signal, a PC on the line and a lost port.
constexpr long kWatchIntervalNs = 50'000'000;

constexpr const char* kUsage =
    "Usage: kvsim --root DIR (--pty LINK | --device PATH [--baud N]) [options]\n"
    "options: --model TEXT --firmware TEXT --serial TEXT --equipment TEXT\n"
    "         --line-rate BAUD --install-mode --app-size N --capacity C:=N\n"
    "         --unformatted D: --lock PATH --busy --undocked --push FILE [--push-name NAME]\n"
    "test options: --corrupt-rate P --drop-rate P --fault-seed N --balanced-block N\n"
    "              (faults on what the terminal sends)\n";

// The usage, then what each option does: the --help text.
constexpr const char* kHelp =
    "Serve a simulated portable data terminal on a serial line until SIGINT or SIGTERM.\n"
    "SIGUSR1 sets the terminal into its cradle: DTR drops for a moment and rises again,\n"
    "which a null-modem cable carries to the PC's DSR and DCD. Only with --device: a\n"
    "pseudo-terminal has no modem lines.\n"
    "\n"
    "  --root DIR           the terminal's disks live in DIR/C and DIR/D, its application\n"
    "                       image in DIR/APP.BIN, its clock in DIR/CLOCK.TXT\n"
    "  --pty LINK           make a pseudo-terminal and point the symbolic link LINK at it\n"
    "  --device PATH        serve on a real serial device (a null-modem cable to the PC)\n"
    "  --baud N             the device's speed (default 115200)\n"
    "  --model TEXT, --firmware TEXT, --serial TEXT, --equipment TEXT\n"
    "                       what the terminal reports about itself\n"
    "  --line-rate BAUD     pace the line as a serial line of that speed would\n"
    "  --install-mode       start in install mode: accept an application image\n"
    "  --app-size N         the size of the application area, in bytes\n"
    "  --capacity C:=N      the capacity of disk C: or D:, in bytes\n"
    "  --unformatted D:     start with that disk unformatted\n"
    "  --lock PATH          a terminal file held in use (may be repeated)\n"
    "  --busy               the terminal's own program holds its files: downloads refused\n"
    "  --undocked           start out of the cradle: answer nothing until SIGUSR2 puts the\n"
    "                       terminal in (SIGUSR2 again takes it out; with --device, DTR\n"
    "                       follows, which the PC sees on DSR and DCD)\n"
    "  --push FILE          send FILE to the PC once a PC is on the line\n"
    "  --push-name NAME     the name the pushed file is sent under\n"
    "  --corrupt-rate P     flip one bit of each byte the terminal sends with probability P\n"
    "  --drop-rate P        lose each byte the terminal sends with probability P\n"
    "  --fault-seed N       the seed of the two above\n"
    "  --balanced-block N   move two neighbouring bytes of the N-th data block the terminal\n"
    "                       sends by +1 and -1: its additive checksum still matches\n"
    "  -h, --help           show this help and end\n"
    "  --version            show the version and end\n"
    "\n"
    "Exit status: 0 stopped by a signal, 1 the line or the disks failed, 2 bad usage.\n";

struct KvsimOptions {
    SimTerminalConfig config;
    std::string ptyLink, device;
    int baud = kDefaultBaud;
    std::string pushFile, pushName;
};

std::optional<std::uint32_t> Number(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || value > UINT32_MAX)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// A probability: a decimal number from 0 to 1 ("1e-4" too).
std::optional<double> Probability(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || !(value >= 0 && value <= 1))
        return std::nullopt;
    return value;
}

// "C:=4194304": the disk and its capacity.
bool SetCapacity(const std::string& text, SimTerminalConfig& config)
{
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos)
        return false;
    const auto disk = ParseTerminalPath(text.substr(0, eq));
    const auto bytes = Number(text.substr(eq + 1));
    if (!disk || !disk->IsDisk() || !bytes)
        return false;
    if (disk->disk == 'C')
        config.capacityC = *bytes;
    else if (disk->disk == 'D')
        config.capacityD = *bytes;
    else
        return false;
    return true;
}

// Reads the words after the program's name; the failing word's message on err.
bool ParseOptions(const std::vector<std::string>& args, KvsimOptions& options, std::ostream& err)
{
    SimTerminalConfig& config = options.config;
    const auto positive = [](const std::string& v, auto& target) {
        const auto n = Number(v);
        if (n && *n > 0)
            target = static_cast<std::remove_reference_t<decltype(target)>>(*n);
        return n && *n > 0;
    };
    const auto text = [](auto& target) {
        return [&target](const std::string& v) {
            target = v;
            return true;
        };
    };
    const auto probability = [](double& target) {
        return [&target](const std::string& v) {
            const auto p = Probability(v);
            if (p)
                target = *p;
            return p.has_value();
        };
    };
    // A disk of the terminal ("D:"), or a file on one.
    const auto terminalPath = [](bool disk, std::vector<std::string>& list) {
        return [disk, &list](const std::string& v) {
            const auto path = ParseTerminalPath(v);
            list.push_back(v);
            return path && SimStorage::HasDisk(path->disk) && path->IsDisk() == disk;
        };
    };
    const std::map<std::string, std::function<void()>> flags = {
        {"--install-mode", [&] { config.installMode = true; }},
        {"--busy", [&] { config.busy = true; }},
        {"--undocked", [&] { config.docked = false; }},
    };
    const std::map<std::string, std::function<bool(const std::string&)>> valued = {
        {"--root", text(config.root)},
        {"--pty", text(options.ptyLink)},
        {"--device", text(options.device)},
        {"--baud", [&](const std::string& v) { return positive(v, options.baud); }},
        {"--model", text(config.identity.model)},
        {"--firmware", text(config.identity.firmware)},
        {"--serial", text(config.identity.serial)},
        {"--equipment", text(config.identity.equipment)},
        {"--line-rate", [&](const std::string& v) { return positive(v, config.lineRate); }},
        {"--app-size", [&](const std::string& v) { return positive(v, config.appSize); }},
        {"--capacity", [&](const std::string& v) { return SetCapacity(v, config); }},
        {"--unformatted", terminalPath(true, config.unformatted)},
        {"--lock", terminalPath(false, config.locked)},
        {"--push", text(options.pushFile)},
        {"--push-name", text(options.pushName)},
        {"--corrupt-rate", probability(config.faults.corruptRate)},
        {"--drop-rate", probability(config.faults.dropRate)},
        {"--fault-seed", [&](const std::string& v) { return positive(v, config.faults.seed); }},
        {"--balanced-block",
         [&](const std::string& v) { return positive(v, config.faults.balancedBlock); }},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (const auto flag = flags.find(option); flag != flags.end()) {
            flag->second();
            continue;
        }
        const auto setter = valued.find(option);
        if (setter == valued.end() || i + 1 == args.size() || !setter->second(args[++i])) {
            err << "kvsim: bad option or value: " << option << "\n";
            return false;
        }
    }
    if (config.root.empty() || options.ptyLink.empty() == options.device.empty()) {
        err << "kvsim: --root and one of --pty or --device are required\n";
        return false;
    }
    return true;
}

std::optional<Bytes> ReadWholeFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Points link at the pseudo-terminal; an existing symbolic link is replaced,
// anything else is left alone.
bool MakeLink(const fs::path& link, const std::string& target, std::ostream& err)
{
    std::error_code ec;
    if (fs::is_symlink(link, ec))
        fs::remove(link, ec);
    else if (fs::exists(link, ec)) {
        err << "kvsim: " << link.string() << " exists and is not a symbolic link\n";
        return false;
    }
    fs::create_symlink(target, link, ec);
    if (ec)
        err << "kvsim: cannot make " << link.string() << ": " << ec.message() << "\n";
    return !ec;
}

} // namespace

int main(int argc, char** argv)
{
    KvsimOptions options;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::cout << kUsage << "\n" << kHelp;
            return kExitDone;
        }
        if (a == "--version") {
            std::cout << "kvsim " << kProgramVersion << "\n";
            return kExitDone;
        }
    }
    if (!ParseOptions(args, options, std::cerr)) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    std::optional<Bytes> push;
    if (!options.pushFile.empty()) {
        push = ReadWholeFile(options.pushFile);
        if (!push) {
            std::cerr << "kvsim: cannot read " << options.pushFile << "\n";
            return kExitFailed;
        }
        if (options.pushName.empty())
            options.pushName = fs::path(options.pushFile).filename().string();
    }
    std::error_code ec;
    fs::create_directories(options.config.root, ec);

    // The signals are taken by sigtimedwait below, in this thread only: block
    // them before any other thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    sigaddset(&stopSignals, SIGUSR2);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::string slave;
    std::unique_ptr<FdPort> port = options.ptyLink.empty()
                                       ? FdPort::OpenSerialDevice(options.device, options.baud)
                                       : FdPort::OpenPseudoTerminal(&slave);
    if (!port) {
        std::cerr << "kvsim: cannot open "
                  << (options.ptyLink.empty() ? options.device : std::string("a pseudo-terminal"))
                  << ": " << std::strerror(errno) << "\n";
        return kExitFailed;
    }
    if (!options.ptyLink.empty() && !MakeLink(options.ptyLink, slave, std::cerr))
        return kExitFailed;
    FdPort* line = port.get();
    if (!options.config.docked)
        line->SetCradleLines(false);
    options.config.log = [](const std::string& text) { std::cerr << "kvsim: " << text << "\n"; };
    SimTerminal terminal(options.config, std::move(port));
    int status = kExitDone;
    if (!terminal.Start()) {
        std::cerr << "kvsim: cannot make the disks under " << options.config.root.string() << "\n";
        status = kExitFailed;
    }
    const timespec interval{0, kWatchIntervalNs};
    for (int caught; status == kExitDone;) {
        caught = sigtimedwait(&stopSignals, nullptr, &interval);
        if (caught == SIGUSR2) {
            const bool docked = !terminal.Docked();
            terminal.SetDocked(docked);
            line->SetCradleLines(docked);
            std::cerr << "kvsim: " << (docked ? "in its cradle" : "out of its cradle") << "\n";
            continue;
        }
        if (caught == SIGUSR1) {
            if (!line->ShowDocking())
                std::cerr << "kvsim: no modem lines on this port: the docking is not shown\n";
            continue;
        }
        if (caught >= 0)
            break;
        if (push && line->PeerPresent()) {
            terminal.Push(std::move(*push), options.pushName);
            push.reset();
        }
        if (!terminal.IsRunning()) {
            std::cerr << "kvsim: the line is gone\n";
            status = kExitFailed;
        }
    }
    terminal.Stop();
    if (!options.ptyLink.empty() && fs::read_symlink(options.ptyLink, ec) == slave)
        fs::remove(options.ptyLink, ec);
    return status;
}
