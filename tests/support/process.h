// process.h: runs a program as a child process, with its output captured, or
// keeps one running in the background until the test ends.
#pragma once

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

struct ProgramResult {
    int exitCode = -1;
    std::string out, err;
};

namespace process_detail {

inline std::vector<std::string> Environment(const std::map<std::string, std::string>& extra)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!extra.contains(entry.substr(0, entry.find('='))))
            env.push_back(entry);
    }
    for (const auto& [k, v] : extra)
        env.push_back(k + "=" + v);
    return env;
}

inline std::vector<char*> Pointers(std::vector<std::string>& items)
{
    std::vector<char*> p;
    for (auto& s : items)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

inline std::string Slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace process_detail

// Starts program with args; its output goes to the two files (or nowhere).
inline pid_t StartProgram(const std::string& program, std::vector<std::string> args,
                          const std::map<std::string, std::string>& env,
                          const std::filesystem::path& outFile = "/dev/null",
                          const std::filesystem::path& errFile = "/dev/null")
{
    args.insert(args.begin(), program);
    std::vector<std::string> envItems = process_detail::Environment(env);
    auto argv = process_detail::Pointers(args);
    auto envp = process_detail::Pointers(envItems);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs program to its end and returns its exit code and output.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::map<std::string, std::string>& env,
                                const std::filesystem::path& scratch)
{
    const auto outFile = scratch / "run.out", errFile = scratch / "run.err";
    ProgramResult r;
    const pid_t pid = StartProgram(program, args, env, outFile, errFile);
    if (pid < 0)
        return r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = process_detail::Slurp(outFile);
    r.err = process_detail::Slurp(errFile);
    return r;
}

// A program running in the background for as long as the object lives.
class BackgroundProgram {
public:
    BackgroundProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& env,
                      const std::filesystem::path& errFile,
                      const std::filesystem::path& outFile = "/dev/null")
        : pid(StartProgram(program, args, env, outFile, errFile))
    {
    }
    ~BackgroundProgram() { Stop(); }
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // Ends it with SIGTERM; its exit code (-1 when it did not exit normally).
    int Stop()
    {
        if (pid <= 0)
            return exitCode;
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exitCode;
    }
    bool Running() const { return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0; }
    pid_t Pid() const { return pid; }

private:
    pid_t pid;
    int exitCode = -1;
};

// Waits until done() holds, looking every 10 ms; false after the limit.
template <typename Done> bool WaitUntil(Done done, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Waits until the path exists (a program has made it); false after the limit.
inline bool WaitForPath(const std::filesystem::path& p, std::chrono::seconds limit)
{
    std::error_code ec;
    return WaitUntil([&] { return std::filesystem::exists(p, ec); }, limit);
}
