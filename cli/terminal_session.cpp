#include "cli/terminal_session.h"
#include "cli/json_text.h"

#include "convert/convert_ini_location.h"
#include "convert/record_conversion.h"
#include "link/link_observer.h"
#include "link/operation_text.h"
#include "link/private_folder.h"
#include "link/serial/port_permission.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

BaudCode CodeOf(int baud)
{
    switch (baud) {
    case 4800: return BaudCode::B4800;
    case 9600: return BaudCode::B9600;
    case 19200: return BaudCode::B19200;
    case 38400: return BaudCode::B38400;
    case 57600: return BaudCode::B57600;
    default: return BaudCode::B115200;
    }
}

// Message texts break lines with CR LF; a shell wants LF.
std::string ShellText(std::string text)
{
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

// Draws the transfer's progress on stderr while it runs.
class ProgressBar {
public:
    explicit ProgressBar(const TransferProgress& p) : progress(p), thread([this] { Run(); }) {}
    ~ProgressBar()
    {
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        cv.notify_all();
        thread.join();
        std::fputs("\r\033[K", stderr);
    }

private:
    void Run()
    {
        std::unique_lock lock(mutex);
        while (!cv.wait_for(lock, std::chrono::milliseconds(200), [this] { return done; })) {
            const std::uint64_t total = progress.byteTotal, doneBytes = progress.bytesDone;
            const int percent = total ? static_cast<int>(100 * doneBytes / total) : 0;
            std::string bar(static_cast<std::size_t>(percent / 5), '#');
            bar.resize(20, ' ');
            std::fprintf(stderr, "\r%s [%s] %3d%% %llu/%llu", progress.Title().c_str(), bar.c_str(),
                         percent, static_cast<unsigned long long>(doneBytes),
                         static_cast<unsigned long long>(total));
            std::fflush(stderr);
        }
    }

    const TransferProgress& progress;
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::thread thread;
};

// Prints each pushed file, logs it as the desktop program does, and counts the
// outcomes. The link's receive thread calls it.
class ReceiveWatcher : public LinkObserver {
public:
    // out null: the paths are only kept.
    ReceiveWatcher(TerminalSession& s, std::ostream* o, std::ostream& e)
        : session(s), out(o), err(e)
    {
    }
    void IncomingFileStored(const std::filesystem::path& path) override
    {
        std::lock_guard lock(mutex);
        if (out)
            *out << path.string() << std::endl;
        session.Log(ReceiveDoneLine(path.string()));
        stored.push_back(path.string());
        cv.notify_all();
    }
    void IncomingFileKept(const std::filesystem::path& path,
                          const std::filesystem::path& keptAs) override
    {
        std::lock_guard lock(mutex);
        err << ReplacedKeptLine(path.string(), keptAs.string()) << std::endl;
        session.Log(ReplacedKeptLine(path.string(), keptAs.string()));
    }
    void IncomingTransferFailed(const std::string& name, LinkStatus status) override
    {
        std::lock_guard lock(mutex);
        err << ReceiveFailLine(name) << " (status " << StatusValue(status) << ")" << std::endl;
        session.Log(ReceiveFailLine(name));
    }
    // The paths stored when count are, or when timeout has passed.
    std::vector<std::string> WaitFor(int count, std::chrono::duration<double> timeout)
    {
        std::unique_lock lock(mutex);
        cv.wait_for(lock, timeout, [&] { return static_cast<int>(stored.size()) >= count; });
        return stored;
    }

private:
    TerminalSession& session;
    std::ostream* out;
    std::ostream& err;
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::string> stored;
};

} // namespace

TerminalSession::TerminalSession(const KvctlOptions& options, std::ostream& err)
    : language(options.lang == "pl" ? Language::Polish : Language::English),
      progressBar(options.progressBar), bytesMoved(options.bytesMoved), log(options.log),
      portName(options.port)
{
    std::unique_lock<std::mutex> opening;
    if (options.sharedPorts) {
        ports = options.sharedPorts;
        // Opening refreshes the shared list: one thread at a time.
        static std::mutex openMutex;
        opening = std::unique_lock(openMutex);
    } else {
        ownPorts = std::make_unique<ProgramPorts>();
        ports = ownPorts.get();
    }
    handle = ports->Open(options.port);
    // Without --port the first port of the list is used: log lines carry its name.
    if (portName.empty()) {
        const std::vector<std::string> names = ports->Names();
        portName = names.empty() ? std::string() : names.front();
    }
    // A COMn name or the default port is a device too: the advice names the one
    // that was tried.
    const std::string device = handle == kNoPort ? ports->DevicePath(options.port) : std::string();
    if (opening)
        opening.unlock();
    if (handle == kNoPort) {
        err << MessageString(MessageId::OpenPortFail, language) << "\n";
        const std::string advice = PortPermissionAdvice(device, language);
        if (!advice.empty())
            err << advice << "\n";
        return;
    }
    ports->transport().PortConfigure(handle, CodeOf(options.baud), 0, 0, 0, 1);
    link = std::make_unique<TerminalLink>(ports->transport());
    link->AttachPort(handle);
    link->progress = &progress;
}

