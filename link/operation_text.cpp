#include "link/operation_text.h"

#include "link/listing.h"

namespace {

std::string Fill(std::string pattern, const std::string& first, const std::string& second = {})
{
    auto at = pattern.find("%s");
    pattern.replace(at, 2, first);
    at = pattern.find("%s", at + first.size());
    if (at != std::string::npos)
        pattern.replace(at, 2, second);
    return pattern;
}

} // namespace

std::string CopyDoneLine(const std::string& s, const std::string& t)
{
    return Fill("Copy %s to %s have done", s, t);
}
std::string CopyFailLine(const std::string& s, const std::string& t)
{
    return Fill("Copy %s to %s fail", s, t);
}
std::string MoveDoneLine(const std::string& s, const std::string& t)
{
    return Fill("Move %s to %s have done", s, t);
}
std::string MoveFailLine(const std::string& s, const std::string& t)
{
    return Fill("Move %s to %s fail", s, t);
}
std::string SourceKeptLine(const std::string& s, const std::string& t)
{
    return Fill("Copy %s to %s have done, but the source can't be removed", s, t);
}
std::string NoRecordLine(const std::string& s, const std::string& t)
{
    return Fill("Convert %s fail: no record in it, nothing sent to %s", s, t);
}
std::string NotSentLine(const std::string& s, const std::string& t)
{
    return Fill("Copy %s to %s not sent: the run ended before it", s, t);
}
std::string SkippedUnreadableLine(const std::string& s, const std::string& t)
{
    return Fill("Copy %s to %s skipped: the file cannot be read", s, t);
}
std::string MalformedListLine(const std::string& list, std::size_t lineNumber)
{
    return Fill("Line %s of %s names no file: nothing sent for it", std::to_string(lineNumber),
                list);
}
std::string ReplacedKeptLine(const std::string& path, const std::string& keptAs)
{
    return Fill("Receive %s replaced an older file with other bytes, kept as %s", path, keptAs);
}
std::string PcMoveFailLine(const std::string& s, const std::string& t)
{
    return Fill("Move %s to %s fail!", s, t);
}
std::string ReceiveDoneLine(const std::string& p)
{
    return Fill("Receive file to %s have done", p);
}
std::string ReceiveFailLine(const std::string& n)
{
    return Fill("Receive %s fail", PrintableText(n));
}
std::string DeleteDoneLine(const std::string& p)
{
    return Fill("Delete file--%s succeed!!", p);
}
std::string DeleteFailLine(const std::string& p)
{
    return Fill("Delete file--%s fail!!", p);
}
std::string FormatDoneLine(const std::string& d)
{
    return Fill("Format Disk %s done.", d);
}
std::string FormatFailLine(const std::string& d)
{
    return Fill("Format Disk %s fail.", d);
}

std::optional<MessageId> MessageForDownload(LinkStatus s, bool moving)
{
    switch (s) {
    case LinkStatus::Ok: return std::nullopt;
    case LinkStatus::Cancelled: return std::nullopt;
    case LinkStatus::Refused: return MessageId::ProtocolVersion;
    case LinkStatus::Busy: return MessageId::AnotherJob;
    case LinkStatus::DiskNotFormatted: return MessageId::DiskUnformat;
    case LinkStatus::DiskFull: return MessageId::DiskSpace;
    case LinkStatus::FileExists: return MessageId::OverwriteQuestion;
    case LinkStatus::CannotStoreHere:
        return moving ? MessageId::CannotMoveHere : MessageId::CannotCopyHere;
    case LinkStatus::NotConfirmed: return MessageId::NotStoredWhole;
    default: return std::nullopt;
    }
}

std::optional<MessageId> MessageForUpload(LinkStatus s)
{
    switch (s) {
    case LinkStatus::Ok: return std::nullopt;
    case LinkStatus::Cancelled: return std::nullopt;
    case LinkStatus::Refused: return MessageId::ProtocolVersion;
    case LinkStatus::Busy: return MessageId::AnotherJob;
    case LinkStatus::FileError: return MessageId::OpenFileFail;
    default: return std::nullopt;
    }
}

std::optional<MessageId> MessageForDelete(LinkStatus s)
{
    switch (s) {
    case LinkStatus::Ok: return std::nullopt;
    case LinkStatus::Cancelled: return std::nullopt;
    case LinkStatus::Refused: return MessageId::ProtocolVersion;
    case LinkStatus::Busy: return MessageId::AnotherJob;
    case LinkStatus::InUse: return MessageId::FileInUse;
    case LinkStatus::NoSuchFile: return MessageId::FileNotExist;
    default: return std::nullopt;
    }
}

std::optional<MessageId> MessageForFormat(LinkStatus s)
{
    switch (s) {
    case LinkStatus::Ok: return std::nullopt;
    case LinkStatus::Cancelled: return std::nullopt;
    case LinkStatus::Refused: return MessageId::ProtocolVersion;
    case LinkStatus::Busy: return MessageId::AnotherJob;
    case LinkStatus::InUse: return MessageId::DiskInUse;
    default: return std::nullopt;
    }
}

std::optional<MessageId> MessageForSetTime(LinkStatus s)
{
    switch (s) {
    case LinkStatus::Ok: return MessageId::SetTimeDone;
    case LinkStatus::Refused: return MessageId::ProtocolVersion;
    case LinkStatus::Busy: return MessageId::AnotherJob;
    case LinkStatus::Cancelled: return MessageId::SetTimeFail;
    default: return MessageId::SetTimeFail;
    }
}

std::optional<MessageId> MessageForTerminalInfo(LinkStatus s)
{
    switch (s) {
    case LinkStatus::Ok: return std::nullopt;
    case LinkStatus::Refused: return MessageId::ProtocolVersion;
    case LinkStatus::Busy: return MessageId::AnotherJob;
    case LinkStatus::Cancelled: return MessageId::NoInformation;
    default: return MessageId::NoInformation;
    }
}

std::optional<MessageId> MessageForInstall(LinkStatus s)
{
    switch (s) {
    case LinkStatus::Ok: return std::nullopt;
    case LinkStatus::Refused: return MessageId::ProtocolVersion;
    case LinkStatus::Busy: return MessageId::AnotherJob;
    case LinkStatus::AppAreaTooSmall: return MessageId::ApSizeInsufficient;
    case LinkStatus::InvalidImage: return MessageId::InvalidFile;
    case LinkStatus::DiskNotFormatted: return MessageId::DiskUnformat;
    case LinkStatus::NotInInstallMode: return MessageId::NotInstallMode;
    case LinkStatus::InstallError3:
    case LinkStatus::InstallError4:
    case LinkStatus::InstallError5:
    case LinkStatus::InstallError6:
    case LinkStatus::InstallError9: return MessageId::TerminalSystemError;
    case LinkStatus::Cancelled: return MessageId::ApplicationFail;
    default: return MessageId::ApplicationFail;
    }
}
