#include "link/source_file.h"

#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// Closes the descriptor when it goes.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

LinkStatus ReadSourceFile(const std::filesystem::path& path, std::uint64_t limit, Bytes* out)
{
    // Looked at before it is opened: opening a FIFO would wait for a writer.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return LinkStatus::FileError;
    // Non-blocking, in case it was swapped for something else meanwhile.
    const Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat info {};
    if (file.fd < 0 || fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_size) > limit)
        return LinkStatus::FileError;
    const std::size_t before = out->size();
    try {
        out->reserve(before + static_cast<std::size_t>(info.st_size));
        std::uint8_t chunk[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(file.fd, chunk, sizeof chunk);
            if (n == 0)
                return LinkStatus::Ok;
            if (n < 0 || out->size() - before + static_cast<std::size_t>(n) > limit)
                break;
            out->insert(out->end(), chunk, chunk + n);
        }
    } catch (const std::bad_alloc&) {
    }
    out->resize(before);
    return LinkStatus::FileError;
}
