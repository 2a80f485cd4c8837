#include "cli/json_text.h"

#include "cli/kvctl_commands.h"
#include "link/windows_1250.h"

#include <cstdio>
#include <ostream>

namespace {

void AppendEscape(std::string& out, char32_t unit)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(unit));
    out += buffer;
}

} // namespace

std::string JsonString(std::string_view utf8)
{
    std::string out = "\"";
    for (std::size_t at = 0; at < utf8.size();) {
        const auto [point, length] = Utf8CharacterAt(utf8, at);
        at += length;
        if (point == '"' || point == '\\') {
            out += '\\';
            out += static_cast<char>(point);
        } else if (point >= 0x20 && point < 0x7F) {
            out += static_cast<char>(point);
        } else if (point > 0xFFFF) {
            AppendEscape(out, 0xD800 + ((point - 0x10000) >> 10));
            AppendEscape(out, 0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            AppendEscape(out, point);
        }
    }
    return out + "\"";
}

std::string JsonObject(const JsonFields& fields)
{
    std::string out = "{";
    for (const auto& [name, value] : fields) {
        if (out.size() > 1)
            out += ", ";
        out += JsonString(name) + ": " + value;
    }
    return out + "}";
}

std::string JsonResult(int exitCode)
{
    return exitCode == kExitOk             ? "\"done\""
           : exitCode == kExitVerifyFailed ? "\"verify failed\""
                                           : "\"failed\"";
}

int ReportOutcome(bool json, std::ostream& out, JsonFields fields, int exitCode, LinkStatus status)
{
    if (!json)
        return exitCode;
    fields.emplace_back("result", JsonResult(exitCode));
    fields.emplace_back("status", std::to_string(StatusValue(status)));
    out << JsonObject(fields) << "\n";
    return exitCode;
}
