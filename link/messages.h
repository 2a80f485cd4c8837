// messages.h: the numbered message texts the program shows, in English and Polish,
// copied exactly (spelling and line breaks included). Plain data, any thread.
#pragma once

#include <optional>
#include <span>
#include <string>

enum class MessageId : int {
    FileInUse = 40001,
    ProtocolVersion = 40002,
    FileNotExist = 40003,
    OverwriteQuestion = 40004, // %s: the file
    AnotherJob = 40005,
    OpenPortFail = 40006,
    DiskUnformat = 40007,
    DiskSpace = 40008,
    CannotCopyHere = 40009,
    CannotMoveHere = 40010,
    NoInformation = 40011,
    DiskInUse = 40012, // %s: the disk
    NotInstallMode = 40013,
    ApSizeInsufficient = 40014,
    ApplicationFail = 40015,
    OpenFileFail = 40016,
    BatchDone = 40018,
    SetTimeDone = 40019,
    SetTimeFail = 40020,
    FieldLabel = 40022,          // %d
    SourceFieldInvalid = 40023,  // %d
    ConvertFieldInvalid = 40024, // %d
    SelectPort = 40025,
    ActionDenied = 40027,
    InvalidFile = 40029,
    TerminalSystemError = 40030, // %d: the status
    NotStoredWhole = 40031,
};

enum class Language { English, Polish };

struct MessageText {
    MessageId id;
    const char* english;
    const char* polish;
};

// Every message, in id order.
std::span<const MessageText> AllMessages();
// The text in the language; "\r\n" stands for a line break.
std::string MessageString(MessageId id, Language language = Language::English);
// The text with its one placeholder (%s or %d) filled in.
std::string FormatMessage(MessageId id, const std::string& argument,
                          Language language = Language::English);
std::string FormatMessage(MessageId id, int argument, Language language = Language::English);
