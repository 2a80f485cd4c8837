// port_fleet.h: one kvctl command on several terminals at once: a thread per
// port, each with its own link over one shared port list, whole output lines
// prefixed with their port, and a summary table at the end. The main thread.
#pragma once

#include "cli/kvctl_commands.h"

#include <iosfwd>
#include <mutex>
#include <streambuf>
#include <string>

// Whole lines to a shared stream, each behind a prefix, under a shared mutex, so
// that the lines of several threads never mix. A last line without its LF is
// written (with one) when the buffer goes.
class PrefixedLineBuffer : public std::streambuf {
public:
    PrefixedLineBuffer(std::ostream& target, std::mutex& mutex, std::string prefix);
    ~PrefixedLineBuffer() override;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;

private:
    void Emit();

    std::ostream& target;
    std::mutex& mutex;
    const std::string prefix;
    std::string line;
};

// The commands that may run on several ports.
bool RunsOnSeveralPorts(const std::string& command);

// Runs command on every port of options.ports. Exit status: 0 when every port
// succeeded; the status all ports share when they failed alike; else 1.
int RunOnPorts(KvctlCommand command, const std::string& name, std::span<const std::string> args,
               const KvctlOptions& options, std::ostream& out, std::ostream& err);
