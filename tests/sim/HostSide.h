#pragma once
// The host's side of the tav exchanges, written out by hand for the simulator's own
// tests: send bytes with the pacing the program uses, then wait on virtual time.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/VirtualPump.h"
#include "sim/VirtualSerialPort.h"

namespace vantrel::sim::test {

using namespace std::chrono_literals;

struct Host {
    VirtualPump pump;
    VirtualSerialPort port{pump};

    vantrel::Instant mark{};
    void ClearLogAndMark() {
        port.ClearLog();
        mark = pump.Now();
    }

    void Wait(vantrel::Instant d) { pump.AdvanceTo(pump.Now() + d); }

    // Lets time run until n bytes are waiting or `d` has passed; returns what is waiting.
    std::vector<std::uint8_t> WaitForBytes(vantrel::Instant d, int n) {
        const vantrel::Instant deadline = pump.Now() + d;
        while (pump.Now() < deadline && port.InBufferCount() < n) pump.RunPendingEvents(deadline);
        return port.Input();
    }

    // The identification request, each byte followed by 10 ms, then the 100 ms wait for 5.
    std::vector<std::uint8_t> Identify(const std::string& settings) {
        port.Input();
        port.SetSettings(settings);
        for (std::uint8_t b : {0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56}) {
            port.Output(b);
            Wait(10ms);
        }
        return WaitForBytes(100ms, 5);
    }

    void Break() {
        port.SetSettings("110,n,8,2");
        port.Output(0x00);
        Wait(100ms);
    }

    // Command byte at odd parity, 10 ms, the rest at even parity back to back, then the
    // reply wait.
    std::vector<std::uint8_t> Frame(std::uint8_t command, const std::vector<std::uint8_t>& rest,
                                    vantrel::Instant wait = 500ms, int n = 2) {
        port.Input();
        port.SetSettings("9600,o,8,1");
        port.Output(command);
        Wait(10ms);
        port.SetSettings("9600,e,8,1");
        for (std::uint8_t b : rest) port.Output(b);
        return WaitForBytes(wait, n);
    }
};

// A 19-byte loader block: address low, high, 16 data bytes, check byte.
inline std::vector<std::uint8_t> Block(std::uint16_t wordAddress, std::uint8_t firstData) {
    std::vector<std::uint8_t> block{static_cast<std::uint8_t>(wordAddress & 0xFF),
                                    static_cast<std::uint8_t>(wordAddress >> 8)};
    for (int i = 0; i < 16; ++i) block.push_back(static_cast<std::uint8_t>(firstData + 7 * i));
    unsigned sum = 0;
    for (std::uint8_t b : block) sum += b;
    block.push_back(static_cast<std::uint8_t>(255 - sum % 256));
    return block;
}

}  // namespace vantrel::sim::test
