// The transfer jobs against the simulated terminal, with a host that records
// what the window would show and answers its questions.
#include "tests/support/job_rig.h"
#include "tests/support/scripted_peer.h"

#include "link/operation_text.h"
#include "terminal/transfer_jobs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

std::string Scrambled(const std::string& plain)
{
    std::vector<std::uint8_t> bytes(plain.begin(), plain.end());
    Scramble(bytes, kDefaultUnscrambleKey);
    return std::string(bytes.begin(), bytes.end());
}

// A folder where no file can be made: one without write permission, or for
// root (whom permissions do not stop) a folder of the kernel's sysfs.
std::filesystem::path DeniedFolder(const TestDir& dir)
{
    if (geteuid() == 0)
        return "/sys";
    const auto folder = dir / "readonly";
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_exec);
    return folder;
}

// A readable file that cannot be removed: one in a folder without write
// permission, or for root a file of the kernel's procfs.
std::filesystem::path UndeletableSource(JobRig& rig)
{
    if (geteuid() == 0)
        return "/proc/version";
    std::filesystem::create_directories(rig.dir / "pc" / "locked");
    const auto source = rig.Pc("locked/KEEP.TXT", "kept");
    std::filesystem::permissions(rig.dir / "pc" / "locked", std::filesystem::perms::owner_read |
                                                                std::filesystem::perms::owner_exec);
    return source;
}

} // namespace

TEST(DownloadJob, ThreeFilesSecondExistsAnswerNo)
{
    JobRig rig;
    rig.Put("C:\\DATA\\B.TXT", "old");
    const auto a = rig.Pc("A.TXT", "a"), b = rig.Pc("B.TXT", "new"), c = rig.Pc("C.TXT", "c");
    rig.host.answers = {false};
    RunDownloadJob(*rig.link, {{a, b, c}, "C:\\DATA"}, rig.host);
    EXPECT_EQ(rig.host.lines,
              (std::vector<std::string>{CopyDoneLine(a.string(), "C:\\DATA\\A.TXT"),
                                        CopyFailLine(b.string(), "C:\\DATA\\B.TXT"),
                                        CopyDoneLine(c.string(), "C:\\DATA\\C.TXT")}));
    ASSERT_EQ(rig.host.questions.size(), 1u);
    EXPECT_EQ(rig.host.questions[0],
              std::make_pair(MessageId::OverwriteQuestion, std::string("C:\\DATA\\B.TXT")));
    EXPECT_EQ(rig.progress.totalFiles.load(), 3);
    EXPECT_EQ(rig.progress.finishedFiles.load(), 2);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("C/DATA/B.TXT")), "old");
}

TEST(DownloadJob, YesRepeatsOnlyThatFile)
{
    JobRig rig;
    rig.Put("C:\\DATA\\A.TXT", "old a");
    rig.Put("C:\\DATA\\B.TXT", "old b");
    const auto a = rig.Pc("A.TXT", "new a"), b = rig.Pc("B.TXT", "new b");
    rig.host.answers = {true, false};
    RunDownloadJob(*rig.link, {{a, b}, "C:\\DATA"}, rig.host);
    EXPECT_EQ(rig.host.questions.size(), 2u) << "the second file starts without the flag";
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("C/DATA/A.TXT")), "new a");
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("C/DATA/B.TXT")), "old b");
}

TEST(DownloadJob, TerminalAnswersShowTheirMessages)
{
    JobRig rig([](SimTerminalConfig& c) { c.unformatted = {"D:"}; });
    const auto a = rig.Pc("A.TXT", "a");
    RunDownloadJob(*rig.link, {{a}, "D:\\LOOKUP", true}, rig.host);
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].first, MessageId::DiskUnformat);
    EXPECT_EQ(rig.host.lines,
              (std::vector<std::string>{MoveFailLine(a.string(), "D:\\LOOKUP\\A.TXT")}));
    EXPECT_TRUE(std::filesystem::exists(a)) << "a failed move keeps its source";
    EXPECT_TRUE(rig.host.moved.empty());
}

