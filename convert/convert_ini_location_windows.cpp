#include "convert/convert_ini_location.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <windows.h>

namespace {

std::wstring Folded(const std::filesystem::path& path)
{
    std::wstring text = path.lexically_normal().wstring();
    std::replace(text.begin(), text.end(), L'/', L'\\');
    while (!text.empty() && text.back() == L'\\')
        text.pop_back();
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

} // namespace

bool IsSystemProgramFolder(const std::filesystem::path& folder)
{
    if (!folder.is_absolute())
        return false;
    const std::wstring text = Folded(folder);
    for (const wchar_t* name :
         {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"SystemRoot"}) {
        const wchar_t* value = _wgetenv(name);
        if (!value || !*value)
            continue;
        const std::wstring system = Folded(value);
        // The folder itself or one inside it; names compare without regard to case.
        if (text == system || (text.size() > system.size() && text.starts_with(system) &&
                               text[system.size()] == L'\\'))
            return true;
    }
    return false;
}

std::filesystem::path ProgramFolder()
{
    // A long path may not fit at first: the buffer grows until it does.
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0)
            return {};
        if (n < name.size()) {
            name.resize(n);
            return std::filesystem::path(name).parent_path();
        }
        name.resize(name.size() * 2);
    }
}

std::filesystem::path UserSettingsFolderFrom(std::string_view appData, std::string_view)
{
    const std::filesystem::path base{appData};
    return base.is_absolute() ? base / kMakerFolderName / kProgramFolderName
                              : std::filesystem::path{};
}

std::filesystem::path UserSettingsFolder()
{
    // Wide, so that a user name outside the ANSI code page survives.
    const wchar_t* appData = _wgetenv(L"APPDATA");
    const std::filesystem::path base{appData ? appData : L""};
    return base.is_absolute() ? base / kMakerFolderName / kProgramFolderName
                              : std::filesystem::path{};
}
