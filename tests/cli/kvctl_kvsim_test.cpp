// kvctl end to end: the real serial back-end against kvsim on a pseudo-terminal.
#include "tests/support/kvsim_fleet.h"

#include "convert/convert_settings.h"
#include "convert/record_conversion.h"
#include "kv_version.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <random>

namespace {

std::string RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(random());
    return s;
}

// kvctl's output as JSON; null when it is not one JSON document.
QJsonDocument ParseJson(const std::string& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    return error.error == QJsonParseError::NoError ? document : QJsonDocument();
}

std::string Text(const QJsonValue& value)
{
    return value.toString().toStdString();
}

// One terminal: its disks in DIR/terminal, its line DIR/tty.
class KvctlKvsim : public KvsimFleet {
protected:
    void StartTerminal(std::vector<std::string> options = {})
    {
        KvsimFleet::StartTerminal("terminal", std::move(options), tty());
    }
    ProgramResult Kvctl(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--port", tty()});
        return KvsimFleet::Kvctl(args);
    }
    std::string tty() const { return (dir / "tty").string(); }
    std::filesystem::path Disk(const std::string& relative) const
    {
        return dir / "terminal" / relative;
    }
    std::string Log() const
    {
        return TestDir::ReadFile(dir / "state" / "KVVidiRidoved" / "transfer.log");
    }
};

} // namespace