TerminalSession::~TerminalSession()
{
    link.reset();
    if (handle != kNoPort)
        ports->transport().PortClose(handle);
}

LinkStatus TerminalSession::Transfer(const std::function<LinkStatus()>& run)
{
    progress.byteTotal = 0;
    LinkStatus status = LinkStatus::Ok;
    if (!progressBar || !isatty(STDERR_FILENO)) {
        status = run();
    } else {
        ProgressBar bar(progress);
        status = run();
    }
    if (bytesMoved && status == LinkStatus::Ok)
        *bytesMoved += progress.byteTotal.load();
    return status;
}

int TerminalSession::Fail(std::ostream& err, std::optional<MessageId> message,
                          const std::string& line, LinkStatus status,
                          const std::string& textArgument, int numberArgument)
{
    if (message) {
        const std::string text = MessageString(*message, language);
        if (text.find("%s") != std::string::npos)
            err << ShellText(FormatMessage(*message, textArgument, language)) << "\n";
        else if (text.find("%d") != std::string::npos)
            err << ShellText(FormatMessage(*message, numberArgument, language)) << "\n";
        else
            err << ShellText(text) << "\n";
    }
    if (!line.empty()) {
        err << line << "\n";
        Log(line);
    }
    err << "(status " << StatusValue(status) << ")\n";
    return kExitFailed;
}

void TerminalSession::Log(const std::string& line)
{
    if (log)
        log->Write(portName, line);
}

int TerminalSession::Receive(const std::filesystem::path& folder, int count,
                             std::chrono::duration<double> timeout, bool json, std::ostream& out,
                             std::ostream& err)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::vector<std::string> stored;
    int exitCode = kExitOk;
    if (!std::filesystem::is_directory(folder)) {
        err << MessageString(MessageId::OpenFileFail, language) << "\n";
        exitCode = kExitFailed;
    } else {
        ReceiveWatcher watcher(*this, json ? nullptr : &out, err);
        link->SetReceiveFolder(std::filesystem::absolute(folder));
        link->SetObserver(&watcher);
        stored = watcher.WaitFor(count, timeout);
        // The link goes before the watcher: no transfer may report to it later.
        link.reset();
        if (static_cast<int>(stored.size()) < count) {
            err << "kvctl: the time ran out with " << stored.size() << " of " << count
                << " files received\n";
            exitCode = kExitFailed;
        }
    }
    if (json) {
        std::string files;
        for (const std::string& path : stored)
            files += (files.empty() ? "" : ", ") + JsonString(path);
        out << JsonObject({{"folder", JsonString(folder.string())},
                           {"files", "[" + files + "]"},
                           {"result", JsonResult(exitCode)}})
            << "\n";
    }
    return exitCode;
}

ConvertedCopy::~ConvertedCopy()
{
    if (!path.empty()) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
}

bool ConvertedCopy::Make(const std::filesystem::path& source, const std::string& ini,
                         std::string* problem)
{
    ConvertSettings settings;
    const std::filesystem::path iniPath =
        ini.empty() ? DefaultConvertIniPath() : std::filesystem::path(ini);
    if (!LoadConvertSettings(iniPath, settings) && !ini.empty()) {
        *problem = "kvctl: cannot read " + ini;
        return false;
    }
    path = CreatePrivateTempFile("convert", "tmp");
    ConvertError error = ConvertError::None;
    if (path.empty() || ConvertFile(source, settings, path, &error).empty()) {
        *problem = error == ConvertError::NoRecord ? "kvctl: cannot convert " + source.string() +
                                                         ": " + DescribeConvertError(error)
                                                   : MessageString(MessageId::OpenFileFail);
        return false;
    }
    return true;
}
