#include "pc/pc_copy.h"

#include "link/operation_text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

using Outcome = PcFileOutcome;

Outcome FromErrno(int error)
{
    if (error == EEXIST)
        return Outcome::Exists;
    if (error == EACCES || error == EPERM || error == EROFS)
        return Outcome::Denied;
    return Outcome::Failed;
}

Outcome FromCode(const std::error_code& ec)
{
    return ec ? FromErrno(ec.value()) : Outcome::Done;
}

// Copies source to a fresh temporary name beside target and renames it over
// target: a failed copy never leaves target half-written.
Outcome CopyReplacing(const std::filesystem::path& source, const std::filesystem::path& target)
{
    std::filesystem::path temp = target;
    temp.replace_filename("." + target.filename().string() + ".kvcopy");
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    std::filesystem::copy_file(source, temp, std::filesystem::copy_options::none, ec);
    if (!ec)
        std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
    }
    return FromCode(ec);
}

// Moves without ever replacing: a hard link that fails when the name is taken,
// then the old name goes. Across file systems: a copy, then removal.
Outcome MoveNoReplace(const std::filesystem::path& source, const std::filesystem::path& target)
{
    if (link(source.c_str(), target.c_str()) == 0) {
        if (unlink(source.c_str()) == 0)
            return Outcome::Done;
        const int error = errno;
        unlink(target.c_str());
        return FromErrno(error);
    }
    if (errno != EXDEV && errno != EPERM && errno != ENOTSUP)
        return FromErrno(errno);
    return MoveAcrossFileSystems(source, target);
}

// Gives temp the name target unless that name is taken (EEXIST then).
int RenameNoReplace(const std::filesystem::path& temp, const std::filesystem::path& target)
{
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: a hard link refuses a taken name too.
    if (link(temp.c_str(), target.c_str()) == 0) {
        unlink(temp.c_str());
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP)
        return errno;
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(target, ec)))
        return EEXIST;
    std::filesystem::rename(temp, target, ec);
    return ec.value();
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

} // namespace

PcFileOutcome MoveAcrossFileSystems(const std::filesystem::path& source,
                                    const std::filesystem::path& target)
{
    // The copy is written under a fresh hidden name beside target: a full disk
    // or a pulled stick leaves no half file under the real name.
    std::filesystem::path temp;
    std::error_code ec;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = target;
        temp.replace_filename("." + target.filename().string() + "." + std::to_string(attempt) +
                              ".kvmove");
        std::filesystem::copy_file(source, temp, std::filesystem::copy_options::none, ec);
        if (ec != std::errc::file_exists)
            break;
    }
    if (ec) {
        std::error_code ignored;
        if (ec == std::errc::file_exists) // no free temporary name
            return PcFileOutcome::Failed;
        std::filesystem::remove(temp, ignored);
        return FromCode(ec);
    }
    if (const int error = RenameNoReplace(temp, target); error != 0) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return FromErrno(error);
    }
    if (!std::filesystem::remove(source, ec)) {
        std::error_code ignored;
        std::filesystem::remove(target, ignored);
        return ec ? FromCode(ec) : PcFileOutcome::Failed;
    }
    return PcFileOutcome::Done;
}

void RunPcCopy(const PcCopyInput& input, JobHost& host)
{
    for (std::size_t i = 0; i < input.sources.size(); ++i) {
        const std::filesystem::path& source = input.sources[i];
        const std::filesystem::path target = input.targetFolder / source.filename();
        const std::string from = source.string(), to = target.string();
        if (!input.move) {
            if (SameFile(source, target)) {
                host.LogLine(CopyFailLine(from, to)); // a file cannot replace itself
                continue;
            }
            std::error_code ec;
            if (std::filesystem::exists(std::filesystem::symlink_status(target, ec)) &&
                !host.AskYesNo(MessageId::OverwriteQuestion, to))
                continue;
            const Outcome o = CopyReplacing(source, target);
            if (o == Outcome::Denied)
                host.LogMessageLine(MessageId::ActionDenied);
            else
                host.LogLine(o == Outcome::Done ? CopyDoneLine(from, to) : CopyFailLine(from, to));
            continue;
        }
        if (SameFile(source, target)) {
            host.LogLine(MoveDoneLine(from, to)); // already where it was asked to go
            continue;
        }
        Outcome o = MoveNoReplace(source, target);
        while (o == Outcome::Exists) {
            if (!host.AskYesNo(MessageId::OverwriteQuestion, to))
                break;
            std::error_code ec;
            std::filesystem::remove(target, ec);
            o = MoveNoReplace(source, target);
        }
        if (o == Outcome::Done) {
            host.SourceMoved(i);
            host.LogLine(MoveDoneLine(from, to));
        } else if (o == Outcome::Denied) {
            host.LogMessageLine(MessageId::ActionDenied);
        } else {
            host.LogLine(PcMoveFailLine(from, to));
        }
    }
}
