// display_path.h: the short form of a path shown in the progress dialog. Pure.
#pragma once

#include <string>

inline constexpr std::size_t kDisplayPathLimit = 30;

// The path itself up to 30 characters; otherwise the text before the first
// separator, a mark of the omitted part, and the last two components:
// C:\Data\Export\Month\report.txt -> C:\\...\\Month\report.txt and
// /home/ann/export/month/report.txt -> /.../month/report.txt. A longer path
// without any separator keeps its last 27 characters after "...".
std::string DisplayPath(const std::string& path);
