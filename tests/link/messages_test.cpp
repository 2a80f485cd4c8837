#include "link/display_path.h"
#include "link/messages.h"
#include "link/operation_text.h"

#include <gtest/gtest.h>

#include <set>

TEST(Messages, EveryMessageHasBothTextsAndAUniqueId)
{
    std::set<int> ids;
    for (const MessageText& m : AllMessages()) {
        EXPECT_TRUE(ids.insert(static_cast<int>(m.id)).second) << static_cast<int>(m.id);
        EXPECT_NE(std::string(m.english), "");
        EXPECT_NE(std::string(m.polish), "");
    }
}

TEST(Messages, TextsAreCopiedExactly)
{
    EXPECT_EQ(MessageString(MessageId::AnotherJob),
              "Another job is working!!\r\nWait for a while and retry anain.");
    EXPECT_EQ(MessageString(MessageId::FileInUse, Language::Polish),
              "Plik jest u\u017cywany!!\r\nZamknij progam i spr\u00f3buj ponownie.");
    EXPECT_EQ(FormatMessage(MessageId::OverwriteQuestion, "D:\\A.TXT"),
              "D:\\A.TXT exist, Overwrite??");
    EXPECT_EQ(FormatMessage(MessageId::TerminalSystemError, 4012),
              "Terminal system error.\r\nContact ther programmer.\r\nError Code: 4012.");
    EXPECT_EQ(MessageString(MessageId::InvalidFile, Language::Polish),
              MessageString(MessageId::InvalidFile));
    EXPECT_EQ(MessageString(MessageId::NotStoredWhole),
              "The terminal did not keep the whole file.\r\nCheck the connect status and send "
              "the file again.");
    EXPECT_EQ(MessageString(MessageId::NotStoredWhole, Language::Polish),
              "Kolektor nie zapisa\u0142 ca\u0142ego pliku.\r\nSprawd\u017a stan "
              "po\u0142\u0105czenia i wy\u015blij plik ponownie.");
}

TEST(DisplayPath, ShortensLongPaths)
{
    EXPECT_EQ(DisplayPath("C:\\Data\\Export\\Month\\report.txt"), "C:\\\\...\\\\Month\\report.txt");
    const std::string thirty = "C:\\" + std::string(27, 'a');
    EXPECT_EQ(DisplayPath(thirty), thirty);
    const std::string thirtyOne = "C:\\abc\\" + std::string(24, 'b');
    EXPECT_EQ(DisplayPath(thirtyOne), "C:\\\\...\\\\abc\\" + std::string(24, 'b'));
    EXPECT_EQ(DisplayPath("/home/ann/export/month/report.txt"), "/.../month/report.txt");
    EXPECT_EQ(DisplayPath(std::string(40, 'x')), "..." + std::string(27, 'x'));
}

TEST(OperationMessages, ALinkInUseShowsAnotherJobForEveryOperation)
{
    // The link refuses a second operation with Busy: whatever the user started
    // says so with 40005, never only a failure line.
    const std::pair<const char*, std::optional<MessageId>> rows[] = {
        {"copy to the terminal", MessageForDownload(LinkStatus::Busy, false)},
        {"move to the terminal", MessageForDownload(LinkStatus::Busy, true)},
        {"copy from the terminal", MessageForUpload(LinkStatus::Busy)},
        {"delete", MessageForDelete(LinkStatus::Busy)},
        {"format", MessageForFormat(LinkStatus::Busy)},
        {"set time", MessageForSetTime(LinkStatus::Busy)},
        {"terminal information", MessageForTerminalInfo(LinkStatus::Busy)},
        {"install", MessageForInstall(LinkStatus::Busy)},
    };
    for (const auto& [name, message] : rows)
        EXPECT_EQ(message, std::optional(MessageId::AnotherJob)) << name;
}

TEST(OperationMessages, SetTimeAndInformationForEachStatus)
{
    struct Row {
        const char* name;
        LinkStatus status;
        std::optional<MessageId> setTime, information;
    };
    const Row rows[] = {
        {"done", LinkStatus::Ok, MessageId::SetTimeDone, std::nullopt},
        {"accept byte 0", LinkStatus::Refused, MessageId::ProtocolVersion,
         MessageId::ProtocolVersion},
        {"no reply", LinkStatus::NoReply, MessageId::SetTimeFail, MessageId::NoInformation},
        {"bad reply", LinkStatus::BadReply, MessageId::SetTimeFail, MessageId::NoInformation},
        {"line gone", LinkStatus::LineGone, MessageId::SetTimeFail, MessageId::NoInformation},
        {"terminal failure", LinkStatus::TerminalFailure, MessageId::SetTimeFail,
         MessageId::NoInformation},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MessageForSetTime(row.status), row.setTime) << row.name;
        EXPECT_EQ(MessageForTerminalInfo(row.status), row.information) << row.name;
    }
}

TEST(OperationMessages, ADownloadTheListingDoesNotConfirmShowsNotStoredWhole)
{
    // The GUI's copy and move jobs show 40031; kvctl put, sync and batch print
    // its text, the fail line and "(status 3013)".
    EXPECT_EQ(StatusValue(LinkStatus::NotConfirmed), 3013);
    EXPECT_EQ(static_cast<int>(MessageId::NotStoredWhole), 40031);
    const std::pair<const char*, std::optional<MessageId>> rows[] = {
        {"copy to the terminal, kvctl put", MessageForDownload(LinkStatus::NotConfirmed, false)},
        {"move to the terminal", MessageForDownload(LinkStatus::NotConfirmed, true)},
    };
    for (const auto& [name, message] : rows)
        EXPECT_EQ(message, std::optional(MessageId::NotStoredWhole)) << name;
}
