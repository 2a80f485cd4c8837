// received_file_log.h: the message window's report of the files one connection's
// terminal sends by itself, each line under that connection's name. Called on the
// link's incoming-transfer thread; each line is posted to the GUI thread without
// waiting, so a closing link never waits for a window. It must outlive its link.
#pragma once

#include "link/link_observer.h"

class MessageSink;

#include <string>

class ReceivedFileLog : public LinkObserver {
public:
    // connection: the name the lines carry in the transfer log; messages: where
    // they go, which must outlive this.
    ReceivedFileLog(std::string connection, MessageSink& messages)
        : connection(std::move(connection)), messages(messages)
    {
    }
    void IncomingFileStored(const std::filesystem::path& path) override;
    void IncomingFileKept(const std::filesystem::path& path,
                          const std::filesystem::path& keptAs) override;
    void IncomingTransferFailed(const std::string& name, LinkStatus status) override;

private:
    void PostLine(const std::string& line) const;

    const std::string connection;
    MessageSink& messages;
};
