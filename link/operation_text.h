// operation_text.h: what the program says about each terminal operation: the
// message box a status calls for and the log lines (English only). The desktop
// program and kvctl both use these, so that they say the same. Pure, any thread.
#pragma once

#include "link/link_status.h"
#include "link/messages.h"

#include <cstddef>
#include <optional>
#include <string>

inline constexpr const char* kTransmissionBreakLine = "Transmission break!";
inline constexpr const char* kApplicationCompleteText = "Application download complete";

std::string CopyDoneLine(const std::string& source, const std::string& target);
std::string CopyFailLine(const std::string& source, const std::string& target);
std::string MoveDoneLine(const std::string& source, const std::string& target);
std::string MoveFailLine(const std::string& source, const std::string& target);
// A move whose file was copied but whose source could not be removed afterwards,
// in either direction.
std::string SourceKeptLine(const std::string& source, const std::string& target);
// A file sent in Convert mode whose source has bytes but not one record: nothing
// was sent.
std::string NoRecordLine(const std::string& source, const std::string& target);
// A file of a run of several that was never tried: an earlier one failed or the
// run was cancelled.
std::string NotSentLine(const std::string& source, const std::string& target);
// A file of a list that was passed over because it cannot be read.
std::string SkippedUnreadableLine(const std::string& source, const std::string& target);
// A line of a transmission list that names no file the program can send
// (lineNumber counts from 1, the list's first line included).
std::string MalformedListLine(const std::string& list, std::size_t lineNumber);
// A pushed file replaced one of its name with other bytes, which was kept.
std::string ReplacedKeptLine(const std::string& path, const std::string& keptAs);
// A move on the PC that failed (it ends with "!").
std::string PcMoveFailLine(const std::string& source, const std::string& target);
// A file the terminal sent by itself, saved under path; one that did not arrive
// whole (name: the terminal's, shown printable).
std::string ReceiveDoneLine(const std::string& path);
std::string ReceiveFailLine(const std::string& name);
std::string DeleteDoneLine(const std::string& path);
std::string DeleteFailLine(const std::string& path);
std::string FormatDoneLine(const std::string& disk);
std::string FormatFailLine(const std::string& disk);

// The message box for a status, or nullopt for none. OverwriteQuestion (for
// FileExists) is a Yes/No question; the others have OK only.
std::optional<MessageId> MessageForDownload(LinkStatus s, bool moving);
std::optional<MessageId> MessageForUpload(LinkStatus s);
std::optional<MessageId> MessageForDelete(LinkStatus s);
std::optional<MessageId> MessageForFormat(LinkStatus s);
std::optional<MessageId> MessageForSetTime(LinkStatus s); // SetTimeDone for Ok
std::optional<MessageId> MessageForTerminalInfo(LinkStatus s);
// Ok is not a message box: it shows kApplicationCompleteText.
std::optional<MessageId> MessageForInstall(LinkStatus s);
