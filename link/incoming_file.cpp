#include "link/incoming_file.h"

#include "link/file_open.h"
#include "link/utf8_path.h"
#include "link/windows_1250.h"

#include <cstdlib>
#include <system_error>

namespace {

bool SafeChar(unsigned char c)
{
    // Printable ASCII without the characters file systems or shells give a meaning.
    if (c < 0x21 || c == 0x7F)
        return false;
    for (const char bad : std::string_view("<>:\"/\\|?*"))
        if (c == static_cast<unsigned char>(bad))
            return false;
    return true;
}

// Up to most characters of text that are safe in a file name. Bytes above
// ASCII are letters of the terminal's code page (Windows-1250): they are kept,
// decoded, so that two names differing only in such letters never meet in one
// file; a byte with no character, or an invisible one, is dropped.
std::string Keep(std::string_view text, std::size_t most)
{
    std::string out;
    std::size_t kept = 0;
    for (const char c : text) {
        if (kept == most)
            break;
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            if (!SafeChar(b))
                continue;
            out += c;
        } else {
            const char32_t decoded = Windows1250()[b - 0x80];
            if (decoded <= 0xA0 || decoded == 0xAD)
                continue;
            AppendUtf8(out, decoded);
        }
        ++kept;
    }
    return out;
}

} // namespace

std::string SafeIncomingName(std::string_view name)
{
    const std::size_t cut = name.find_last_of("/\\:");
    if (cut != std::string_view::npos)
        name.remove_prefix(cut + 1);
    const std::size_t dot = name.find_last_of('.');
    const std::string_view stem = dot == std::string_view::npos ? name : name.substr(0, dot);
    const std::string base = Keep(stem, 8);
    const std::string extension =
        dot == std::string_view::npos ? "" : Keep(name.substr(dot + 1), 3);
    // A base of dots only ("..", ".") could name a folder.
    if (base.empty() || base.find_first_not_of('.') == std::string::npos)
        return {};
    return extension.empty() ? base : base + "." + extension;
}

std::filesystem::path DefaultReceiveFolder()
{
    std::filesystem::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        data = std::filesystem::path(home) / ".local" / "share";
    else
        data = std::filesystem::temp_directory_path();
    return data / "KVVidiRidoved" / "Received";
}

bool IncomingFile::Open(const std::filesystem::path& target, const std::string& safeName)
{
    Abandon();
    std::error_code ec;
    std::filesystem::create_directories(target, ec);
    folder = target;
    name = safeName;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        tempPath = folder / Utf8Path("." + safeName + "." + std::to_string(attempt) + ".part");
        file = OpenFile(tempPath, "wbx"); // never reuse an existing file
    }
    return file != nullptr;
}

bool IncomingFile::Write(const std::uint8_t* bytes, std::size_t count)
{
    return file && (count == 0 || std::fwrite(bytes, 1, count, file) == count);
}

std::optional<std::filesystem::path> IncomingFile::Commit()
{
    if (!file)
        return std::nullopt;
    // On the disk before it takes the name: a crash never leaves a named half file.
    bool written = FlushToDisk(file);
    written = std::fclose(file) == 0 && written;
    file = nullptr;
    if (!written) {
        Abandon();
        return std::nullopt;
    }
    // Whole on disk: the rename gives it its name at once, replacing a file
    // the terminal sent under that name before. One with other bytes (another
    // terminal's, or an older count) goes to the history first.
    const std::filesystem::path target = folder / Utf8Path(name);
    const std::time_t now = std::time(nullptr);
    keptAs.clear();
    if (KeepReplacedFile(target, tempPath, now, &keptAs) == KeepResult::Failed) {
        Abandon();
        return std::nullopt;
    }
    if (!RenameOver(tempPath, target)) {
        std::error_code ec;
        // The older file takes its name back: nothing changed.
        if (!keptAs.empty())
            std::filesystem::rename(keptAs, target, ec);
        keptAs.clear();
        Abandon();
        return std::nullopt;
    }
    tempPath.clear();
    PruneReplacedFiles(folder, keepDays, now);
    return target;
}

void IncomingFile::Abandon()
{
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    if (!tempPath.empty()) {
        std::error_code ec;
        std::filesystem::remove(tempPath, ec);
        tempPath.clear();
    }
}
