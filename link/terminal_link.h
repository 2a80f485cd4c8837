// terminal_link.h: the protocol engine of one open connection. Its receive thread
// moves every byte from the port into the ring; the operations below run on the
// caller's thread. The link serves one operation at a time and enforces it
// itself: a second operation started meanwhile is refused with Busy, and the
// clock worker's setting only ever takes a free link.
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

class TerminalLink {
public:
    explicit TerminalLink(Transport& transport, LinkTimings timings = {});
    virtual ~TerminalLink();
    TerminalLink(const TerminalLink&) = delete;
    TerminalLink& operator=(const TerminalLink&) = delete;

    // Any thread, once, right after construction: the handle the transport gave
    // at open. Hands receiveEvent and clockEvent to the transport.
    void AttachPort(PortHandle handle);

    // Folder where files pushed by the terminal are written (created on demand).
    void SetReceiveFolder(const std::filesystem::path& folder);
    std::filesystem::path ReceiveFolder() const;
    // Not owned; must outlive the link or be reset before it goes.
    void SetObserver(LinkObserver* observer) { this->observer.store(observer); }

    // ---- Terminal operations (the caller's thread) ----
    // Ok; FileError (source unreadable, or 4 GiB and more: its length would not
    // fit the record); Busy; Refused; NoReply; BadReply;
    // FileInUse, DiskNotFormatted, DiskFull, FileExists, CannotStoreHere (answers
    // 1, 2, 3, 4, 6); FileError (answer 5); TooManyFailures; Cancelled; TransportFailure(e);
    // NotConfirmed (blocks were sent again and the listing then lacks the whole file).
    LinkStatus DownloadFile(const std::filesystem::path& source, const std::string& terminalName,
                            std::uint8_t overwrite, bool showProgress, bool showName);
    // Ok; NoSuchFile (answer 2); FileError (answer 5, or the target cannot be
    // written); the statuses of SendCommand and ReceiveData. The target is
    // replaced only when the whole file has arrived.
    LinkStatus UploadFile(const std::string& terminalPath, const std::filesystem::path& target,
                          bool showProgress);
    // The listing's bytes (receivedData) and the entry count, or null on any
    // failure; *status (when given) says why.
    const std::uint8_t* ListDirectory(const std::string& path, int* count,
                                      LinkStatus* status = nullptr);
    LinkStatus DeleteTerminalFile(const std::string& path);
    LinkStatus FormatDisk(const std::string& disk);
    LinkStatus GetDiskInfo(const std::string& disk, std::uint32_t* capacity, std::uint32_t* used,
                           std::uint32_t* freeSpace);
    LinkStatus SetTerminalTime(const std::string& time14);
    // The clock worker's setting: takes the link only when it is free. Busy
    // when it is in use; the link then signals clockEvent once that use has
    // ended, so that the worker sets the clock after it. Otherwise the
    // statuses of SetTerminalTime. Leaves receivedData and receivedLength as
    // the last operation left them.
    LinkStatus TrySetTerminalTime(const std::string& time14);
    LinkStatus GetTerminalInfo(TerminalInfo* info);
    LinkStatus InstallApplication(const std::filesystem::path& image, bool showProgress);
    // Each operation above but TrySetTerminalTime returns Busy, without sending
    // anything, while another of them or a transfer started by the terminal
    // uses the link. One that finds the clock worker's setting in flight waits
    // for it (milliseconds).

