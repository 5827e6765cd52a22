#pragma once
// The simulator's wire log read back as the command frames the tav heard: a command byte
// at "9600,o,8,1" and the bytes at "9600,e,8,1" after it.

#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/TavDevice.h"
#include "sim/VirtualSerialPort.h"

namespace vantrel::sim {

inline bool operator==(const StoredRecord& a, const StoredRecord& b) {
    return a.wordAddress == b.wordAddress && a.data == b.data;
}

}  // namespace vantrel::sim

namespace vantrel::test {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

struct WireFrame {
    std::uint8_t command = 0;
    Bytes payload;
    Instant at{};      // command byte handed over
    bool rts = false;  // RTS while the command byte went out
};

inline std::vector<WireFrame> Frames(const sim::VirtualSerialPort& port) {
    using Kind = sim::VirtualSerialPort::WireEvent::Kind;
    std::vector<WireFrame> frames;
    bool rts = false;
    for (const auto& e : port.Log()) {
        if (e.kind == Kind::Rts) rts = e.byte != 0;
        if (e.kind != Kind::Sent) continue;
        if (e.text == "9600,o,8,1")
            frames.push_back({e.byte, {}, e.at, rts});
        else if (e.text == "9600,e,8,1" && !frames.empty())
            frames.back().payload.push_back(e.byte);
    }
    return frames;
}

inline Bytes Commands(const sim::VirtualSerialPort& port) {
    Bytes commands;
    for (const auto& f : Frames(port)) commands.push_back(f.command);
    return commands;
}

}  // namespace vantrel::test