TEST(DownloadJob, CancelDuringTheSecondOfFive)
{
    JobRig rig([](SimTerminalConfig& c) {
        c.lineRate = 460800; // slow enough to cancel a file half-way
        c.capacityC = 8 << 20;
    });
    std::vector<std::filesystem::path> sources;
    for (int i = 1; i <= 5; ++i)
        sources.push_back(rig.Pc("F" + std::to_string(i) + ".DAT", std::string(40000, 'x')));
    std::thread canceller;
    rig.host.onLine = [&](const std::string&) {
        if (canceller.joinable())
            return;
        canceller = std::thread([&] {
            while (rig.progress.bytesDone.load() < 10000 ||
                   rig.progress.byteTotal.load() == rig.progress.bytesDone.load())
                std::this_thread::sleep_for(1ms);
            rig.link->cancel = 1;
        });
    };
    RunDownloadJob(*rig.link, {sources, "C:\\DATA"}, rig.host);
    canceller.join();
    ASSERT_EQ(rig.host.lines.size(), 2u);
    EXPECT_EQ(rig.host.lines[1], "Transmission break!");
    EXPECT_EQ(rig.link->cancel.load(), 0) << "the job clears cancel at its end";
    for (int i = 2; i <= 5; ++i)
        EXPECT_FALSE(std::filesystem::exists(rig.Disk("C/DATA/F" + std::to_string(i) + ".DAT")));
}

TEST(DownloadJob, BasicProgramsForTheProgramFolder)
{
    JobRig rig;
    const std::string program = "10 PRINT \"HELLO\"\r\n20 GOTO 10\r\n";
    std::filesystem::create_directories(rig.dir / "pc" / "plain");
    std::filesystem::create_directories(rig.dir / "pc" / "scrambled");
    const auto plain = rig.Pc("plain/default.bas", program);
    const auto scrambled = rig.Pc("scrambled/default.bas", Scrambled(program));

    RunDownloadJob(*rig.link, {{plain}, "D:\\Program"}, rig.host);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("D/PROGRAM/DEFAULT.BAS")), program) << "sent unchanged";

    rig.host.answers = {true};
    // The folder as the terminal tree spells it.
    RunDownloadJob(*rig.link, {{scrambled}, "D:\\PROGRAM"}, rig.host);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("D/PROGRAM/DEFAULT.BAS")), program) << "unscrambled";
    EXPECT_EQ(rig.host.lines.back(), CopyDoneLine(scrambled.string(), "D:\\PROGRAM\\default.bas"))
        << "the line names the source, not the copy";
    EXPECT_TRUE(rig.PrivateFolderEmpty()) << "the unscrambled copy is gone";

    RunDownloadJob(*rig.link, {{scrambled}, "D:\\LOOKUP"}, rig.host);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("D/LOOKUP/DEFAULT.BAS")), Scrambled(program))
        << "elsewhere a program is sent as it is";
}

TEST(DownloadJob, ConversionOnMove)
{
    JobRig rig;
    const auto source = rig.Pc("EXPORT.TXT", "a,b\r\nc,d\r\n");
    DownloadJobInput input{{source}, "C:\\DATA", true, true};
    input.settings.OriSeparator = ',';
    input.settings.ConvSeparator = ';';
    input.settings.ConvertField = 2;
    RunDownloadJob(*rig.link, input, rig.host);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("C/DATA/EXPORT.TXT")), "a;b\r\nc;d\r\n");
    EXPECT_FALSE(std::filesystem::exists(source)) << "moved: the source is gone from the PC";
    EXPECT_EQ(rig.host.moved, std::vector<std::size_t>{0});
    EXPECT_EQ(rig.host.lines.back(), MoveDoneLine(source.string(), "C:\\DATA\\EXPORT.TXT"));
    EXPECT_FALSE(std::filesystem::exists(rig.dir / "pc" / "VidiRidoved.tmp"));
    EXPECT_TRUE(rig.PrivateFolderEmpty());
}

TEST(DownloadJob, ConversionReadsLfLinesAndSendsNothingWithoutARecord)
{
    // Mended: LF-only lines went out as a 0-byte file logged as done.
    JobRig rig;
    const auto lf = rig.Pc("LF.TXT", "a,b\nc,d"), none = rig.Pc("NONE.TXT", "\r");
    DownloadJobInput input{{lf, none}, "C:\\DATA", true, true};
    input.settings.OriSeparator = ',';
    input.settings.ConvSeparator = ';';
    input.settings.ConvertField = 2;
    RunDownloadJob(*rig.link, input, rig.host);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("C/DATA/LF.TXT")), "a;b\r\nc;d\r\n");
    EXPECT_FALSE(std::filesystem::exists(rig.Disk("C/DATA/NONE.TXT")));
    EXPECT_TRUE(std::filesystem::exists(none)) << "a move that sent nothing keeps its source";
    EXPECT_EQ(rig.host.lines,
              (std::vector<std::string>{MoveDoneLine(lf.string(), "C:\\DATA\\LF.TXT"),
                                        NoRecordLine(none.string(), "C:\\DATA\\NONE.TXT")}));
    EXPECT_TRUE(rig.PrivateFolderEmpty());
}

