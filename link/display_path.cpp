#include "link/display_path.h"

std::string DisplayPath(const std::string& path)
{
    if (path.size() <= kDisplayPathLimit)
        return path;
    const char separator = path.find('\\') != std::string::npos ? '\\' : '/';
    const std::size_t first = path.find(separator);
    const std::size_t last = path.rfind(separator);
    if (first == std::string::npos)
        return "..." + path.substr(path.size() - (kDisplayPathLimit - 3));
    std::size_t tail = last;
    if (last > first)
        tail = path.rfind(separator, last - 1); // starts the next-to-last component
    const std::string mark = separator == '\\' ? "\\\\...\\" : "/...";
    return path.substr(0, first) + mark + path.substr(tail);
}
