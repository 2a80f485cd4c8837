#include "pc/pc_copy.h"

#include "link/operation_text.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

enum class Outcome { Done, Exists, Denied, Failed };

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
// then the old name goes. Across file systems: an exclusive copy, then removal.
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
    std::error_code ec;
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::none, ec);
    if (ec)
        return FromCode(ec);
    if (!std::filesystem::remove(source, ec)) {
        std::error_code ignored;
        std::filesystem::remove(target, ignored);
        return ec ? FromCode(ec) : Outcome::Failed;
    }
    return Outcome::Done;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

} // namespace

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
            host.LogLine(o == Outcome::Done     ? CopyDoneLine(from, to)
                         : o == Outcome::Denied ? MessageString(MessageId::ActionDenied)
                                                : CopyFailLine(from, to));
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
            host.LogLine(MessageString(MessageId::ActionDenied));
        } else {
            host.LogLine(PcMoveFailLine(from, to));
        }
    }
}