TEST(DownloadJob, FixedNameSendsEveryFileUnderOneName)
{
    JobRig rig;
    const auto one = rig.Pc("ONE.TXT", "1,1\r\n"), two = rig.Pc("TWO.TXT", "2,2\r\n");
    DownloadJobInput input{{one, two}, "C:\\DATA", false, true};
    input.settings.ConvertField = 2;
    input.settings.OriFixedName = 1;
    input.settings.OriFixedFileName = "ITEMS.DAT";
    rig.host.answers = {true};
    RunDownloadJob(*rig.link, input, rig.host);
    ASSERT_EQ(rig.host.questions.size(), 1u) << "the second file finds the first";
    EXPECT_EQ(rig.host.questions[0].second, "C:\\DATA\\ITEMS.DAT");
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("C/DATA/ITEMS.DAT")), "2,2\r\n");
}

TEST(DownloadJob, FixedNameInTheCodePageGoesAsItsBytesAndIsShownDecoded)
{
    JobRig rig;
    const auto source = rig.Pc("ORDERS.TXT", "1,2\r\n");
    DownloadJobInput input{{source}, "C:\\DATA", false, true};
    input.settings.ConvertField = 2;
    input.settings.OriFixedName = 1;
    input.settings.OriFixedFileName = "ZAM\xD3W.TXT";
    RunDownloadJob(*rig.link, input, rig.host);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("C/DATA/ZAMÓW.TXT")), "1,2\r\n");
    EXPECT_EQ(rig.host.lines,
              (std::vector<std::string>{CopyDoneLine(source.string(), "C:\\DATA\\ZAMÓW.TXT")}));
}

TEST(DownloadJob, ConversionFromAReadOnlyFolder)
{
    JobRig rig;
    const auto source = rig.Pc("RO.TXT", "x,y\r\n");
    std::filesystem::permissions(rig.dir / "pc", std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::owner_exec);
    DownloadJobInput input{{source}, "C:\\DATA", false, true};
    input.settings.ConvertField = 2;
    RunDownloadJob(*rig.link, input, rig.host);
    EXPECT_EQ(rig.host.lines,
              (std::vector<std::string>{CopyDoneLine(source.string(), "C:\\DATA\\RO.TXT")}));
    EXPECT_FALSE(std::filesystem::exists(rig.dir / "pc" / "VidiRidoved.tmp"));
    std::filesystem::permissions(rig.dir / "pc", std::filesystem::perms::owner_all);
}

TEST(DownloadJob, FilesOf4GiBAndMoreAreRefusedBeforeSending)
{
    JobRig rig;
    // Sparse: the size is there, the disk blocks are not.
    const auto huge = rig.Pc("HUGE.DAT", "");
    std::filesystem::resize_file(huge, std::uint64_t{1} << 32);
    RunDownloadJob(*rig.link, {{huge}, "C:\\DATA", true}, rig.host);
    EXPECT_EQ(rig.host.lines,
              (std::vector<std::string>{MoveFailLine(huge.string(), "C:\\DATA\\HUGE.DAT")}));
    EXPECT_TRUE(rig.host.messages.empty()) << "an unreadable source shows no message";
    EXPECT_FALSE(std::filesystem::exists(rig.Disk("C/DATA/HUGE.DAT"))) << "nothing sent";
    EXPECT_EQ(std::filesystem::file_size(huge), std::uint64_t{1} << 32) << "the source stays";
    EXPECT_TRUE(rig.host.moved.empty());
}

TEST(DownloadJob, AMovedSourceThatCannotBeRemovedIsReportedAndKept)
{
    JobRig rig;
    const auto source = UndeletableSource(rig);
    const std::string destination = "C:\\DATA\\" + source.filename().string();
    RunDownloadJob(*rig.link, {{source}, "C:\\DATA", true}, rig.host);
    EXPECT_EQ(rig.host.lines,
              (std::vector<std::string>{SourceKeptLine(source.string(), destination)}));
    EXPECT_TRUE(rig.host.moved.empty()) << "its item stays";
    EXPECT_TRUE(std::filesystem::exists(source));
    EXPECT_EQ(rig.progress.finishedFiles.load(), 1) << "the file itself was sent";
}

