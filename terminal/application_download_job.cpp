#include "terminal/application_download_job.h"

#include "gui/ui_language.h"
#include "link/operation_text.h"
#include "link/terminal_link.h"
#include "link/transfer_progress.h"

#include <QCoreApplication>

LinkStatus RunApplicationDownloadJob(TerminalLink& link, const std::filesystem::path& image)
{
    if (TransferProgress* p = link.progress.load()) {
        p->totalFiles = 1;
        p->finishedFiles = 0;
    }
    return link.InstallApplication(image, true);
}

QString ApplicationDownloadText(LinkStatus status)
{
    const std::optional<MessageId> id = MessageForInstall(status);
    if (!id)
        return QCoreApplication::translate("ApplicationDownloadJob",
                                           "Application download complete");
    const std::string text = FormatMessage(*id, StatusValue(status), UiLanguage());
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
