// request_answers.h: the terminal's answers to the PC's requests (the data of
// command 4): listings, delete, upload, format, disk and terminal information,
// set time. The terminal's thread.
#pragma once

#include "sim/outgoing_data.h"

#include <cstdint>
#include <span>
#include <string>

class SimStorage;
class TerminalClock;

// The terminal's identity, as its information answer gives it.
struct TerminalIdentity {
    std::string model = "KV-2000";   // at most 10 characters are sent
    std::string firmware = "1.00";   // at most 10
    std::string serial = "00000001"; // at most 20
    std::string equipment = "KVSIM"; // at most 20
};

// The 60 bytes of the information answer: model, firmware, serial number and
// equipment identifier, each NUL-padded (10, 10, 20, 20 bytes).
Bytes TerminalInfoBytes(const TerminalIdentity& identity);

struct RequestAnswer {
    // Non-zero: the error code that the acknowledgement of the request's last
    // block carries; nothing follows. Zero: data follows.
    std::uint8_t error = 0;
    OutgoingData data;
};

struct RequestContext {
    SimStorage& storage;
    TerminalClock& clock;
    TerminalIdentity identity;
};

// Carries out the request (a delete deletes, a format formats) and gives the answer.
RequestAnswer AnswerRequest(std::span<const std::uint8_t> request, RequestContext& context);
