// terminal_link.h: the protocol engine of one open connection. Its receive thread
// moves every byte from the port into the ring; the operations below run on the
// caller's thread (one PC-side operation at a time per link, the callers' duty).
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
    // 1, 2, 3, 4, 6); FileError (answer 5); TooManyFailures; Cancelled; TransportFailure(e).
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
    LinkStatus GetTerminalInfo(TerminalInfo* info);
    LinkStatus InstallApplication(const std::filesystem::path& image, bool showProgress);

    // ---- The protocol layers (the operation's thread) ----
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

    // The last data phase kept in memory (type 4); valid until the next receive.
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

    void ReceiveThread();
    void IncomingTransferThread(std::uint32_t headerPosition);
    void StartIncomingTransfer(std::uint32_t headerPosition);
    LinkStatus ReceivePhase(bool showProgress, bool allowEmpty);
    LinkStatus StoreFileBlock(const std::uint8_t* bytes, std::size_t count);
    LinkStatus ReadExactly(std::uint8_t* destination, std::size_t wanted);
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
    std::atomic<int> activeOperations{0}; // PC-side operations in progress
    std::atomic<int> exchanges{0};        // phases moving bytes now
    std::atomic<LinkObserver*> observer{nullptr};
    IncomingFile incomingFile;
    std::string incomingName; // the terminal's name of the pushed file
    Bytes recordHead;         // record header and name collected across blocks
    bool receivingFile = false;
    mutable std::mutex folderMutex;
    std::filesystem::path receiveFolder;
    std::thread incomingThread;
    std::thread receiveThread; // last: starts once everything above exists
};
