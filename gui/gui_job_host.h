// gui_job_host.h: the JobHost of a window: every request of the job's worker
// thread is carried out on the GUI thread while the worker waits (log lines,
// message boxes through the Prompter, the removal of a moved source's item).
#pragma once

#include "link/job_host.h"

#include <functional>

class MessageSink;

class GuiJobHost : public JobHost {
public:
    // Lines go to messages; sourceMoved runs on the GUI thread with the index
    // of the moved source.
    explicit GuiJobHost(MessageSink& messages, std::function<void(std::size_t)> sourceMoved = {});

    void LogLine(const std::string& line) override;
    void LogMessageLine(MessageId id) override;
    void ShowMessage(MessageId id, const std::string& argument) override;
    bool AskYesNo(MessageId id, const std::string& argument) override;
    void SourceMoved(std::size_t index) override;

private:
    MessageSink& messages;
    std::function<void(std::size_t)> sourceMoved;
};
