// The link's receive path against a terminal that says anything: command and
// block acknowledgements, data headers and blocks, listings, pushed file records.
// The first input byte picks the PC's operation; the rest is what the terminal
// sends (see replay_peer.h).
#include "fuzz/fuzz_folder.h"
#include "fuzz/replay_peer.h"

#include "link/link_observer.h"
#include "link/listing.h"

#include <cstdlib>
#include <fstream>

namespace {

enum Operation : std::uint8_t {
    Upload,
    List,
    ListRoot,
    DiskInfo,
    Download,
    Push,
    Delete,
    Format,
    SetTime,
    Install,
    Count
};

// Files are whole or absent: a failed upload leaves no target behind, and a
// failed push leaves nothing in the receive folder but the files stored.
class PushWatch : public LinkObserver {
public:
    void IncomingFileStored(const std::filesystem::path&) override { ++stored; }
    void IncomingTransferFailed(const std::string&, LinkStatus) override {}
    std::atomic<int> stored{0};
};

std::size_t FilesIn(const std::filesystem::path& folder)
{
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        (void)e;
        ++n;
    }
    return n;
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const auto op = static_cast<Operation>(data[0] % Count);
    const std::filesystem::path folder = FreshFuzzFolder("link_receive");
    const std::filesystem::path received = folder / "received";
    const std::filesystem::path target = folder / "UPLOAD.TXT";
    PushWatch watch;
    {
        ReplayRig rig(std::span(data + 1, size - 1));
        rig.link->SetReceiveFolder(received);
        rig.link->SetObserver(&watch);
        rig.Start();
        TerminalLink& link = *rig.link;
        switch (op) {
        case Upload: {
            const LinkStatus s = link.UploadFile("C:\\DATA\\A.TXT", target, false);
            Require(s == LinkStatus::Ok || !std::filesystem::exists(target));
            break;
        }
        case List:
        case ListRoot: {
            DirectoryListing listing;
            const LinkStatus s = link.ListDirectory(op == ListRoot ? "PDT" : "C:\\DATA", &listing);
            Require(s == LinkStatus::Ok || listing.bytes.empty());
            if (s == LinkStatus::Ok && op == ListRoot)
                for (const std::string& disk :
                     DecodeRootListing(listing.bytes.data(), listing.count))
                    (void)PrintableText(disk);
            else if (s == LinkStatus::Ok)
                for (const TerminalEntry& e : DecodeListing(listing.bytes.data(), listing.count))
                    (void)FormatTimeStamp(PrintableText(EntryDisplayName(e)));
            break;
        }
        case DiskInfo: {
            DiskFigures figures;
            (void)link.GetDiskInfo("C:", &figures);
            break;
        }
        case Download: {
            const std::filesystem::path source = folder / "SOURCE.TXT";
            std::ofstream(source, std::ios::binary) << std::string(2500, 'k');
            (void)link.DownloadFile(source, "C:\\DATA\\SOURCE.TXT", 1, false, false);
            break;
        }
        case Push:
            // Nothing from the PC: the terminal's chunks may start a transfer,
            // which the link's end stops and joins.
            rig.WaitReplayed();
            std::this_thread::sleep_for(4 * kFuzzTimings.burstGap);
            break;
        case Delete: (void)link.DeleteTerminalFile("C:\\DATA\\A.TXT"); break;
        case Format: (void)link.FormatDisk("D:"); break;
        case SetTime: (void)link.SetTerminalTime("20260101120000"); break;
        case Install: {
            const std::filesystem::path image = folder / "APP.BIN";
            std::ofstream(image, std::ios::binary) << std::string(2100, 'a');
            (void)link.InstallApplication(image, false);
            break;
        }
        case Count: break;
        }
        // A push may still run after the operation: the link's end stops it
        // and joins its thread, which reports to the watch before it ends.
        rig.link.reset();
    }
    if (std::filesystem::exists(received))
        Require(FilesIn(received) == static_cast<std::size_t>(watch.stored.load()));
    return 0;
}