    // ---- The protocol layers (the operation's thread, inside an operation) ----
    // Busy; the statuses of SendCommandFrame (answer 2 -> NotInInstallMode,
    // 3 -> AppAreaTooSmall) and SendData (255 -> TerminalFailure).
    LinkStatus SendCommand(std::uint8_t command, const std::uint8_t* data, std::uint32_t length,
                           bool showProgress);
    // Ok (go ahead), the terminal's answer byte, Refused, BadReply, NoReply, TransportFailure(e).
    LinkStatus SendCommandFrame(std::uint8_t command, std::uint32_t parameter);
    // Ok, or NoReply when no byte arrived within the time-out; *delivered may be 0.
    LinkStatus ReadReply(std::uint8_t* destination, std::size_t wanted, std::size_t* delivered,
                         std::chrono::milliseconds timeout);
    // The reply's result byte, Refused (command form, accept 0) or BadReply.
    LinkStatus CheckAcknowledgement(bool block, std::uint8_t command,
                                    std::span<const std::uint8_t> reply);
    // Ok, the terminal's block answer, TooManyFailures, Cancelled, TransportFailure(e).
    LinkStatus SendData(std::uint8_t command, const std::uint8_t* data, std::uint32_t length,
                        bool showProgress);
    // Ok, NoReply (no header), Refused, BadReply, BadDataType, FileError,
    // TooManyFailures, Cancelled, LineGone.
    LinkStatus ReceiveData(bool showProgress, bool allowEmpty);
    // Ok, Refused, BadReply; sets incomingType and receivedLength.
    LinkStatus CheckDataHeader(std::span<const std::uint8_t> header);
    // Ok or TransportFailure(e).
    LinkStatus SendAcknowledgement(bool block, std::uint8_t value);
    // Ok or BadReply; copies the data into blockData.
    LinkStatus CheckDataBlock(const std::uint8_t* block, std::size_t count);
    // Ok, BadDataType, FileError, TooManyFailures (more data than announced).
    LinkStatus StoreDataBlock(std::size_t count);

    // ---- Fields shared with the callers ----
    std::atomic<PortHandle> port{kNoPort};
    Event receiveEvent; // transport -> receive thread
    Event dataEvent;    // receive thread -> reader
    Event clockEvent;   // the clock-synchronisation thread waits on it
    std::atomic<TransferProgress*> progress{nullptr}; // not owned; may be null
    std::atomic<int> cancel{0};                       // set by Cancel, cleared by the jobs
    std::atomic<int> busy{0}; // 1 while a transfer started by the terminal runs

    // The last data phase kept in memory (type 4) by an operation of the user
    // side; valid until the next one. The clock's settings and the terminal's
    // own transfers leave it alone.
    std::vector<std::uint8_t> receivedData;
    std::uint32_t receivedLength = 0;
    std::atomic<int> incomingType{0};
    std::uint32_t blockIndex = 0;
    std::array<std::uint8_t, kMaxBlockData> blockData{};
    std::uint32_t incomingFileLength = 0;
    std::uint16_t incomingNameLength = 0;
    const std::uint8_t frameByte2 = 1, frameByte3 = 0;

    const LinkTimings timings;

private:
    // Who holds the link for an operation.
    enum class Holder : int { None, User, Clock };
    // Holds the link for one operation the user side starts, or learns that
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
    // Sends the data of a memory receive to a buffer of its own for as long
    // as it lives, so that receivedData and receivedLength keep what the last
    // operation left there for its caller. Only while no other thread can
    // receive on the link.
    class AnswerAside {
    public:
        explicit AnswerAside(TerminalLink& l) : link(l)
        {
            link.answerData = &data;
            link.answerLength = &length;
        }
        ~AnswerAside()
        {
            link.answerData = &link.receivedData;
            link.answerLength = &link.receivedLength;
        }
        AnswerAside(const AnswerAside&) = delete;
        AnswerAside& operator=(const AnswerAside&) = delete;

    private:
        TerminalLink& link;
        std::vector<std::uint8_t> data;
        std::uint32_t length = 0;
    };
    // Marks a PC-side operation: while one runs, the link takes no transfer
    // started by the terminal (and a started one makes it answer Busy).
    class OperationScope {
    public:
        explicit OperationScope(TerminalLink& l) : link(l) { link.activeOperations.fetch_add(1); }
        ~OperationScope() { link.activeOperations.fetch_sub(1); }
        OperationScope(const OperationScope&) = delete;
        OperationScope& operator=(const OperationScope&) = delete;

