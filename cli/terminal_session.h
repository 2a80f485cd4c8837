// terminal_session.h: one kvctl command's connection to a terminal: the port,
// the link, the progress bar, and how a failure is told. The main thread.
#pragma once

#include "cli/kvctl_commands.h"
#include "link/serial/program_ports.h"

#include "convert/record_conversion.h"

#include "link/messages.h"
#include "link/terminal_link.h"
#include "link/transfer_log.h"
#include "link/transfer_progress.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

class TerminalSession {
public:
    // Opens the port of the options; on failure link stays null and err holds
    // "Open communicate port fail!!!".
    TerminalSession(const KvctlOptions& options, std::ostream& err);
    ~TerminalSession();

    // Runs a transfer, with a progress bar on stderr when it is a terminal (and
    // the command runs on one port). A transfer that ends Ok counts its bytes.
    LinkStatus Transfer(const std::function<LinkStatus()>& run);
    // Appends line to the transfer log of --log, under the port's name.
    void Log(const std::string& line);
    // Adds bytes to what the command moved (the several-port table's count).
    void CountBytes(std::uint64_t bytes)
    {
        if (bytesMoved)
            *bytesMoved += bytes;
    }
    // The port the session opened.
    const std::string& PortName() const { return portName; }
    // Tells a failure on err: the message the window would show (with its
    // argument), the log line (also to the transfer log), then "(status N)".
    // Returns kExitFailed.
    int Fail(std::ostream& err, std::optional<MessageId> message, const std::string& line,
             LinkStatus status, const std::string& textArgument = {}, int numberArgument = 0);
    // Accepts transfers the terminal starts into folder until count files are
    // stored or timeout passes; prints each stored path, or with json one
    // object of them all at the end.
    int Receive(const std::filesystem::path& folder, int count,
                std::chrono::duration<double> timeout, bool json, std::ostream& out,
                std::ostream& err);

    Language language;
    std::unique_ptr<ProgramPorts> ownPorts; // null when the options bring a shared list
    ProgramPorts* ports = nullptr;
    PortHandle handle = kNoPort;
    TransferProgress progress;
    std::unique_ptr<TerminalLink> link;

private:
    bool progressBar = true;
    std::uint64_t* bytesMoved = nullptr;
    TransferLog* log = nullptr;
    std::string portName;
};

// Why a conversion failed, as kvctl says it after "cannot convert FILE: ".
const char* DescribeConvertError(ConvertError error);

// A converted copy of a file in the private folder, removed with the object.
struct ConvertedCopy {
    ~ConvertedCopy();
    // Converts source with the settings of ini (empty: the program's Convert.ini).
    bool Make(const std::filesystem::path& source, const std::string& ini, std::string* problem);
    std::filesystem::path path;
};
