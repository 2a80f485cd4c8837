#include "connection/received_file_log.h"

#include "gui/message_sink.h"
#include "gui/run_in_gui_thread.h"
#include "link/operation_text.h"
#include "link/transfer_log.h"

#include <QCoreApplication>

void ReceivedFileLog::IncomingFileStored(const std::filesystem::path& path)
{
    PostLine(ReceiveDoneLine(path.string()));
}

void ReceivedFileLog::IncomingTransferFailed(const std::string& name, LinkStatus status)
{
    // The status tells a damaged record from a disk that would not take it.
    PostLine(ReceiveFailLine(name) + " (status " + std::to_string(StatusValue(status)) + ")");
}

void ReceivedFileLog::IncomingFileKept(const std::filesystem::path& path,
                                       const std::filesystem::path& keptAs)
{
    PostLine(ReplacedKeptLine(path.string(), keptAs.string()));
}

void ReceivedFileLog::PostLine(const std::string& line) const
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    // The GUI thread logs for every connection: the line names its own, whichever
    // window is active when it arrives.
    PostToGuiThread(app,
                    [text = QString::fromStdString(line), name = connection, sink = &messages] {
                        const ScopedLogConnection scope(name);
                        sink->Log(text);
                    });
}