    private:
        TerminalLink& link;
    };
    // Marks a command or data phase moving bytes: while one runs, a burst may
    // be part of it, never the start of a transfer of the terminal's own.
    class ExchangeScope {
    public:
        explicit ExchangeScope(TerminalLink& l) : link(l) { link.exchanges.fetch_add(1); }
        ~ExchangeScope() { link.exchanges.fetch_sub(1); }
        ExchangeScope(const ExchangeScope&) = delete;
        ExchangeScope& operator=(const ExchangeScope&) = delete;

    private:
        TerminalLink& link;
    };

    // True once the link is held for the user side; false when another
    // operation of the user side holds it. Waits while the clock's setting
    // runs.
    bool ClaimForUser();
    // Frees the link and wakes the clock worker when it stepped back meanwhile.
    void Release();
    // Signals clockEvent when the clock worker stepped back for a use now ended.
    void WakeOwedClock();
    // The clock's setting on a link it holds: Busy while the terminal's own
    // transfer runs.
    LinkStatus SetTimeAside(const std::string& time14);
    LinkStatus SetTimeRequest(const std::string& time14);
    LinkStatus ReadTerminalInfo(TerminalInfo* info);
    void ReceiveThread();
    void IncomingTransferThread(std::uint32_t headerPosition);
    void StartIncomingTransfer(std::uint32_t headerPosition);
    LinkStatus ReceivePhase(bool showProgress, bool allowEmpty);
    LinkStatus StoreFileBlock(const std::uint8_t* bytes, std::size_t count);
    // NoReply when no byte came within the reply time-out or the frame was not
    // whole within kFrameWaitTimeouts of them.
    LinkStatus ReadExactly(std::uint8_t* destination, std::size_t wanted);
    // Drops the ring and what keeps arriving until the line is quiet (at most
    // one reply time-out), so that the next read starts at a fresh frame.
    void Resynchronise();
    // Whether the count bytes in buffer begin the block stored last, sent again
    // because our acknowledgement was lost; reads the rest of it into buffer.
    bool IsBlockJustStored(std::uint8_t* buffer, std::size_t count);
    // After a download whose blocks had to be sent again: whether the
    // terminal's listing shows the file whole. An acknowledgement carries no
    // block number, so a late one can make the PC run a block ahead.
    LinkStatus ConfirmStored(const std::string& terminalName, std::uint32_t fileLength);
    // SendCommand(4) with the request byte, the text and CR LF (and a NUL for
    // an upload), without progress.
    LinkStatus SendRequest(std::uint8_t request, const std::string& text);
    // SendRequest, then ReceiveData of the answer. mapSend maps a failed send.
    LinkStatus Request(std::uint8_t request, const std::string& text, bool allowEmpty,
                       LinkStatus (*mapSend)(LinkStatus));
    LinkStatus WriteAll(std::span<const std::uint8_t> bytes);
    void Purge();
    bool Stopping() const { return stopping.load(); }

    Transport& transport;
    RingBuffer ring;
    Event spaceEvent; // reader -> receive thread: the ring has room again
    std::atomic<bool> stopping{false};
    std::atomic<Holder> holder{Holder::None};
    std::atomic<int> usersWaiting{0};   // user operations waiting for the clock's setting
    std::atomic<bool> clockOwed{false}; // the clock stepped back: set it when the use ends
    std::vector<std::uint8_t>* answerData = &receivedData; // where a memory receive goes
    std::uint32_t* answerLength = &receivedLength;
    std::atomic<int> activeOperations{0}; // PC-side operations in progress
    std::atomic<int> exchanges{0};        // phases moving bytes now
    std::atomic<LinkObserver*> observer{nullptr};
    IncomingFile incomingFile;
    std::string incomingName; // the terminal's name of the pushed file
    Bytes recordHead;         // record header and name collected across blocks
    bool receivingFile = false;
    bool phaseResent = false; // the last SendData sent a block more than once
    mutable std::mutex folderMutex;
    std::filesystem::path receiveFolder;
    std::thread incomingThread;
    std::thread receiveThread; // last: starts once everything above exists
};
