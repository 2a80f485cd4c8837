// serial_transport.h: the transport's twelve calls on the system's serial lines,
// through QSerialPort. Each open port has its own I/O thread, the only one that
// touches the device. Any thread may call; PortRead may run while another thread
// is in PortWrite or PortPurge on the same handle. No QCoreApplication is needed.
#pragma once

#include "link/transport.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QSettings;
class SerialLine;

// Error codes of PortLastError, beside kLineGoneError (107): the line is gone (the
// device hung up or was unplugged, the other side of a pseudo-terminal closed, an
// I/O error). A write to a gone line returns a short count and sets 107.
inline constexpr std::uint32_t kSerialNoSuchDevice = 2; // no such device or list entry; COMn, n < 1
inline constexpr std::uint32_t kSerialAccessDenied = 5; // the device is in use or not permitted
inline constexpr std::uint32_t kSerialBadHandle = 6;    // the handle is not (or no longer) open
inline constexpr std::uint32_t kSerialFailure = 31;     // any other failure of the device
inline constexpr std::uint32_t kSerialBadSetting =
    87; // BaudCode outside 1-6, or refused by the device
inline constexpr std::uint32_t kSerialWriteStalled = 121; // no byte left the port in time

// Received bytes held for PortRead; beyond this the device is not read until
// PortRead makes room, so the sender is held back instead of bytes being lost.
inline constexpr std::size_t kSerialReceiveLimit = 256 * 1024;

struct SerialOptions {
    // A write fails (short count, kSerialWriteStalled) when no byte leaves the port
    // for this long; a slow line keeps moving and never reaches it.
    std::chrono::milliseconds writeStallTimeout{3000};
    // The system's serial devices by path, in any order; empty: SystemSerialDevices.
    std::function<std::vector<std::string>()> listDevices;
};

class SerialTransport : public Transport {
public:
    // settings: group "Ports" maps "COMn" to a device path and lists "Extra" device
    // paths; not owned, outlives this; null: the user's settings of the program.
    explicit SerialTransport(QSettings* settings = nullptr, SerialOptions options = {});
    // Closes every port still open.
    ~SerialTransport() override;
    SerialTransport(const SerialTransport&) = delete;
    SerialTransport& operator=(const SerialTransport&) = delete;

    // Any thread. Re-reads the list: the system's serial devices (SortDevicePaths
    // order), then the settings' extra paths not already listed. Open ports stay open.
    void Refresh();
    // Any thread. The device of COMn: the settings' "Ports/COMn" when set, else
    // /dev/ttyS(n-1); empty for n < 1.
    std::string ComPortPath(int number);
    // Any thread. Opens the device at path, listed or not, at 115200 bit/s 8N1;
    // kNoPort on failure (PortLastError says why).
    PortHandle OpenDevice(const std::string& path);
    // Any thread. PortConfigure that returns the error (0: done) besides noting it.
    std::uint32_t ConfigureLine(PortHandle port, BaudCode baud);

    // SerialNumber opens COMn (ComPortPath), ListIndex the list's entry, DevicePath
    // the device named (only it uses the name). kNoPort on failure.
    PortHandle PortOpen(PortKind kind, int numberOrIndex, const std::string& name) override;
    // Returns once the port's I/O thread has ended; a PortWrite still waiting on
    // another thread returns short with kSerialBadHandle.
    void PortClose(PortHandle port) override;
    // Refreshes the list first (the start of every list walk), then counts it.
    int PortCount() override;
    // The longest name's length plus one for its NUL: a buffer of this size holds
    // every name whole.
    int PortNameLength() override;
    void PortName(int index, char* buffer, std::uint32_t* length) override;
    // 8 data bits, no parity, 1 stop bit, no flow control at the BaudCode speed;
    // the four fixed arguments are not used. Fails with kSerialBadSetting.
    void PortConfigure(PortHandle port, BaudCode baud, int a, int b, int c, int d) override;
    void PortSetReceiveEvent(PortHandle port, Event* event) override;
    // Set when DSR or DCD rises (a terminal set into its cradle) on a device that
    // reports its modem lines; never on one that does not, such as a pseudo-terminal.
    void PortSetSignalEvent(PortHandle port, Event* event) override;
    // Returns once every byte is handed to the system's driver, or short on failure
    // (107 line gone, 121 stalled, 6 not open).
    std::uint32_t PortWrite(PortHandle port, std::uint32_t count,
                            const std::uint8_t* bytes) override;
    std::uint32_t PortRead(PortHandle port, std::uint8_t* buffer, std::uint32_t capacity) override;
    // Discards every received byte not yet read, up to the driver's. Bytes that
    // PortWrite has reported written are still sent.
    void PortPurge(PortHandle port) override;
    std::uint32_t PortLastError() override;

private:
    std::shared_ptr<SerialLine> LineOf(PortHandle port);
    std::string SettingsText(const std::string& key);
    std::vector<std::string> ExtraPaths();

    std::unique_ptr<QSettings> ownSettings;
    QSettings* settings;
    std::mutex settingsMutex; // QSettings is not thread-safe
    const SerialOptions options;

    std::mutex mutex; // guards the list and the open ports
    std::vector<std::string> list;
    std::map<PortHandle, std::shared_ptr<SerialLine>> lines;
    PortHandle nextHandle = 1;
};

// The system's serial devices by path (QSerialPortInfo), unsorted.
std::vector<std::string> SystemSerialDevices();
// Orders device paths for the port list: /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*,
// then the rest; within each, numbers in numeric order (ttyS2 before ttyS10).
void SortDevicePaths(std::vector<std::string>& paths);
// Writes name with its NUL into buffer, truncated to *length bytes with the NUL,
// and sets *length to the name's full length. Nothing when buffer or length is
// null or *length is 0.
void CopyPortName(const std::string& name, char* buffer, std::uint32_t* length);
