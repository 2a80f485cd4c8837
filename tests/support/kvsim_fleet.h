// kvsim_fleet.h: kvctl end to end against kvsim terminals, each on a pseudo-
// terminal of its own with its disks in the test folder, and kvctl kept away from
// the user's own settings, terminals and log.
#pragma once

#include "tests/support/process.h"
#include "tests/support/test_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

class KvsimFleet : public testing::Test {
protected:
    // A kvsim on its own pseudo-terminal (DIR/name.tty unless given), its disks in DIR/name.
    std::string StartTerminal(const std::string& name, std::vector<std::string> options = {},
                              std::string tty = {})
    {
        if (tty.empty())
            tty = (dir / (name + ".tty")).string();
        std::vector<std::string> args{"--root", (dir / name).string(), "--pty", tty};
        args.insert(args.end(), options.begin(), options.end());
        terminals.push_back(
            std::make_unique<BackgroundProgram>(KVSIM_PATH, args, env, dir / (name + ".err")));
        EXPECT_TRUE(WaitForPath(tty, std::chrono::seconds(10)))
            << process_detail::Slurp(dir / (name + ".err"));
        return tty;
    }
    ProgramResult Kvctl(const std::vector<std::string>& args)
    {
        return RunProgram(KVCTL_PATH, args, env, dir.path);
    }

    TestDir dir;
    std::map<std::string, std::string> env{{"XDG_CONFIG_HOME", (dir / "config").string()},
                                           {"XDG_DATA_HOME", (dir / "data").string()},
                                           {"XDG_STATE_HOME", (dir / "state").string()}};
    std::vector<std::unique_ptr<BackgroundProgram>> terminals;
};
