#include "connection/received_file_log.h"

#include "link/operation_text.h"
#include "shell/message_window.h"

#include <QCoreApplication>

namespace {

void PostLine(const std::string& line)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app, [text = QString::fromStdString(line)] { LogMessage(text); }, Qt::QueuedConnection);
}

} // namespace

void ReceivedFileLog::IncomingFileStored(const std::filesystem::path& path)
{
    PostLine(ReceiveDoneLine(path.string()));
}

void ReceivedFileLog::IncomingTransferFailed(const std::string& name, LinkStatus)
{
    PostLine(ReceiveFailLine(name));
}

ReceivedFileLog& TheReceivedFileLog()
{
    static ReceivedFileLog log;
    return log;
}
