// link_observer.h: how the link tells its owner about transfers the terminal
// started by itself. Called on the link's incoming-transfer thread; an observer
// that needs a window hands the news to its GUI thread.
#pragma once

#include "link/link_status.h"

#include <filesystem>
#include <string>

class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    // A pushed file was stored whole under path.
    virtual void IncomingFileStored(const std::filesystem::path& path) = 0;
    // Before IncomingFileStored: the file path had held, with other bytes, was
    // moved to keptAs in the receive folder's history.
    virtual void IncomingFileKept(const std::filesystem::path& /*path*/,
                                  const std::filesystem::path& /*keptAs*/)
    {
    }
    // A pushed transfer ended with status (nothing was kept); name is the
    // terminal's name for the file when it was known.
    virtual void IncomingTransferFailed(const std::string& name, LinkStatus status) = 0;
};
