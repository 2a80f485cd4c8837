// line_transport.h: the transport's twelve calls over in-process lines. Each
// named port is one end of a line; its list position opens it. Thread-safe.
#pragma once

#include "link/transport.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class LineEnd;

class LineTransport : public Transport {
public:
    // Appends a port to the list; the 1-based list position opens it.
    void AddPort(const std::string& name, std::shared_ptr<LineEnd> end);
    // The terminal on the port at list position index was set into its cradle:
    // sets the port's signal event. False when that port is not open.
    bool ShowDocking(int index);

    PortHandle PortOpen(PortKind kind, int numberOrIndex, const std::string& name) override;
    void PortClose(PortHandle port) override;
    int PortCount() override;
    int PortNameLength() override;
    void PortName(int index, char* buffer, std::uint32_t* length) override;
    void PortConfigure(PortHandle port, BaudCode baud, int a, int b, int c, int d) override;
    void PortSetReceiveEvent(PortHandle port, Event* event) override;
    void PortSetSignalEvent(PortHandle port, Event* event) override;
    std::uint32_t PortWrite(PortHandle port, std::uint32_t count,
                            const std::uint8_t* bytes) override;
    std::uint32_t PortRead(PortHandle port, std::uint8_t* buffer, std::uint32_t capacity) override;
    void PortPurge(PortHandle port) override;
    std::uint32_t PortLastError() override;

private:
    struct Port {
        std::string name;
        std::shared_ptr<LineEnd> end;
        bool open = false;
        Event* signalEvent = nullptr;
    };
    std::shared_ptr<LineEnd> EndOf(PortHandle port);

    std::mutex mutex;
    std::vector<Port> ports;
};

// Transport error codes of the in-process line.
inline constexpr std::uint32_t kErrorNoSuchPort = 2, kErrorPortInUse = 5;
