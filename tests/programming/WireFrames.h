#pragma once
// Reads the virtual port's wire log as the tav hears it: command frames (a byte at
// "9600,o,8,1" and the bytes at "9600,e,8,1" after it), each with its send instant and
// the RTS state in force.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/VirtualSerialPort.h"

namespace vantrel::test {

struct WireFrame {
    std::uint8_t command = 0;
    std::vector<std::uint8_t> payload;
    Instant at{};            // command byte handed over
    bool rts = false;        // RTS while the command byte went out
    bool payloadRts = false; // RTS while the last payload byte went out
};

inline std::vector<WireFrame> FramesOf(const sim::VirtualSerialPort& port, int comPort) {
    using Kind = sim::VirtualSerialPort::WireEvent::Kind;
    std::vector<WireFrame> frames;
    bool rts = false, inFrame = false;
    for (const auto& e : port.Log()) {
        if (e.kind == Kind::Rts) rts = e.byte != 0;
        if (e.comPort != comPort || e.kind != Kind::Sent) continue;
        if (e.text == "9600,o,8,1") {
            frames.push_back({e.byte, {}, e.at, rts, rts});
            inFrame = true;
        } else if (inFrame && e.text == "9600,e,8,1") {
            frames.back().payload.push_back(e.byte);
            frames.back().payloadRts = rts;
        } else {
            inFrame = false;  // probe traffic
        }
    }
    return frames;
}

inline std::vector<std::uint8_t> CommandsOf(const std::vector<WireFrame>& frames) {
    std::vector<std::uint8_t> commands;
    for (const auto& f : frames) commands.push_back(f.command);
    return commands;
}

inline double Ms(Instant d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace vantrel::test
