// received_file_log.h: the message window's report of files the terminals send
// by themselves. Called on a link's incoming-transfer thread; each line is posted
// to the GUI thread without waiting, so a closing link never waits for a window.
#pragma once

#include "link/link_observer.h"

class ReceivedFileLog : public LinkObserver {
public:
    void IncomingFileStored(const std::filesystem::path& path) override;
    void IncomingTransferFailed(const std::string& name, LinkStatus status) override;
};

// The one instance every connection's link reports to; it holds no state and
// lives as long as the program.
ReceivedFileLog& TheReceivedFileLog();
