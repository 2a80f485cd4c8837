// recording_host.h: a JobHost for the jobs' tests: it records what the window
// would show and answers the overwrite question from a queue (No once it is
// empty). Any thread.
#pragma once

#include "terminal/job_host.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class RecordingHost : public JobHost {
public:
    void LogLine(const std::string& line) override
    {
        std::lock_guard lock(mutex);
        lines.push_back(line);
        if (onLine)
            onLine(line);
    }
    void ShowMessage(MessageId id, const std::string& argument) override
    {
        std::lock_guard lock(mutex);
        messages.emplace_back(id, argument);
    }
    bool AskYesNo(MessageId id, const std::string& argument) override
    {
        std::lock_guard lock(mutex);
        questions.emplace_back(id, argument);
        if (answers.empty())
            return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void SourceMoved(std::size_t index) override
    {
        std::lock_guard lock(mutex);
        moved.push_back(index);
    }

    std::mutex mutex;
    std::vector<std::string> lines;
    std::vector<std::pair<MessageId, std::string>> messages, questions;
    std::deque<bool> answers;
    std::vector<std::size_t> moved;
    std::function<void(const std::string&)> onLine;
};
