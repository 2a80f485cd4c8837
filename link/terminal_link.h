// terminal_link.h: the protocol engine of one open connection. Its receive thread
// moves every byte from the port into the ring; the operations below run on the
// caller's thread. One gate decides who owns the line: an operation of the user
// side, the clock's setting, or a transfer the terminal starts. A second one
// started meanwhile is refused with Busy; the clock's setting only takes a free
// line. Every operation hands its answer back to its caller.
#pragma once

#include "link/event.h"
#include "link/frame.h"
#include "link/incoming_file.h"
#include "link/link_status.h"
#include "link/ring_buffer.h"
#include "link/transport.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LinkObserver;
class TransferProgress;

struct LinkTimings {
    std::chrono::milliseconds replyTimeout = kReplyTimeout; // every reply wait
    std::chrono::milliseconds burstGap{10};                 // silence that ends a burst
};

// Largest data phase the link accepts from a terminal; a header announcing more
// is rejected. Terminal files are a few MiB at most.
inline constexpr std::uint32_t kMaxIncomingLength = 64u << 20;
// Largest application image sent: more than any terminal's application area.
inline constexpr std::uint64_t kMaxImageLength = 16u << 20;
inline constexpr std::size_t kBurstBufferSize = 1200;
inline constexpr int kMaxFailures = 5;
// A block sent again (asked for again, answered with a damaged acknowledgement
// or timed out) more often than this in a row ends the phase with
// TooManyFailures. Higher than kMaxFailures: on a noisy line a whole 1 KiB block
// is refused far more often than a short reply is lost.
inline constexpr int kMaxResends = 16;
// A frame whose first byte came must be whole within this many reply time-outs
// of the wait's start: a peer that trickles bytes cannot hold a wait open.
inline constexpr int kFrameWaitTimeouts = 2;
// Bursts of silence (LinkTimings::burstGap) that make the line quiet again
// after a damaged frame.
inline constexpr int kQuietBursts = 3;

inline constexpr std::size_t kTerminalInfoSize = 60, kDiskInfoSize = 8;

struct TerminalInfo {
    std::string model, firmware, serial, equipment; // at most 10, 10, 20, 20 characters
};

// A listing's answer: the bytes as the terminal sent them and the entry count
// (CR LF lines for the root, 32-byte entries for a disk or folder).
struct DirectoryListing {
    Bytes bytes;
    int count = 0;
};

struct DiskFigures {
    std::uint32_t capacity = 0, used = 0, freeSpace = 0; // bytes; used wraps when free > capacity
};

class TerminalLink {
public:
    explicit TerminalLink(Transport& transport, LinkTimings timings = {});
    virtual ~TerminalLink();
    TerminalLink(const TerminalLink&) = delete;
    TerminalLink& operator=(const TerminalLink&) = delete;

    // Any thread, once, right after construction: the handle the transport gave
    // at open. Hands the receive and clock events to the transport.
    void AttachPort(PortHandle handle);

    // Folder where files pushed by the terminal are written (created on demand).
    void SetReceiveFolder(const std::filesystem::path& folder);
    std::filesystem::path ReceiveFolder() const;
    // Days the receive folder's history keeps a file a newer push replaced.
    void SetReplacedKeepDays(int days) { replacedKeepDays.store(days); }
    // Not owned; must outlive the link or be reset before it goes.
    void SetObserver(LinkObserver* observer) { this->observer.store(observer); }

    // ---- Terminal operations (the caller's thread) ----
    // Each returns Busy, without sending anything, while another of them, the
    // clock's setting or a transfer started by the terminal holds the line
    // (one that finds the clock's setting in flight waits for it: milliseconds).
    // Each fails with UnexpectedData when the terminal answers with data of
    // another kind (a file it pushes): nothing is kept, the terminal offers its
    // push again later.

