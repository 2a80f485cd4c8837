#include "link/source_file.h"

#include "link/file_open.h"

#include <memory>
#include <new>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

LinkStatus ReadSourceFile(const std::filesystem::path& path, std::uint64_t limit, Bytes* out)
{
    // Opening a device or a pipe would wait on it: only plain files are opened.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return LinkStatus::FileError;
    const std::unique_ptr<std::FILE, FileCloser> file{OpenFile(path, "rb")};
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!file || ec || size > limit)
        return LinkStatus::FileError;
    const std::size_t before = out->size();
    try {
        out->reserve(before + static_cast<std::size_t>(size));
        std::uint8_t chunk[64 * 1024];
        for (;;) {
            const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
            if (out->size() - before + n > limit)
                break;
            out->insert(out->end(), chunk, chunk + n);
            if (n < sizeof chunk) {
                if (std::ferror(file.get()))
                    break;
                return LinkStatus::Ok;
            }
        }
    } catch (const std::bad_alloc&) {
    }
    out->resize(before);
    return LinkStatus::FileError;
}
