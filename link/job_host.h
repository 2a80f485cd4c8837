// job_host.h: what a transfer job asks of the window it runs for. The job calls
// these on its worker thread; a window's host carries each one out on the GUI
// thread and returns when it is done, so the job waits while the user reads.
#pragma once

#include "link/messages.h"

#include <cstddef>
#include <string>

class JobHost {
public:
    virtual ~JobHost() = default;
    // One line at the top of the message window.
    virtual void LogLine(const std::string& line) = 0;
    // One line that is the text of message id, in the window's language.
    virtual void LogMessageLine(MessageId id) { LogLine(MessageString(id)); }
    // A message box with OK; argument fills its %s or %d.
    virtual void ShowMessage(MessageId id, const std::string& argument) = 0;
    // A Yes/No question (the overwrite question); true for Yes.
    virtual bool AskYesNo(MessageId id, const std::string& argument) = 0;
    // The source of marked item index was moved away: remove the item.
    virtual void SourceMoved(std::size_t index) = 0;
};
