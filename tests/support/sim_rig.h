// sim_rig.h: a link talking to a simulated terminal over an in-process line,
// the terminal's disks in a test folder.
#pragma once

#include "tests/support/test_dir.h"

#include "link/terminal_link.h"
#include "sim/in_process_line.h"
#include "sim/line_transport.h"
#include "sim/sim_terminal.h"
#include "sim/terminal_port.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

struct SimRig {
    explicit SimRig(const std::function<void(SimTerminalConfig&)>& setup = {},
                    LinkTimings timings = {std::chrono::milliseconds(500),
                                           std::chrono::milliseconds(10)})
    {
        SimTerminalConfig config;
        config.root = dir / "terminal";
        config.replyTimeout = std::chrono::milliseconds(500);
        if (setup)
            setup(config);
        auto [pc, far] = MakeInProcessLine();
        pcEnd = pc;
        terminal = std::make_unique<SimTerminal>(config, std::make_unique<LinePort>(far));
        started = terminal->Start();
        transport.AddPort("SIMTEST", pc);
        link = std::make_unique<TerminalLink>(transport, timings);
        link->AttachPort(transport.PortOpen(PortKind::ListIndex, 1, "SIMTEST"));
    }
    ~SimRig()
    {
        link.reset();
        terminal->Stop();
    }
    SimRig(const SimRig&) = delete;
    SimRig& operator=(const SimRig&) = delete;

    std::filesystem::path Disk(const std::string& relative) const
    {
        return dir.path / "terminal" / relative;
    }
    // Where the terminal keeps "C:\\DATA\\X.TXT": <root>/C/DATA/X.TXT.
    std::filesystem::path DiskFileOf(std::string terminalPath) const
    {
        terminalPath.erase(1, 1);
        std::replace(terminalPath.begin(), terminalPath.end(), '\\', '/');
        return Disk(terminalPath);
    }
    std::filesystem::path Local(const std::string& name, const std::string& content) const
    {
        const auto p = dir / name;
        TestDir::WriteFile(p, content);
        return p;
    }
    // n bytes of a repeating alphabet shifted by seed, so that files differ.
    static std::string Sized(std::size_t n, std::size_t seed = 0)
    {
        std::string s(n, '\0');
        for (std::size_t i = 0; i < n; ++i)
            s[i] = static_cast<char>('a' + (i + seed) % 26);
        return s;
    }

    TestDir dir;
    std::shared_ptr<LineEnd> pcEnd;
    LineTransport transport;
    std::unique_ptr<SimTerminal> terminal;
    std::unique_ptr<TerminalLink> link;
    bool started = false;
};
