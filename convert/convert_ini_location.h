// convert_ini_location.h: where Convert.ini lives. Beside the program when that
// folder is writable (a build tree or a portable copy), otherwise, and always for
// an installed program, in the user's configuration folder for the program. Any
// thread.
#pragma once

#include <filesystem>
#include <string_view>

inline constexpr std::string_view kConvertIniName = "Convert.ini";
inline constexpr std::string_view kMakerFolderName = "TELMARQ SOFTWARE";
inline constexpr std::string_view kProgramFolderName = "KVVidiRidoved";

// The folder of the running executable; empty when it cannot be found.
std::filesystem::path ProgramFolder();

// The program's folder inside the user's configuration folder, from the values of
// XDG_CONFIG_HOME and HOME: xdgConfigHome when it is absolute, else home/.config,
// followed by kMakerFolderName/kProgramFolderName. Empty when neither gives an
// absolute folder. On Windows the first is %APPDATA% and home is not used.
std::filesystem::path UserSettingsFolderFrom(std::string_view xdgConfigHome, std::string_view home);
// The same from the process environment.
std::filesystem::path UserSettingsFolder();

// A folder the system installs programs into (/usr/..., /bin, /sbin, /opt/...;
// on Windows the program files and system folders): writable only by the
// administrator, and never a place for one user's settings.
bool IsSystemProgramFolder(const std::filesystem::path& folder);

// True when a new file can be made in folder: a probe file is created there and
// removed again.
bool IsWritableFolder(const std::filesystem::path& folder);

// kConvertIniName in programFolder when it is writable and no system folder of
// installed programs (IsSystemProgramFolder), else in userFolder; in
// programFolder again when userFolder is empty. Empty when both are.
std::filesystem::path ChooseConvertIniPath(const std::filesystem::path& programFolder,
                                           const std::filesystem::path& userFolder);

// ChooseConvertIniPath(ProgramFolder(), UserSettingsFolder()).
std::filesystem::path DefaultConvertIniPath();
