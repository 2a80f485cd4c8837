// Installing an application image on the terminal.
#include "link/terminal_link.h"

#include "link/display_path.h"
#include "link/source_file.h"
#include "link/transfer_progress.h"
#include "link/utf8_path.h"

namespace {

LinkStatus MapKv20(LinkStatus r)
{
    switch (StatusValue(r)) {
    case 2: return LinkStatus::DiskNotFormatted;
    case 3: return LinkStatus::DiskFull;
    case 1:
    case 4:
    case 5:
    case 6: return LinkStatus::FileInUse;
    default: return r;
    }
}

LinkStatus MapLx2(LinkStatus r)
{
    switch (r) {
    case LinkStatus::Ok:
    case LinkStatus::LineGone:
    case LinkStatus::Refused:
    case LinkStatus::BadReply:
    case LinkStatus::Busy:
    case LinkStatus::NoReply:
    case LinkStatus::TooManyFailures:
    case LinkStatus::AppAreaTooSmall:
    case LinkStatus::NotInInstallMode: return r;
    default: break;
    }
    switch (StatusValue(r)) {
    case 2:
    case 7:
    case 8: return LinkStatus::InvalidImage;
    case 3: return LinkStatus::InstallError3;
    case 4: return LinkStatus::InstallError4;
    case 5: return LinkStatus::InstallError5;
    case 6: return LinkStatus::InstallError6;
    case 9: return LinkStatus::InstallError9;
    default: return LinkStatus::TooManyFailures; // cancel included
    }
}

} // namespace

LinkStatus TerminalLink::InstallApplication(const std::filesystem::path& image, bool showProgress)
{
    Bytes bytes;
    if (const LinkStatus r = ReadSourceFile(image, kMaxImageLength, &bytes); r != LinkStatus::Ok)
        return r;
    UserClaim claim(*this);
    if (!claim.Held())
        return LinkStatus::Busy;
    TerminalInfo info;
    if (const LinkStatus r = ReadTerminalInfo(&info); r != LinkStatus::Ok)
        return r == LinkStatus::Refused ? r : LinkStatus::NoTerminalInfo;
    const bool kv20 = info.model.find("KV-20") != std::string::npos;
    const bool lx2 = !kv20 && info.model.find("LX-2") != std::string::npos;
    // A model of neither family: nothing is sent; the caller shows its
    // general install failure.
    if (!kv20 && !lx2)
        return LinkStatus::NoTerminalInfo;
    if (TransferProgress* p = progress.load(); showProgress && p) {
        p->SetTitle("Download File....");
        p->SetFileText(DisplayPath(Utf8Text(image)));
        p->byteTotal = bytes.size();
        p->bytesDone = 0;
    }
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (kv20)
        return MapKv20(SendCommand(kCommandInstallKv20, bytes.data(), length, showProgress));
    return MapLx2(SendCommand(kCommandInstallLx2, bytes.data(), length, showProgress));
}
