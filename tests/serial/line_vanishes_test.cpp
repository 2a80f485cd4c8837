// A line that vanishes mid-transfer: the real serial back-end against kvsim on a
// pseudo-terminal whose far side closes while a file moves (kvsim ends, as when
// a USB adapter is pulled). The operation ends with a failure status within the
// retry limits, neither side keeps a partial file, and the port closes and
// opens again for a transfer that completes.
#include "link/serial/serial_transport.h"
#include "link/terminal_link.h"
#include "link/transfer_progress.h"
#include "tests/serial/pty_pair.h"
#include "tests/support/process.h"
#include "tests/support/test_dir.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <future>

namespace {

constexpr LinkTimings kLineTimings{std::chrono::milliseconds(400), std::chrono::milliseconds(10)};
// Slow enough that the far side closes well before the file is through.
constexpr const char* kLineRate = "38400";
constexpr std::size_t kFileSize = 48 * 1024;

std::string Content(std::size_t n)
{
    const Bytes bytes = Pattern(n, 3);
    return std::string(bytes.begin(), bytes.end());
}

class LineVanishes : public ::testing::Test {
protected:
    void StartTerminal()
    {
        kvsim = std::make_unique<BackgroundProgram>(
            KVSIM_PATH,
            std::vector<std::string>{"--root", (dir / "terminal").string(), "--pty", tty(),
                                     "--line-rate", kLineRate},
            std::map<std::string, std::string>{{"XDG_DATA_HOME", (dir / "data").string()},
                                               {"XDG_CONFIG_HOME", (dir / "config").string()}},
            dir / "kvsim.err");
        ASSERT_TRUE(WaitForPath(tty(), std::chrono::seconds(10)));
    }
    void StopTerminal()
    {
        kvsim->Stop();
        std::filesystem::remove(tty());
    }
    void Connect()
    {
        handle = transport.OpenDevice(tty());
        ASSERT_NE(handle, kNoPort) << "error " << transport.PortLastError();
        ASSERT_EQ(transport.ConfigureLine(handle, Baud(6)), 0u);
        link = std::make_unique<TerminalLink>(transport, kLineTimings);
        link->AttachPort(handle);
        link->SetReceiveFolder(dir / "received");
        link->progress = &progress;
    }
    void Disconnect()
    {
        link.reset();
        transport.PortClose(handle);
        handle = kNoPort;
    }
    // Runs the operation, ends the terminal once some bytes have moved, and
    // returns the operation's status.
    LinkStatus VanishDuring(const std::function<LinkStatus()>& operation)
    {
        progress.bytesDone = 0;
        auto result = std::async(std::launch::async, operation);
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (progress.bytesDone.load() < 2048 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_GE(progress.bytesDone.load(), 2048u) << "the transfer never started";
        EXPECT_LT(progress.bytesDone.load(), kFileSize) << "the transfer ended too soon";
        const auto vanished = std::chrono::steady_clock::now();
        StopTerminal();
        // A status well within the retry limits, never a hang.
        EXPECT_EQ(result.wait_for(kPatience), std::future_status::ready);
        const LinkStatus status = result.get();
        EXPECT_LT(std::chrono::steady_clock::now() - vanished,
                  (kMaxFailures + 2) * kLineTimings.replyTimeout + std::chrono::seconds(1));
        return status;
    }
    // Opens the port again on a fresh terminal: a whole file goes both ways.
    void ReconnectAndTransfer()
    {
        Disconnect();
        StartTerminal();
        Connect();
        TestDir::WriteFile(dir / "small.txt", "after the line came back");
        EXPECT_EQ(link->DownloadFile(dir / "small.txt", "C:\\DATA\\SMALL.TXT", 1, false, false),
                  LinkStatus::Ok);
        EXPECT_EQ(link->UploadFile("C:\\DATA\\SMALL.TXT", dir / "back.txt", false), LinkStatus::Ok);
        EXPECT_EQ(TestDir::ReadFile(dir / "back.txt"), "after the line came back");
    }
    std::string tty() const { return (dir / "tty").string(); }
    // Every file under folder, hidden temporary names included.
    std::vector<std::string> FilesUnder(const std::filesystem::path& folder) const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
             it != std::filesystem::recursive_directory_iterator(); ++it)
            if (it->is_regular_file())
                names.push_back(it->path().lexically_relative(folder).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TestDir dir;
    QSettings settings{QString::fromStdString((dir / "ports.ini").string()), QSettings::IniFormat};
    SerialTransport transport{&settings, [] {
                                  SerialOptions o;
                                  o.listDevices = [] { return std::vector<std::string>{}; };
                                  return o;
                              }()};
    std::unique_ptr<BackgroundProgram> kvsim;
    PortHandle handle = kNoPort;
    TransferProgress progress;
    std::unique_ptr<TerminalLink> link;
};

bool IsFailure(LinkStatus s)
{
    return s == LinkStatus::LineGone || s == LinkStatus::NoReply ||
           s == LinkStatus::TooManyFailures;
}

TEST_F(LineVanishes, DuringDownloadNoFileOnTheTerminalThenTheLineWorksAgain)
{
    StartTerminal();
    Connect();
    const std::vector<std::string> before = FilesUnder(dir / "terminal");
    TestDir::WriteFile(dir / "big.bin", Content(kFileSize));

    const LinkStatus s = VanishDuring(
        [&] { return link->DownloadFile(dir / "big.bin", "C:\\DATA\\BIG.BIN", 1, true, false); });

    EXPECT_TRUE(IsFailure(s)) << StatusValue(s);
    RecordProperty("linkStatus", StatusValue(s));
    EXPECT_EQ(FilesUnder(dir / "terminal"), before);
    ReconnectAndTransfer();
}

TEST_F(LineVanishes, DuringUploadNoFileOnThePcThenTheLineWorksAgain)
{
    StartTerminal();
    std::filesystem::create_directories(dir / "terminal" / "C" / "DATA");
    TestDir::WriteFile(dir / "terminal" / "C" / "DATA" / "BIG.BIN", Content(kFileSize));
    Connect();
    std::filesystem::create_directories(dir / "pc");

    const LinkStatus s = VanishDuring(
        [&] { return link->UploadFile("C:\\DATA\\BIG.BIN", dir / "pc" / "BIG.BIN", true); });

    EXPECT_TRUE(IsFailure(s)) << StatusValue(s);
    RecordProperty("linkStatus", StatusValue(s));
    EXPECT_EQ(FilesUnder(dir / "pc"), std::vector<std::string>{});
    ReconnectAndTransfer();
}

} // namespace