TEST(DownloadJob, TheTerminalFindingTheFileAgainAsksAgain)
{
    // A terminal that answers "exists" twice: once to the first call, once to
    // the repeated one (another program wrote the file back meanwhile).
    LinkRig rig;
    TestDir dir;
    const auto source = dir / "A.TXT";
    TestDir::WriteFile(source, "a");
    rig.Script([&] {
        rig.peer->AnswerCommand(1, 4);
        rig.peer->AnswerCommand(1, 4);
        const Bytes frame = rig.peer->AnswerCommand(1, 0);
        rig.peer->AnswerBlock(GetU32(&frame[5]), kCommandDownload, 0);
    });
    RecordingHost host;
    host.answers = {true, true};
    RunDownloadJob(*rig.link, {{source}, "C:\\DATA"}, host);
    rig.Finish();
    EXPECT_EQ(host.questions.size(), 2u) << "each time a Yes/No question";
    EXPECT_TRUE(host.messages.empty()) << "never the question as a box with OK only";
    EXPECT_EQ(host.lines,
              (std::vector<std::string>{CopyDoneLine(source.string(), "C:\\DATA\\A.TXT")}));
}

TEST(DownloadJob, NoMarkedItemsLogsNothing)
{
    JobRig rig;
    RunDownloadJob(*rig.link, {{}, "C:\\DATA"}, rig.host);
    EXPECT_TRUE(rig.host.lines.empty());
    EXPECT_EQ(rig.progress.totalFiles.load(), 0);
}

TEST(UploadJob, CopyAskAndSkip)
{
    JobRig rig;
    rig.Put("C:\\DATA\\A.TXT", "terminal a");
    rig.Put("C:\\DATA\\B.TXT", "terminal b");
    const auto target = rig.dir / "inbox";
    std::filesystem::create_directories(target);
    TestDir::WriteFile(target / "B.TXT", "mine");
    RunUploadJob(*rig.link, {{"C:\\DATA\\A.TXT", "C:\\DATA\\B.TXT"}, target}, rig.host);
    EXPECT_EQ(rig.host.lines, (std::vector<std::string>{
                                  CopyDoneLine("C:\\DATA\\A.TXT", (target / "A.TXT").string())}))
        << "No skips the file without a line";
    EXPECT_EQ(TestDir::ReadFile(target / "A.TXT"), "terminal a");
    EXPECT_EQ(TestDir::ReadFile(target / "B.TXT"), "mine");
    EXPECT_EQ(rig.host.questions.size(), 1u);
    EXPECT_EQ(rig.progress.finishedFiles.load(), 1);
}

TEST(UploadJob, AMoveRemovesOnlyWhatTheTerminalLetsGoOf)
{
    // Mended: a terminal file that could not be deleted was still logged as
    // moved and its item removed.
    for (const bool inUse : {false, true}) { // the terminal refuses the delete
        SCOPED_TRACE(inUse ? "in use" : "deletable");
        JobRig rig([&](SimTerminalConfig& c) {
            if (inUse)
                c.locked = {"C:\\DATA\\M.TXT"};
        });
        rig.Put("C:\\DATA\\M.TXT", "moving");
        const auto target = rig.dir / "inbox";
        std::filesystem::create_directories(target);
        RunUploadJob(*rig.link, {{"C:\\DATA\\M.TXT"}, target, true}, rig.host);
        const std::string shown = (target / "M.TXT").string();
        EXPECT_EQ(TestDir::ReadFile(target / "M.TXT"), "moving");
        EXPECT_EQ(std::filesystem::exists(rig.Disk("C/DATA/M.TXT")), inUse);
        EXPECT_EQ(rig.host.moved, inUse ? std::vector<std::size_t>{} : std::vector<std::size_t>{0})
            << "the item stays while the file does";
        EXPECT_EQ(rig.host.lines,
                  (std::vector<std::string>{inUse ? SourceKeptLine("C:\\DATA\\M.TXT", shown)
                                                  : MoveDoneLine("C:\\DATA\\M.TXT", shown)}));
        EXPECT_EQ(rig.progress.finishedFiles.load(), 1) << "the file was fetched";
    }
}

TEST(UploadJob, ReadOnlyFolderIsActionDenied)
{
    JobRig rig;
    rig.Put("C:\\DATA\\R.TXT", "stays");
    RunUploadJob(*rig.link, {{"C:\\DATA\\R.TXT", "C:\\DATA\\R.TXT"}, DeniedFolder(rig.dir), true},
                 rig.host);
    EXPECT_EQ(rig.host.lines,
              (std::vector<std::string>(2, "Action denied. You may have no right.")));
    EXPECT_TRUE(std::filesystem::exists(rig.Disk("C/DATA/R.TXT"))) << "kept, even when moving";
    EXPECT_TRUE(rig.host.moved.empty());
}