    // Ok; FileError (source not a regular file, unreadable, or 4 GiB and more:
    // its length would not fit the record); Refused; NoReply; BadReply;
    // FileInUse, DiskNotFormatted, DiskFull, FileExists, CannotStoreHere (answers
    // 1, 2, 3, 4, 6); FileError (answer 5); TooManyFailures; Cancelled;
    // TransportFailure(e); NotConfirmed (blocks were sent again and the file read
    // back differs from the bytes sent, even after sending it whole once more).
    LinkStatus DownloadFile(const std::filesystem::path& source, const std::string& terminalName,
                            std::uint8_t overwrite, bool showProgress, bool showName);
    // Ok; NoSuchFile (answer 2); FileError (answer 5, or the target cannot be
    // written); the statuses of a request. The target is replaced only when the
    // whole file has arrived.
    LinkStatus UploadFile(const std::string& terminalPath, const std::filesystem::path& target,
                          bool showProgress);
    // Ok with the listing in *listing (untouched on failure).
    LinkStatus ListDirectory(const std::string& path, DirectoryListing* listing);
    LinkStatus DeleteTerminalFile(const std::string& path);
    LinkStatus FormatDisk(const std::string& disk);
    LinkStatus GetDiskInfo(const std::string& disk, DiskFigures* figures);
    LinkStatus SetTerminalTime(const std::string& time14);
    // The clock worker's setting: takes the line only when it is free. Busy
    // when it is held; the link then signals clockEvent once that use has
    // ended, so that the worker sets the clock after it. Otherwise the
    // statuses of SetTerminalTime.
    LinkStatus TrySetTerminalTime(const std::string& time14);
    LinkStatus GetTerminalInfo(TerminalInfo* info);
    // FileError when the image is not a regular file, unreadable or larger
    // than kMaxImageLength; NoTerminalInfo; the install answers.
    LinkStatus InstallApplication(const std::filesystem::path& image, bool showProgress);

    // ---- Hooks ----
    Event clockEvent;                                 // the clock worker waits on it
    std::atomic<TransferProgress*> progress{nullptr}; // not owned; may be null
    std::atomic<int> cancel{0}; // a job's Cancel; cleared by the jobs. Pushes ignore it.

    const LinkTimings timings;

private:
    friend class LinkLayers; // byte-level tests of the phases below

    // Who holds the line. Scan is the receive thread looking at bytes no one
    // asked for, for the start of a push: microseconds.
    enum class Holder : int { None, User, Clock, Push, Scan };
    // Holds the line for one operation the user side starts, or learns that
    // another one has it (Held() false).
    class UserClaim {
    public:
        explicit UserClaim(TerminalLink& l) : link(l), held(l.ClaimForUser()) {}
        ~UserClaim()
        {
            if (held)
                link.Release();
        }
        bool Held() const { return held; }
        UserClaim(const UserClaim&) = delete;
        UserClaim& operator=(const UserClaim&) = delete;

    private:
        TerminalLink& link;
        const bool held;
    };
    // Where a data phase puts what it receives.
    struct PhaseSink {
        std::uint8_t expectedType = kDataTypeMemory;
        Bytes* memory = nullptr;                // type 4
        const std::atomic<int>* stop = nullptr; // the cancel that ends the phase
    };

    // True once the line is held for the user side; false when an operation of
    // the user side or a push holds it. Waits while the clock's setting or a
    // scan runs.
    bool ClaimForUser();
    // Frees the line and wakes the clock worker when it stepped back meanwhile.
    void Release();
    void WakeOwedClock();

