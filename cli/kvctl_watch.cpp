// kvctl watch: each port on a thread of its own asks every few seconds whether a
// terminal is there; a terminal that answers has been set into its cradle and
// gets the profile's steps once, until it has been taken out and docked again
// (it stops answering, its modem lines rise anew, or its device went away).
// The steps are kvctl's own commands, each with the port to itself.
#include "cli/docking_wait.h"
#include "cli/interrupt.h"
#include "cli/kvctl_commands.h"
#include "cli/port_fleet.h"
#include "cli/terminal_session.h"
#include "cli/watch_profile.h"

#include "link/transfer_log.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <sys/stat.h>

namespace {

std::atomic<bool> reloadAsked{false};

void OnHangUp(int)
{
    reloadAsked.store(true);
}

// The state folder's record of which image each terminal was given, beside the
// transfer log.
std::filesystem::path InstalledRecord()
{
    return DefaultTransferLogPath().parent_path() / "watch-installed.txt";
}

// A 64-bit FNV-1a of the image's bytes: a new image differs.
std::string ImageChecksum(const std::filesystem::path& image)
{
    std::ifstream in(image, std::ios::binary);
    if (!in)
        return {};
    std::uint64_t hash = 1469598103934665603ull;
    char c;
    while (in.get(c)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    std::ostringstream text;
    text << std::hex << hash;
    return text.str();
}

// The device a port's name opens now. A replugged adapter, or a terminal
// started again on the same path, is another device, even when no ask came
// while it was gone.
std::string DeviceNow(const std::string& port)
{
    struct stat st {};
    if (port.empty() || ::stat(port.c_str(), &st) != 0)
        return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

class Watch {
public:
    Watch(const KvctlOptions& options, std::filesystem::path profileFile, WatchProfile profile,
          std::ostream& out, std::ostream& err)
        : options(options), profileFile(std::move(profileFile)), profile(std::move(profile)),
          out(out), err(err)
    {
    }

    void Port(const std::string& port)
    {
        bool worked = false;      // the terminal in the cradle has had its steps
        std::string workedOn;     // the device it was in then
        bool dockedAgain = false; // its lines rose, or its device went, since
        while (!CancelOnInterrupt::Interrupted()) {
            const std::string device = DeviceNow(port);
            const std::optional<std::string> serial = Docked(port);
            if (!serial || device != workedOn || dockedAgain) {
                if (worked)
                    Say(port, "taken out of its cradle");
                worked = false;
            }
            if (serial && !worked) {
                Work(port, *serial);
                worked = true;
                workedOn = device;
            }
            dockedAgain = WaitBetweenAsks(*ports, port, std::chrono::seconds(Profile().pollSeconds),
                                          CancelOnInterrupt::Interrupted) != BetweenAsks::TimeUp;
        }
    }

private:
    // The terminal's serial number when one answers on port.
    std::optional<std::string> Docked(const std::string& port)
    {
        KvctlOptions own = Own(port);
        std::ostringstream quiet;
        TerminalSession session(own, quiet);
        if (!session.link)
            return std::nullopt;
        TerminalInfo info;
        if (session.link->GetTerminalInfo(&info) != LinkStatus::Ok)
            return std::nullopt;
        return info.serial;
    }

    void Work(const std::string& port, const std::string& serial)
    {
        const WatchProfile steps = Profile();
        Say(port, "terminal " + serial + " in its cradle");
        const auto started = std::chrono::steady_clock::now();
        std::uint64_t bytes = 0;
        int files = 0;
        std::vector<std::string> done, failed;
        const auto step = [&](const std::string& name, KvctlCommand command,
                              std::vector<std::string> args) {
            if (CancelOnInterrupt::Interrupted())
                return false;
            KvctlOptions own = Own(port);
            std::string terminal;
            int collected = -1;
            own.bytesMoved = &bytes;
            own.terminalServed = &terminal;
            own.filesCollected = &collected;
            const int status = command(args, own, *Prefixed(port), *Prefixed(port));
            if (collected > 0)
                files += collected;
            (status == kExitOk ? done : failed).push_back(name);
            return status == kExitOk;
        };
        if (steps.setClock)
            step("clock", RunSettimeCommand, {});
        if (steps.collect) {
            std::vector<std::string> args = {steps.collect->from, steps.collect->to.string()};
            if (steps.collect->deleteAfter)
                args.push_back("--delete");
            step("collect", RunCollectCommand, args);
        }
        if (steps.sync) {
            std::vector<std::string> args = {steps.sync->from.string(), steps.sync->to};
            if (steps.sync->deleteExtra)
                args.push_back("--delete");
            if (steps.sync->convert)
                args.push_back("--convert");
            if (steps.sync->convert && !steps.sync->ini.empty())
                args.insert(args.end(), {"--ini", steps.sync->ini.string()});
            step("sync", RunSyncCommand, args);
        }
        if (!steps.installImage.empty()) {
            const std::string key = serial + " " + ImageChecksum(steps.installImage);
            if (Installed(key)) {
                Say(port, "install: " + steps.installImage.string() + " is on it already");
            } else if (step("install", RunInstallCommand, {steps.installImage.string()})) {
                RecordInstalled(key);
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::ostringstream summary;
        summary << "terminal " << serial << " done: " << done.size() << " steps done";
        if (!failed.empty()) {
            summary << ", failed:";
            for (const std::string& name : failed)
                summary << " " << name;
        }
        summary << "; " << files << " files collected, " << bytes << " bytes, ";
        summary.precision(1);
        summary << std::fixed << seconds << " s";
        Say(port, summary.str());
    }

    KvctlOptions Own(const std::string& port)
    {
        KvctlOptions own = options;
        own.port = port;
        own.ports = {port};
        own.sharedPorts = ports;
        own.progressBar = false;
        return own;
    }

    // A stream whose whole lines go out behind the port's name.
    std::unique_ptr<std::ostream> Prefixed(const std::string& port)
    {
        struct Lines : std::ostream {
            Lines(std::ostream& target, std::mutex& mutex, const std::string& prefix)
                : std::ostream(&buffer), buffer(target, mutex, prefix)
            {
            }
            PrefixedLineBuffer buffer;
        };
        return std::make_unique<Lines>(out, outputMutex, port + ": ");
    }

    void Say(const std::string& port, const std::string& line)
    {
        {
            const std::lock_guard lock(outputMutex);
            out << port << ": " << line << std::endl;
        }
        if (options.log)
            options.log->Write(port, line);
    }

    // The profile, read again first when SIGHUP asked for it; a bad one is not
    // taken: the watch goes on with the last good one.
    WatchProfile Profile() const
    {
        const std::lock_guard lock(profileMutex);
        if (reloadAsked.exchange(false)) {
            std::string problem;
            if (auto fresh = ReadWatchProfile(profileFile, &problem))
                profile = std::move(*fresh);
            else
                err << "kvctl: the profile stays as it was: " << problem << std::endl;
        }
        return profile;
    }

    bool Installed(const std::string& key)
    {
        const std::lock_guard lock(stateMutex);
        std::ifstream in(InstalledRecord());
        for (std::string line; std::getline(in, line);)
            if (line == key)
                return true;
        return false;
    }

    void RecordInstalled(const std::string& key)
    {
        const std::lock_guard lock(stateMutex);
        std::error_code ec;
        std::filesystem::create_directories(InstalledRecord().parent_path(), ec);
        std::ofstream(InstalledRecord(), std::ios::app) << key << "\n";
    }

    const KvctlOptions& options;
    const std::filesystem::path profileFile;
    mutable WatchProfile profile;
    mutable std::mutex profileMutex;
    std::mutex stateMutex, outputMutex;
    std::ostream& out;
    std::ostream& err;
    std::unique_ptr<ProgramPorts> ownPorts =
        options.sharedPorts ? nullptr : std::make_unique<ProgramPorts>();
    ProgramPorts* ports = options.sharedPorts ? options.sharedPorts : ownPorts.get();
};

} // namespace

int RunWatchCommand(std::span<const std::string> args, const KvctlOptions& options,
                    std::ostream& out, std::ostream& err)
{
    const bool check = args.size() == 3 && args[2] == "--check";
    if ((args.size() != 2 && !check) || args[0] != "--profile") {
        err << "usage: kvctl [--port LIST] watch --profile FILE [--check]\n";
        return kExitUsage;
    }
    std::string problem;
    std::optional<WatchProfile> profile = ReadWatchProfile(args[1], &problem);
    if (!profile) {
        err << "kvctl: " << problem << "\n";
        return kExitUsage;
    }
    if (check) {
        out << args[1] << ": the profile is good\n";
        return kExitOk;
    }
    std::vector<std::string> ports = options.ports;
    if (ports.empty())
        ports.push_back(options.port);
    // SIGTERM and Ctrl+C end the watch once the file in flight has ended.
    std::atomic<int> unused{0};
    const CancelOnInterrupt interrupt(unused);
    CancelOnInterrupt::FinishFileInFlight();
    std::signal(SIGHUP, OnHangUp);
    Watch watch(options, args[1], std::move(*profile), out, err);
    std::vector<std::thread> threads;
    for (const std::string& port : ports)
        threads.emplace_back([&watch, port] { watch.Port(port); });
    for (std::thread& thread : threads)
        thread.join();
    return kExitOk;
}