TEST_F(KvctlKvsim, ListPutGetByteForByte)
{
    StartTerminal();
    ProgramResult r = Kvctl({"ls", "PDT"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "C:\nD:\n");

    const std::string content = RandomBytes(70000, 1);
    TestDir::WriteFile(dir / "local.bin", content);
    r = Kvctl({"put", (dir / "local.bin").string(), "C:\\DATA\\LOCAL.BIN"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(TestDir::ReadFile(Disk("C/DATA/LOCAL.BIN")), content);

    r = Kvctl({"ls", "c:\\data"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("file\tLOCAL.BIN\t70000\t"), std::string::npos) << r.out;

    r = Kvctl({"--json", "ls", "C:\\DATA"});
    EXPECT_NE(r.out.find("{\"kind\": \"file\", \"name\": \"LOCAL.BIN\", \"size\": 70000"),
              std::string::npos)
        << r.out;

    r = Kvctl({"get", "C:\\DATA\\LOCAL.BIN", (dir / "back.bin").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(TestDir::ReadFile(dir / "back.bin"), content);
}

TEST_F(KvctlKvsim, OverwriteRefusalThenFlag)
{
    StartTerminal();
    TestDir::WriteFile(dir / "a.txt", "one");
    ASSERT_EQ(Kvctl({"put", (dir / "a.txt").string(), "D:\\LOOKUP\\A.TXT"}).exitCode, 0);
    TestDir::WriteFile(dir / "a.txt", "two");
    ProgramResult r = Kvctl({"put", (dir / "a.txt").string(), "D:\\LOOKUP\\A.TXT"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "D:\\LOOKUP\\A.TXT exist, Overwrite??\nCopy " + (dir / "a.txt").string() +
                         " to D:\\LOOKUP\\A.TXT fail\n(status 4004)\n");
    EXPECT_EQ(TestDir::ReadFile(Disk("D/LOOKUP/A.TXT")), "one");
    r = Kvctl({"put", (dir / "a.txt").string(), "D:\\LOOKUP\\A.TXT", "--overwrite"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(TestDir::ReadFile(Disk("D/LOOKUP/A.TXT")), "two");
}

TEST_F(KvctlKvsim, DeleteFormatAndLockedFiles)
{
    StartTerminal({"--lock", "D:\\LOOKUP\\ITEMS.TXT"});
    TestDir::WriteFile(dir / "x.txt", "x");
    ASSERT_EQ(Kvctl({"put", (dir / "x.txt").string(), "D:\\LOOKUP\\ITEMS.TXT"}).exitCode, 0);
    ASSERT_EQ(Kvctl({"put", (dir / "x.txt").string(), "C:\\DATA\\X.TXT"}).exitCode, 0);
    ProgramResult r = Kvctl({"rm", "C:\\DATA\\X.TXT", "C:\\DATA\\X.TXT"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Delete file--C:\\DATA\\X.TXT succeed!!\n");
    EXPECT_EQ(r.err,
              "The file is not exist.\nDelete file--C:\\DATA\\X.TXT fail!!\n(status 4008)\n");

    r = Kvctl({"format", "D:"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Disk D: is in using, close the application first!!\nFormat Disk D: fail.\n"
                     "(status 4007)\n");
    r = Kvctl({"format", "C:"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Format Disk C: done.\n");
}

TEST_F(KvctlKvsim, DiskAndTerminalInformationAndClock)
{
    StartTerminal({"--model", "LX-210", "--serial", "SN42", "--equipment", "SHOP7", "--capacity",
                   "C:=1000000", "--unformatted", "D:"});
    ProgramResult r = Kvctl({"info"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Model: LX-210\nF/W Version 1.00\nSerial Number: SN42\nEquipment ID SHOP7\n");
    r = Kvctl({"--json", "info"});
    EXPECT_EQ(r.out, "{\"model\": \"LX-210\", \"firmware\": \"1.00\", \"serial\": \"SN42\", "
                     "\"equipment\": \"SHOP7\"}\n");
    r = Kvctl({"df", "D:"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Capacity: UnFormat\nUsed Space: UnFormat\nFree Space: UnFormat\n");
    r = Kvctl({"--json", "df", "C:"});
    EXPECT_NE(r.out.find("{\"capacity\": 1000000, "), std::string::npos) << r.out;
    r = Kvctl({"--json", "df", "D:"});
    EXPECT_NE(r.out.find("\"free\": -1}"), std::string::npos) << r.out;

    r = Kvctl({"settime", "20261208101112"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(TestDir::ReadFile(dir / "terminal" / "CLOCK.TXT").substr(0, 14), "20261208101112");
    EXPECT_EQ(Kvctl({"settime", "2026"}).exitCode, 2);
}

TEST_F(KvctlKvsim, InstallAnApplication)
{
    StartTerminal({"--install-mode"});
    const std::string image = RandomBytes(5000, 3);
    TestDir::WriteFile(dir / "app.bin", image);
    ProgramResult r = Kvctl({"install", (dir / "app.bin").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Application download complete\n");
    EXPECT_EQ(TestDir::ReadFile(dir / "terminal" / "APP.BIN"), image);
}

TEST_F(KvctlKvsim, InstallOutsideInstallModeInPolish)
{
    StartTerminal();
    TestDir::WriteFile(dir / "app.bin", "image");
    ProgramResult r = Kvctl({"--lang", "pl", "install", (dir / "app.bin").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Prze\u0142\u0105cz kolektor w tryb instalacji programu!!\n(status 4006)\n");
}

TEST_F(KvctlKvsim, ReceiveAPushedFile)
{
    const std::string content = RandomBytes(3000, 5);
    TestDir::WriteFile(dir / "push.dat", content);
    StartTerminal({"--push", (dir / "push.dat").string(), "--push-name", "ORDERS.DAT"});
    ProgramResult r =
        Kvctl({"receive", (dir / "inbox").string(), "--count", "1", "--timeout", "20", "--log"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string stored = (dir / "inbox" / "ORDERS.DAT").string();
    EXPECT_EQ(r.out, stored + "\n");
    EXPECT_EQ(TestDir::ReadFile(stored), content);
    // --log: the line the desktop program logs for a pushed file.
    EXPECT_TRUE(Log().ends_with("  " + tty() + "  Receive file to " + stored + " have done\n"))
        << Log();
}

TEST_F(KvctlKvsim, ReceiveTakesOnlyATimeoutItCanWaitFor)
{
    // --timeout inf, nan or 1e300 was taken and ended at once, exit 1, no message.
    StartTerminal();
    const std::string bad = "kvctl: --timeout takes seconds above 0, at most 2592000 (30 days)\n";
    for (const std::string value : {"inf", "nan", "1e300", "2592001", "0", "-1", "10s", ""}) {
        const ProgramResult r = Kvctl({"receive", (dir / "inbox").string(), "--timeout", value});
        EXPECT_EQ(r.exitCode, 2) << value;
        EXPECT_EQ(r.err, bad) << value;
    }
    const ProgramResult r =
        Kvctl({"receive", (dir / "inbox").string(), "--timeout", "0.2", "--count", "2"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "kvctl: the time ran out with 0 of 2 files received\n");
    EXPECT_EQ(Kvctl({"receive", (dir / "inbox").string(), "--count", "2x"}).exitCode, 2);
}

TEST_F(KvctlKvsim, EveryCommandPrintsJsonWithJson)
{
    // install and several ports printed text under --json; "DOCK-Ł" came out as "DOCK-£".
    std::filesystem::create_directories(Disk("C/DATA"));
    TestDir::WriteFile(Disk("C/DATA/Z\u0141OTY.TXT"), "gold");
    StartTerminal({"--equipment", "DOCK-\xA3"});
    TestDir::WriteFile(dir / "a.txt", "a\r\n");
    TestDir::WriteFile(dir / "app.bin", "image");
    TestDir::WriteFile(dir / "job.cmb", "C:\\DATA\\ONE.TXT,3,one");
    std::filesystem::create_directories(dir / "lookup");
    const std::string a = (dir / "a.txt").string();
    struct Row {
        std::vector<std::string> args;
        int exitCode;
        std::string result; // "" for an answer to a query
    };
    const std::vector<Row> rows = {
        {{"ports"}, 0, ""},
        {{"ls", "PDT"}, 0, ""},
        {{"ls", "NO:\\SUCH"}, 1, "failed"},
        {{"df", "C:"}, 0, ""},
        {{"put", a, "C:\\DATA\\A.TXT"}, 0, "done"},
        {{"put", a, "C:\\DATA\\A.TXT"}, 1, "failed"},
        {{"put", a, "C:\\DATA\\A.TXT", "--overwrite", "--verify"}, 0, "done"},
        {{"get", "C:\\DATA\\A.TXT", (dir / "back.txt").string()}, 0, "done"},
        {{"collect", "C:\\DATA", (dir / "collected").string()}, 0, "done"},
        {{"rm", "C:\\DATA\\A.TXT", "C:\\DATA\\A.TXT"}, 1, "failed"},
        {{"settime", "20261208101112"}, 0, "done"},
        {{"install", (dir / "app.bin").string()}, 1, "failed"},
        {{"receive", (dir / "inbox").string(), "--timeout", "0.1"}, 1, "failed"},
        {{"convert", a}, 0, "done"},
        {{"batch", (dir / "job.cmb").string()}, 0, "done"},
        {{"scramble", a, (dir / "a.scr").string()}, 0, "done"},
        {{"sync", (dir / "lookup").string(), "D:\\LOOKUP", "--dry-run"}, 0, ""},
        {{"format", "D:"}, 0, "done"},
    };
    for (Row row : rows) {
        const std::string line = testing::PrintToString(row.args);
        row.args.push_back("--json");
        const ProgramResult r = Kvctl(row.args);
        EXPECT_EQ(r.exitCode, row.exitCode) << line << r.err;
        const QJsonDocument document = ParseJson(r.out);
        ASSERT_FALSE(document.isNull()) << line << "\n" << r.out;
        if (!row.result.empty()) {
            EXPECT_EQ(Text(document["result"]), row.result) << line << r.out;
        }
    }
    // info and a listing: the terminal's letters decoded.
    EXPECT_EQ(Text(ParseJson(Kvctl({"--json", "info"}).out)["equipment"]), "DOCK-\u0141");
    std::vector<std::string> names;
    for (const QJsonValue& entry : ParseJson(Kvctl({"--json", "ls", "C:\\DATA"}).out).array())
        names.push_back(Text(entry["name"]));
    EXPECT_NE(std::find(names.begin(), names.end(), "Z\u0141OTY.TXT"), names.end()) << names.size();

    // Several ports: one document, each port's own output inside it.
    const ProgramResult r = KvsimFleet::Kvctl(
        {"--port", "SIM1," + tty(), "--json", "install", (dir / "app.bin").string()});
    const QJsonArray ports = ParseJson(r.out)["ports"].toArray();
    ASSERT_EQ(ports.size(), 2) << r.out;
    for (const QJsonValue& port : ports)
        EXPECT_TRUE(port["output"].isObject()) << r.out;
}

TEST_F(KvctlKvsim, PortsAndUsage)
{
    ProgramResult r = RunProgram(KVCTL_PATH, {"ports"}, env, dir.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.substr(0, 5), "SIM1\n") << "the built-in terminal comes first";
    r = RunProgram(KVCTL_PATH, {"--port", (dir / "no-such-tty").string(), "ls", "PDT"}, env,
                   dir.path);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "Open communicate port fail!!!\n");
    EXPECT_EQ(RunProgram(KVCTL_PATH, {"frobnicate"}, env, dir.path).exitCode, 2);
    EXPECT_EQ(RunProgram(KVCTL_PATH, {"--baud", "1234", "ports"}, env, dir.path).exitCode, 2);
}

TEST_F(KvctlKvsim, DefaultPortIsTheBuiltInTerminal)
{
    ProgramResult r = RunProgram(KVCTL_PATH, {"ls", "C:\\DATA"}, env, dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("file\t"), std::string::npos) << "seeded with sample files";
    // Its log lines carry its name.
    r = RunProgram(KVCTL_PATH, {"rm", "C:\\DATA\\ORDERS.TXT", "--log"}, env, dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Log().ends_with("  SIM1  Delete file--C:\\DATA\\ORDERS.TXT succeed!!\n")) << Log();
}

TEST_F(KvctlKvsim, PutConvertsRecordsOnTheWay)
{
    StartTerminal();
    ConvertSettings settings;
    settings.OriSeparator = ',';
    settings.ConvSeparator = ';';
    settings.ConvertField = 2;
    ASSERT_TRUE(SaveConvertSettings(dir / "Convert.ini", settings));
    const std::string data = "a,b\r\nc,d\r\n";
    TestDir::WriteFile(dir / "export.txt", data);
    ProgramResult r = Kvctl({"put", (dir / "export.txt").string(), "C:\\DATA\\EXPORT.TXT",
                             "--convert", "--ini", (dir / "Convert.ini").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(TestDir::ReadFile(Disk("C/DATA/EXPORT.TXT")), *ConvertRecords(data, settings));
    EXPECT_EQ(TestDir::ReadFile(dir / "export.txt"), data) << "the source stays as it was";
    EXPECT_FALSE(std::filesystem::exists(dir / "VidiRidoved.tmp"))
        << "the converted copy is made in the private folder, not beside the source";
    EXPECT_EQ(Kvctl({"put", "x", "C:\\DATA\\X", "--ini", "y"}).exitCode, 2);
}

TEST_F(KvctlKvsim, BatchStopsAtTheFirstFailedRecord)
{
    StartTerminal();
    // The second record names a folder the terminal does not have; the third is
    // never sent.
    const std::string text = std::string("C:\\DATA\\ONE.TXT,5,first") +
                             "C:\\NOWHERE\\TWO.TXT,3,two" + "C:\\DATA\\THREE.TXT,1,3";
    TestDir::WriteFile(dir / "job.cmb", text);
    ProgramResult r = Kvctl({"batch", (dir / "job.cmb").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Batch build file download complete.\n");
    EXPECT_NE(r.err.find("(status 4005)"), std::string::npos) << r.err;
    EXPECT_EQ(TestDir::ReadFile(Disk("C/DATA/ONE.TXT")), "first");
    EXPECT_FALSE(std::filesystem::exists(Disk("C/DATA/THREE.TXT")));
}

TEST_F(KvctlKvsim, ScrambledBatchIsUnscrambledFirst)
{
    StartTerminal();
    // Existing terminal files are replaced without a question.
    TestDir::WriteFile(dir / "old.txt", "old");
    ASSERT_EQ(Kvctl({"put", (dir / "old.txt").string(), "D:\\PROGRAM\\DEFAULT.BAS"}).exitCode, 0);
    const std::string program = "10 PRINT \"HI\"\r\n";
    TestDir::WriteFile(dir / "job.txt", "D:\\PROGRAM\\DEFAULT.BAS," +
                                            std::to_string(program.size()) + "," + program);
    ASSERT_EQ(RunProgram(KVCTL_PATH,
                         {"scramble", (dir / "job.txt").string(), (dir / "job.cmb").string()}, env,
                         dir.path)
                  .exitCode,
              0);
    ASSERT_NE(TestDir::ReadFile(dir / "job.cmb"), TestDir::ReadFile(dir / "job.txt"));
    ProgramResult r = Kvctl({"batch", (dir / "job.cmb").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(TestDir::ReadFile(Disk("D/PROGRAM/DEFAULT.BAS")), program);
}

TEST_F(KvctlKvsim, GlobalOptionsBeforeOrAfterTheCommandAndWholeLines)
{
    struct Row {
        std::vector<std::string> args;
        int exitCode;
        std::string outStart, errStart;
    };
    const std::string version = std::string("kvctl ") + kProgramVersion + "\n";
    const std::vector<Row> rows = {
        {{"ls", "C:\\DATA", "--json"}, 0, "[{\"kind\": \"file\"", ""},
        {{"ls", "--port", "SIM1", "PDT"}, 0, "C:\nD:\n", ""},
        {{"df", "C:"}, 0, "Capacity: ", ""},
        {{"df", "--json", "C:"}, 0, "{\"capacity\": ", ""},
        {{"info", "--lang", "pl"}, 0, "Model: ", ""},
        {{"ls", "--", "PDT"}, 0, "C:\n", ""},
        {{"ls", "PDT", "--help"}, 0, "Usage: kvctl ", ""},
        {{"ports", "--version"}, 0, version, ""},
        {{"ls", "PDT", "--port"}, 2, "", "kvctl: --port needs a value\n"},
        {{"ls", "PDT", "--lang", "de"}, 2, "", "kvctl: unknown language de\n"},
        {{"ls", "NO:\\SUCH"}, 1, "", ""},
        {{"rm", "C:\\DATA\\NONE.TXT"}, 1, "", ""},
        {{}, 2, "", "Usage: kvctl "},
    };
    for (const Row& row : rows) {
        const ProgramResult r = RunProgram(KVCTL_PATH, row.args, env, dir.path);
        const std::string line = testing::PrintToString(row.args);
        EXPECT_EQ(r.exitCode, row.exitCode) << line << r.err;
        EXPECT_EQ(r.out.substr(0, row.outStart.size()), row.outStart) << line;
        EXPECT_EQ(r.err.substr(0, row.errStart.size()), row.errStart) << line;
        EXPECT_TRUE(r.out.empty() || r.out.back() == '\n') << line << r.out;
        EXPECT_TRUE(r.err.empty() || r.err.back() == '\n') << line << r.err;
        EXPECT_TRUE(row.exitCode == 0 || !r.err.empty()) << line;
    }
    // The value of a command's own option stays with the command.
    TestDir::WriteFile(dir / "in.txt", "A\n");
    const ProgramResult r =
        RunProgram(KVCTL_PATH, {"put", (dir / "in.txt").string(), "C:\\IN.TXT", "--ini", "--json"},
                   env, dir.path);
    EXPECT_EQ(r.err, "kvctl: --ini goes with --convert\n");
}

TEST(ProgramVersion, KvsimAndKvctlPrintTheProjectVersion)
{
    const std::map<std::string, std::string> env;
    TestDir dir;
    const std::string expected = std::string(" ") + kProgramVersion + "\n";
    EXPECT_EQ(RunProgram(KVSIM_PATH, {"--version"}, env, dir.path).out, "kvsim" + expected);
    EXPECT_EQ(RunProgram(KVCTL_PATH, {"--version"}, env, dir.path).out, "kvctl" + expected);
    const ProgramResult help = RunProgram(KVSIM_PATH, {"--root", "x", "--help"}, env, dir.path);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.substr(0, 12), "Usage: kvsim");
}
