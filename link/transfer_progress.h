// transfer_progress.h: what a transfer reports while it runs. The link and the
// jobs write it from their threads; the progress dialog (or kvctl's bar) reads it
// on a timer. Counters are atomic, texts sit behind a mutex.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class TransferProgress {
public:
    std::atomic<std::uint64_t> byteTotal{0};
    std::atomic<std::uint64_t> bytesDone{0};
    std::atomic<int> totalFiles{0};
    std::atomic<int> finishedFiles{0};
    // Set when the link that reports here goes away: the dialog closes itself.
    std::atomic<bool> closeRequested{false};

    void SetTitle(std::string text)
    {
        std::lock_guard lock(mutex);
        title = std::move(text);
    }
    std::string Title() const
    {
        std::lock_guard lock(mutex);
        return title;
    }
    void SetFileText(std::string text)
    {
        std::lock_guard lock(mutex);
        fileText = std::move(text);
    }
    std::string FileText() const
    {
        std::lock_guard lock(mutex);
        return fileText;
    }

private:
    mutable std::mutex mutex;
    std::string title;
    std::string fileText;
};
