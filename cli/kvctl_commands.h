// kvctl_commands.h: the commands of kvctl. Each takes the words after its name
// and returns the exit status: 0 done, 1 the operation failed, 2 bad usage or
// the port cannot be opened.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

inline constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2;
// A file was sent, but the copy fetched back from the terminal differs from it.
inline constexpr int kExitVerifyFailed = 3;

class ProgramPorts;
class TransferLog;

struct KvctlOptions {
    std::string port;               // empty: the first port of the list
    std::vector<std::string> ports; // every --port given, lists split at commas
    int baud = 115200;
    bool json = false;
    std::string lang = "en";
    // Set for the threads of a command run on several ports: the port list they
    // share (not owned), no progress bar, and where each counts the bytes it moved.
    ProgramPorts* sharedPorts = nullptr;
    bool progressBar = true;
    std::uint64_t* bytesMoved = nullptr;
    // Where collect names the terminal it served and counts the files it
    // collected, for the table; null on one port.
    std::string* terminalServed = nullptr;
    int* filesCollected = nullptr;
    // The transfer log of --log (not owned); null without it.
    TransferLog* log = nullptr;
};

// Parses the global options and runs the command.
int RunKvctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

using KvctlCommand = int (*)(std::span<const std::string> args, const KvctlOptions& options,
                             std::ostream& out, std::ostream& err);

// kvctl collect REMOTE_DIR LOCAL_DIR [--delete]
int RunCollectCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err);
// kvctl [--port LIST] watch --profile FILE
int RunWatchCommand(std::span<const std::string> args, const KvctlOptions& options,
                    std::ostream& out, std::ostream& err);
// kvctl convert --help: its usage and the full path of the Convert.ini it reads
// without --ini (the desktop program's, beside the programs).
void PrintConvertHelp(std::ostream& out);
// kvctl convert SOURCE [--ini FILE] [--save-ini OUT]
int RunConvertCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err);
// The commands that talk to a terminal (kvctl_terminal.cpp).
int RunPortsCommand(std::span<const std::string> args, const KvctlOptions& options,
                    std::ostream& out, std::ostream& err);
int RunLsCommand(std::span<const std::string> args, const KvctlOptions& options, std::ostream& out,
                 std::ostream& err);
int RunDfCommand(std::span<const std::string> args, const KvctlOptions& options, std::ostream& out,
                 std::ostream& err);
int RunInfoCommand(std::span<const std::string> args, const KvctlOptions& options,
                   std::ostream& out, std::ostream& err);
int RunPutCommand(std::span<const std::string> args, const KvctlOptions& options, std::ostream& out,
                  std::ostream& err);
int RunGetCommand(std::span<const std::string> args, const KvctlOptions& options, std::ostream& out,
                  std::ostream& err);
int RunRmCommand(std::span<const std::string> args, const KvctlOptions& options, std::ostream& out,
                 std::ostream& err);
int RunFormatCommand(std::span<const std::string> args, const KvctlOptions& options,
                     std::ostream& out, std::ostream& err);
int RunSettimeCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err);
int RunInstallCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err);
// kvctl sync LOCAL_DIR REMOTE_DIR [--dry-run] [--delete] [--convert [--ini F]] [--verify]
// (kvctl_sync.cpp).
int RunSyncCommand(std::span<const std::string> args, const KvctlOptions& options,
                   std::ostream& out, std::ostream& err);
int RunReceiveCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err);
// kvctl batch FILE, kvctl scramble IN OUT (kvctl_batch.cpp).
int RunBatchCommand(std::span<const std::string> args, const KvctlOptions& options,
                    std::ostream& out, std::ostream& err);
int RunScrambleCommand(std::span<const std::string> args, const KvctlOptions& options,
                       std::ostream& out, std::ostream& err);
