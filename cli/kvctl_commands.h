// kvctl_commands.h: the commands of kvctl. Each takes the words after its name
// and returns the exit status: 0 done, 1 the operation failed, 2 bad usage or
// the port cannot be opened.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <vector>

inline constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2;

struct KvctlOptions {
    std::string port; // empty: the first port of the list
    int baud = 115200;
    bool json = false;
    std::string lang = "en";
};

// Parses the global options and runs the command.
int RunKvctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// kvctl convert SOURCE [--ini FILE] [--save-ini OUT]
int RunConvertCommand(std::span<const std::string> args, const KvctlOptions& options,
                      std::ostream& out, std::ostream& err);
