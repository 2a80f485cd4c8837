// connection_rules.h: the record a connection is opened with and the decisions
// around it that need no window: speed codes, the transmission list's first line,
// how a port is opened, which connections a device change closes. Pure, any thread.
#pragma once

#include "link/transport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <optional>

// Leading blanks, an optional sign, digits up to the first other character; no
// digits gives 0. Values beyond 32 bits keep their low 32 bits.
int AtoiValue(const QString& text);

// What the connect setup dialog edits in place. A copy takes the lock's value
// at the time of copying.
struct ConnectionSettings {
    PortHandle handle = kNoPort;
    QString portName; // as listed; also the connection's title
    int baudCode = 0; // BaudCode 1-6; 0 before the first choice
    // Set while an automatic transmission runs: port and speed fixed. Read by
    // any thread.
    std::atomic<int> transmissionLock{0};

    ConnectionSettings() = default;
    ConnectionSettings(const ConnectionSettings& other) { *this = other; }
    ConnectionSettings& operator=(const ConnectionSettings& other)
    {
        handle = other.handle;
        portName = other.portName;
        baudCode = other.baudCode;
        transmissionLock.store(other.transmissionLock.load());
        return *this;
    }
};

// The speed texts of the dialog, BaudCode 1 first.
QStringList BaudRateTexts();
// Exact matches of 4800 ... 57600 give 1-5; any other number gives 6 (115200).
int BaudCodeForRate(long long rate);
// The speed list's index for a code: code - 1 for 1-5, otherwise 5 (115200).
int BaudIndexForCode(int baudCode);
// The speed list is offered for a serial line (IsSerialLineText) while no
// automatic transmission holds the settings.
bool SpeedListEnabled(const QString& portText, int transmissionLock);

// Port and speed from the first line of a transmission list: "com2:57600" then CR LF.
// nullopt when the ":" or the CR LF is missing, the port part is empty or not
// printable, or the number part is not all digits.
struct TransmissionTarget {
    QString portName; // upper-cased, except a device path ("/dev/..."), kept as written
    int baudCode = 0;
};
std::optional<TransmissionTarget> ParseTransmissionListHead(const QByteArray& head);

// A string value of the sibling program's Transmission key: at most 254 bytes,
// so that it fits 255 with its terminating zero. nullopt when the value is
// missing or longer.
std::optional<QString> TransmissionText(const QVariant& value);
// Its 32-bit "Baud" value; nullopt when missing, not a number or beyond 32 bits.
std::optional<long long> TransmissionBaud(const QVariant& value);

// A serial line's name: it contains "COM" or begins with "/dev/", both without
// regard to case. The one rule for every decision that tells serial lines from
// the other ports.
bool IsSerialLineText(const QString& portName);

// 1-based position of portName in names, compared without regard to case; 0 if absent.
int FindPortPosition(const QStringList& names, const QString& portName);

// How OnNewDocument opens a port: a device path ("/dev/...", any case) by the
// path as written; a name containing "COM" (any case) by the number after its
// first three characters; otherwise by list position, and not at all when the
// position is 0.
struct PortOpenChoice {
    PortKind kind = PortKind::ListIndex;
    int numberOrIndex = 0;
};
std::optional<PortOpenChoice> ChoosePortOpen(const QString& portName, int listPosition);

// A device change closes a connection whose port is gone: title is the
// connection window's title, ports the transport's list now. Windows that never
// connected ("KVFile..."), COM ports and other serial lines always stay.
bool ShouldCloseOnDeviceChange(const QString& title, const QStringList& ports);