    // ---- The protocol layers (the holder's thread) ----
    // The statuses of SendCommandFrame (answer 2 -> NotInInstallMode,
    // 3 -> AppAreaTooSmall) and SendData (255 -> TerminalFailure).
    LinkStatus SendCommand(std::uint8_t command, const std::uint8_t* data, std::uint32_t length,
                           bool showProgress, bool* resent = nullptr);
    // Ok (go ahead), the terminal's answer byte, Refused, BadReply, NoReply, TransportFailure(e).
    LinkStatus SendCommandFrame(std::uint8_t command, std::uint32_t parameter);
    // Ok, or NoReply when no byte arrived within the time-out; *delivered may be 0.
    LinkStatus ReadReply(std::uint8_t* destination, std::size_t wanted, std::size_t* delivered,
                         std::chrono::milliseconds timeout);
    // Ok, the terminal's block answer, TooManyFailures, Cancelled, TransportFailure(e).
    // *resent: a block had to be sent more than once.
    LinkStatus SendData(std::uint8_t command, const std::uint8_t* data, std::uint32_t length,
                        bool showProgress, bool* resent = nullptr);
    // One data phase from the terminal into sink. Ok, NoReply (no header),
    // Refused, BadReply, UnexpectedData (a header of another type), BadDataType,
    // FileError, BadRecord, TooManyFailures, Cancelled, LineGone.
    LinkStatus ReceiveData(const PhaseSink& sink, bool showProgress, bool allowEmpty);
    LinkStatus ReceivePhase(const PhaseSink& sink, bool showProgress, bool allowEmpty);
    // Ok or TransportFailure(e).
    LinkStatus SendHeaderAck(std::uint8_t type, bool take);
    LinkStatus SendBlockAck(std::uint8_t type, bool take);
    // A pushed file's block: Ok, FileError (cannot be stored), BadRecord.
    LinkStatus StoreFileBlock(const std::uint8_t* bytes, std::size_t count,
                              std::uint32_t announced);
    // The pushed file whole under its name: Ok, BadRecord (its length field
    // disagrees with the bytes that came), FileError.
    LinkStatus CommitPushedFile();
    // NoReply when no byte came within the reply time-out or the frame was not
    // whole within kFrameWaitTimeouts of them.
    LinkStatus ReadExactly(std::uint8_t* destination, std::size_t wanted);
    // Drops the ring and what keeps arriving until the line is quiet (at most
    // one reply time-out), so that the next read starts at a fresh frame.
    void Resynchronise();
    // Whether the count bytes in buffer begin the block stored last, sent again
    // because our acknowledgement was lost; reads the rest of it into buffer.
    bool IsBlockJustStored(std::uint8_t* buffer, std::size_t count, std::uint32_t blockIndex);
    // After a download whose blocks had to be sent again: reads the file back
    // and compares it with content. Ok, NotConfirmed (other bytes), or the read's failure.
    LinkStatus ReadBackMatches(const std::string& terminalName,
                               std::span<const std::uint8_t> content);
    // When the read-back fails: Ok when the folder's listing shows the file with
    // size bytes and the time stamp sent, NotConfirmed when it shows it otherwise
    // or not at all, or the listing's failure.
    LinkStatus ListedAsSent(const std::string& terminalName, std::size_t size,
                            const std::string& time14);
    // SendCommand(4) with the request byte, the text and CR LF (and a NUL for
    // an upload), without progress.
    LinkStatus SendRequest(std::uint8_t request, const std::string& text);
    // SendRequest, then the type-4 answer into *answer. mapSend maps a failed send.
    LinkStatus Request(std::uint8_t request, const std::string& text, bool allowEmpty,
                       LinkStatus (*mapSend)(LinkStatus), Bytes* answer);
    LinkStatus SetTimeRequest(const std::string& time14);
    LinkStatus ReadTerminalInfo(TerminalInfo* info);
    LinkStatus WriteAll(std::span<const std::uint8_t> bytes);
    void Purge();
    bool Stopping() const { return stopping.load(); }

    // ---- The receive thread and pushes ----
    void ReceiveThread();
    // With the line free: drops unread bytes that cannot begin a push header and
    // starts a push when a whole one leads the ring. The receive thread only.
    void ScanIdleBytes();
    void IncomingTransferThread();

    Transport& transport;
    std::atomic<PortHandle> port{kNoPort};
    Event receiveEvent; // transport -> receive thread
    Event dataEvent;    // receive thread -> reader
    Event spaceEvent;   // reader -> receive thread: the ring has room again
    RingBuffer ring;
    std::atomic<bool> stopping{false};
    std::atomic<int> pushCancel{0}; // set only when the link closes
    std::atomic<Holder> holder{Holder::None};
    std::atomic<int> usersWaiting{0};   // user operations waiting for the clock's setting
    std::atomic<bool> clockOwed{false}; // the clock stepped back: set it when the use ends
    std::atomic<LinkObserver*> observer{nullptr};
    // The push in progress (its thread only).
    IncomingFile incomingFile;
    std::string incomingName; // the terminal's name of the pushed file
    Bytes recordHead;         // record header and name collected across blocks
    std::uint32_t incomingFileLength = 0;
    std::uint64_t incomingWritten = 0; // file bytes stored so far
    bool pushStarted = false;          // its header was taken
    std::filesystem::path committedPath;
    const std::uint8_t frameByte2 = 1, frameByte3 = 0;
    mutable std::mutex folderMutex;
    std::filesystem::path receiveFolder;
    std::atomic<int> replacedKeepDays{kDefaultReplacedKeepDays};
    std::thread incomingThread;
    std::thread receiveThread; // last: starts once everything above exists
};
