// Writes the seed corpus of every fuzz target: well-formed exchanges the
// fuzzer starts from. Usage: make_seeds CORPUS_FOLDER
#include "convert/convert_settings.h"
#include "convert/scramble.h"
#include "fuzz/replay_peer.h"
#include "link/frame.h"

#include <fstream>
#include <iostream>
#include <string>

namespace {

std::filesystem::path corpus;

Bytes Text(std::string_view s)
{
    return Bytes(s.begin(), s.end());
}

void Add(Bytes& out, std::span<const std::uint8_t> bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// Chunks joined by the replay's separator.
Bytes Script(std::initializer_list<Bytes> chunks)
{
    Bytes out;
    bool first = true;
    for (const Bytes& c : chunks) {
        if (!first)
            Add(out, Text(kChunkSeparator));
        Add(out, c);
        first = false;
    }
    return out;
}

template <std::size_t N> Bytes B(const std::array<std::uint8_t, N>& a)
{
    return Bytes(a.begin(), a.end());
}

void Write(const std::string& target, const std::string& name, const Bytes& bytes)
{
    std::filesystem::create_directories(corpus / target);
    std::ofstream(corpus / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes Prefixed(std::uint8_t first, const Bytes& rest)
{
    Bytes out{first};
    Add(out, rest);
    return out;
}

// The terminal's side of a request answered with a type-4 data phase.
Bytes Answer(const Bytes& data)
{
    return Script({B(BuildCommandAck(1, 0)), B(BuildBlockAck(kCommandRequest, 0, false)),
                   B(BuildDataHeader(1, kDataTypeMemory, static_cast<std::uint32_t>(data.size()))),
                   BuildDataBlock(0, data)});
}

Bytes Entry(std::string_view name, std::string_view ext, std::uint8_t kind, std::uint32_t size)
{
    Bytes e(32, 0);
    std::copy(name.begin(), name.end(), e.begin());
    std::copy(ext.begin(), ext.end(), e.begin() + 8);
    e[11] = kind;
    const std::string_view stamp = "20260101120000";
    std::copy(stamp.begin(), stamp.end(), e.begin() + 12);
    PutU32(&e[26], size);
    return e;
}

void LinkSeeds()
{
    const Bytes content = Text("line one\r\nline two\r\n");
    Bytes answer = Script({B(BuildCommandAck(1, 0)), B(BuildBlockAck(kCommandRequest, 0, false)),
                           B(BuildDataHeader(1, kDataTypeMemory, content.size())),
                           BuildDataBlock(0, content)});
    Write("link_receive", "upload", Prefixed(0, answer));
    Write("link_receive", "upload_missing",
          Prefixed(
              0, Script({B(BuildCommandAck(1, 0)), B(BuildBlockAck(kCommandRequest, 2, false))})));
    Bytes listing = Entry("DATA", "", 1, 0);
    Add(listing, Entry("A", "TXT", 2, 20));
    Write("link_receive", "list", Prefixed(1, Answer(listing)));
    Write("link_receive", "list_root", Prefixed(2, Answer(Text("C:\r\nD:\r\n"))));
    Bytes disk(8);
    PutU32(&disk[0], 4u << 20);
    PutU32(&disk[4], 1u << 20);
    Write("link_receive", "disk_info", Prefixed(3, Answer(disk)));
    Write(
        "link_receive", "download",
        Prefixed(4, Script({B(BuildCommandAck(1, 0)), B(BuildBlockAck(kCommandDownload, 0, false)),
                            B(BuildBlockAck(kCommandDownload, 0, false)),
                            B(BuildBlockAck(kCommandDownload, 0, false))})));
    const Bytes record = BuildFileRecord(content, "20260101120000", 0, "PUSHED.TXT");
    Write("link_receive", "push",
          Prefixed(5, Script({B(BuildDataHeader(1, kDataTypeFile, record.size())),
                              BuildDataBlock(0, record)})));
    Write("link_receive", "delete", Prefixed(6, Answer(Bytes{0})));

    Bytes infoBytes(60, 0);
    for (const auto& [at, text] : {std::pair<std::size_t, std::string_view>{0, "KV-2000"},
                                   {10, "1.00"},
                                   {20, "00000001"},
                                   {40, "KVSIM"}})
        std::copy(text.begin(), text.end(), infoBytes.begin() + static_cast<std::ptrdiff_t>(at));
    Write("terminal_info", "info", Answer(infoBytes));
    Write("link_receive", "format", Prefixed(7, Answer(Bytes{0})));
    Write("link_receive", "set_time", Prefixed(8, Answer(Bytes{0})));
    Bytes install = Answer(infoBytes);
    for (const Bytes& chunk :
         {B(BuildCommandAck(1, 0)), B(BuildBlockAck(kCommandInstallKv20, 0, false)),
          B(BuildBlockAck(kCommandInstallKv20, 0, false)),
          B(BuildBlockAck(kCommandInstallKv20, 0, false))}) {
        Add(install, Text(kChunkSeparator));
        Add(install, chunk);
    }
    Write("link_receive", "install", Prefixed(9, install));
    Write("terminal_info", "refused", B(BuildCommandAck(0, 0)));
}

void ListingSeeds()
{
    Bytes folder{2};
    Add(folder, Entry("DATA", "", 1, 0));
    Add(folder, Entry("A", "TXT", 2, 20));
    Add(folder, Entry("..", "", 1, 0));
    Write("listing", "folder", folder);
    Write("listing", "root", Prefixed(2, Text("C:\r\nD:\r\n")));
}

void ConvertSeeds()
{
    ConvertSettings s;
    s.OriSeparator = ',';
    s.OriFieldCount = 3;
    s.OriFieldLen = {10, 5, 8};
    s.ConvSeparator = 0;
    s.ConvertField = 3;
    s.ConvFieldLen = {12, 6, 8};
    s.OriFixedName = 1;
    s.OriFixedFileName = "DATA.TXT";
    const std::string ini = FormatConvertIni(s);
    Write("convert_ini", "crlf", Text(ini));
    std::string lf = ini;
    std::erase(lf, '\r');
    Write("convert_ini", "lf", Text(lf));
}

void BatchSeeds()
{
    Bytes plain = Text("C:\\DATA\\A.TXT,5,helloD:\\PROGRAM\\B.BAS,3,abc");
    Write("batch_file", "plain", plain);
    Scramble(plain, kDefaultUnscrambleKey);
    Write("batch_file", "scrambled", plain);
    Write("batch_file", "key", Text("0x4B,0x56,0x56,0x49,0x44,0x49,0x52,0x49,0x44,0x4F"));
}

void TransmissionSeeds()
{
    Write("transmission_list", "com", Text("com2:57600\r\nC:\\DATA\\A.TXT\r\n"));
    Write("transmission_list", "sim", Text("sim1:115200\r\n"));
    Write("transmission_list", "entries",
          Text("com1:9600\r\n9,C:\\app\\PROG.EXE\r\n3,/home/ann/data.txt\r\nx,bad\r\n"
               "12,D:\\other\\f.txt\r\n2,\r\nno comma\r\n1,C:\\fonts\\\r\nlast"));
}

// The PC's side of a request to the simulated terminal, then the
// acknowledgements of the answer's header and block.
Bytes Request(const Bytes& request)
{
    return Script({B(BuildCommandFrame(kCommandRequest, request.size())),
                   BuildDataBlock(0, request), B(BuildHeaderAck(kDataTypeMemory, 0)),
                   B(BuildBlockAck(kDataTypeMemory, 0, true))});
}

Bytes RequestBytes(std::uint8_t code, std::string_view text)
{
    Bytes r{code};
    Add(r, Text(text));
    if (code != kRequestInfo)
        Add(r, Text("\r\n"));
    return r;
}

void SimSeeds()
{
    Write("sim_request", "list", Request(RequestBytes(kRequestList, "C:\\DATA")));
    Write("sim_request", "list_root", Request(RequestBytes(kRequestList, "PDT")));
    Write("sim_request", "info", Request(RequestBytes(kRequestInfo, "")));
    Write("sim_request", "disk", Request(RequestBytes(kRequestDiskInfo, "C:")));
    Write("sim_request", "delete", Request(RequestBytes(kRequestDelete, "C:\\DATA\\A.TXT")));
    Write("sim_request", "time", Request(RequestBytes(kRequestSetTime, "20260101120000")));
    Write("sim_request", "format", Request(RequestBytes(kRequestFormat, "D:")));
    Bytes upload = RequestBytes(kRequestUpload, "C:\\DATA\\A.TXT");
    upload.push_back(0);
    Write("sim_request", "upload", Request(upload));
    const Bytes record =
        BuildFileRecord(Text("hello terminal"), "20260101120000", 1, "C:\\DATA\\NEW.TXT");
    Write(
        "sim_request", "download",
        Script({B(BuildCommandFrame(kCommandDownload, record.size())), BuildDataBlock(0, record)}));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_seeds CORPUS_FOLDER\n";
        return 2;
    }
    corpus = argv[1];
    LinkSeeds();
    ListingSeeds();
    ConvertSeeds();
    BatchSeeds();
    TransmissionSeeds();
    SimSeeds();
    return 0;
}
