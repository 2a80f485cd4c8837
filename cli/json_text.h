// json_text.h: what kvctl prints with --json: text as JSON strings, and the
// objects that carry a command's outcome. Pure, any thread.
#pragma once

#include "link/link_status.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// utf8 as a JSON string, quoted: printable ASCII as it is, quotes and
// backslashes escaped, every other character as the \u escape of its code
// point (a pair of them past U+FFFF), each byte that is no UTF-8 as \ufffd.
std::string JsonString(std::string_view utf8);

// {"name": value, ...} in the order given; the values are JSON already.
using JsonFields = std::vector<std::pair<std::string, std::string>>;
std::string JsonObject(const JsonFields& fields);

// A command's outcome for its exit status, as a JSON string: "done",
// "verify failed" (3), or "failed".
std::string JsonResult(int exitCode);

// With json, prints fields, then the result for exitCode and the status, as one
// object on out; a query that failed gives only the last two. Returns exitCode.
int ReportOutcome(bool json, std::ostream& out, JsonFields fields, int exitCode, LinkStatus status);
