// application_download_job.h: a connection's application download: the image
// goes to the terminal on the connection's job thread, and the user is told how
// it ended.
#pragma once

#include "link/link_status.h"

#include <QString>

#include <filesystem>

class TerminalLink;

// Worker thread. Installs the image at path with progress; the link's status.
LinkStatus RunApplicationDownloadJob(TerminalLink& link, const std::filesystem::path& image);

// Any thread. The text of the message box that ends a download with status:
// "Application download complete" for Ok, else the numbered message for it
// (40030 carries the status itself as its error code).
QString ApplicationDownloadText(LinkStatus status);
