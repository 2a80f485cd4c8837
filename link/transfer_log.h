// transfer_log.h: the transfer log: every line the program tells about its work
// (the message window's lines, kvctl's with --log), each with the date, the time
// and the connection's name, appended to a file in the user's state folder so
// that yesterday's transfers can be read today. Any thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>

// The file grows to about this many bytes, then becomes transfer.log.1 (the
// older ones move up to .2 ... and the last falls off) and a new one begins.
inline constexpr std::uint64_t kTransferLogLimit = 4u << 20;
inline constexpr int kTransferLogKeep = 3;

// $XDG_STATE_HOME (else ~/.local/state) + "KVVidiRidoved/transfer.log".
std::filesystem::path DefaultTransferLogPath();

class TransferLog {
public:
    explicit TransferLog(std::filesystem::path file, std::uint64_t limit = kTransferLogLimit,
                         int keep = kTransferLogKeep);

    // Appends "YYYY-MM-DD hh:mm:ss  connection  line" (local time) as one whole
    // line in one write, so that lines of other threads and of other processes
    // writing the same file never mix. Line breaks inside line become spaces.
    // False when the file cannot be written (the folder is made on demand).
    bool Write(const std::string& connection, const std::string& line);
    bool Write(const std::string& connection, const std::string& line, std::time_t when);

    const std::filesystem::path& Path() const { return file; }

private:
    void Rotate();

    const std::filesystem::path file;
    const std::uint64_t limit;
    const int keep;
    std::mutex mutex;
};

// The connection's name that lines logged on this thread carry (empty: none).
// A connection's worker thread sets it for its life.
void SetThreadLogConnection(std::string name);
const std::string& ThreadLogConnection();

// Names the connection of the lines this thread logs while the object lives,
// then gives the thread its previous name back: for a connection's lines
// written on a thread that serves every connection (the GUI thread).
class ScopedLogConnection {
public:
    explicit ScopedLogConnection(std::string name) : previous(ThreadLogConnection())
    {
        SetThreadLogConnection(std::move(name));
    }
    ~ScopedLogConnection() { SetThreadLogConnection(std::move(previous)); }
    ScopedLogConnection(const ScopedLogConnection&) = delete;
    ScopedLogConnection& operator=(const ScopedLogConnection&) = delete;

private:
    std::string previous;
};