TEST(UploadJob, TheProbeLeavesUserFilesAlone)
{
    JobRig rig;
    rig.Put("C:\\DATA\\P.TXT", "p");
    const auto target = rig.dir / "inbox";
    std::filesystem::create_directories(target);
    TestDir::WriteFile(target / "KvTemp.tmp", "the user's own file");
    RunUploadJob(*rig.link, {{"C:\\DATA\\P.TXT"}, target}, rig.host);
    EXPECT_EQ(TestDir::ReadFile(target / "KvTemp.tmp"), "the user's own file");
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(target))
        files += e.is_regular_file();
    EXPECT_EQ(files, 2u) << "no probe left behind";
}

TEST(TransferJobs, NamesInTheTerminalsCodePageGoAsTheirBytesAndShowDecoded)
{
    const auto contains = [](const Bytes& bytes, std::string_view text) {
        return std::search(bytes.begin(), bytes.end(), text.begin(), text.end(),
                           [](std::uint8_t b, char c) {
                               return b == static_cast<std::uint8_t>(c);
                           }) != bytes.end();
    };
    const std::string rawFile = "C:\\Z\xA3OTY.TXT", shownFile = "C:\\Z\u0141OTY.TXT";
    TestDir dir;
    {
        LinkRig rig;
        Bytes request;
        rig.Script([&] {
            rig.peer->AnswerCommand(1, 0);
            request = rig.peer->AnswerBlock(rawFile.size() + 4, kCommandRequest, 0);
            rig.peer->SendPhase(Bytes{'z', 'l', 'o', 't', 'y'});
        });
        RecordingHost host;
        RunUploadJob(*rig.link, {{rawFile}, dir.path, false, {shownFile}}, host);
        rig.Finish();
        EXPECT_TRUE(contains(request, rawFile + "\r\n"));
        const auto target = dir / "Z\u0141OTY.TXT";
        EXPECT_EQ(TestDir::ReadFile(target), "zloty") << "the PC name is the shown one";
        EXPECT_EQ(host.lines, (std::vector<std::string>{CopyDoneLine(shownFile, target.string())}));
    }
    {
        LinkRig rig;
        const auto source = dir / "A.TXT";
        TestDir::WriteFile(source, "a");
        Bytes record;
        rig.Script([&] {
            const Bytes frame = rig.peer->AnswerCommand(1, 0);
            record = rig.peer->AnswerBlock(GetU32(&frame[5]), kCommandDownload, 0);
        });
        RecordingHost host;
        DownloadJobInput input{{source}, "C:\\\xAF\xD3\xA3W"};
        input.shownTargetFolder = "C:\\\u017B\u00D3\u0141W";
        RunDownloadJob(*rig.link, input, host);
        rig.Finish();
        EXPECT_TRUE(contains(record, "C:\\\xAF\xD3\xA3W\\A.TXT"));
        EXPECT_EQ(host.lines, (std::vector<std::string>{CopyDoneLine(
                                  source.string(), "C:\\\u017B\u00D3\u0141W\\A.TXT")}));
    }
}

TEST(UploadTarget, StaysInsideTheFolder)
{
    EXPECT_EQ(UploadTarget("/home/ann", "C:\\DATA\\A.TXT"),
              std::filesystem::path("/home/ann/A.TXT"));
    EXPECT_EQ(UploadTarget("/home/ann", "C:\\DATA\\..\\..\\x/../../etc/passwd"),
              std::filesystem::path("/home/ann/passwd"));
    EXPECT_EQ(UploadTarget("/home/ann", "C:\\DATA\\.."), std::filesystem::path());
}

TEST(ProgramFolder, TheSourceAsWrittenTheFolderInAnyCase)
{
    EXPECT_TRUE(IsProgramForProgramFolder("/x/default.bas", "D:\\Program\\default.bas"));
    EXPECT_FALSE(IsProgramForProgramFolder("/x/DEFAULT.BAS", "D:\\Program\\DEFAULT.BAS"));
    EXPECT_TRUE(IsProgramForProgramFolder("/x/default.bas", "D:\\PROGRAM\\default.bas"))
        << "the terminal tree's own spelling of the folder";
    EXPECT_TRUE(IsProgramForProgramFolder("/x/default.bas", "d:\\program\\default.bas"));
    EXPECT_FALSE(IsProgramForProgramFolder("/x/default.bas", "D:\\PROGRAMS\\default.bas"));
    EXPECT_FALSE(IsProgramForProgramFolder("default.bas", "D:\\Program\\default.bas"))
        << "found only after the first character";
}
