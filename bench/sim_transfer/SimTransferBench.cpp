// Drives 1024 record frames and the completion through VirtualSerialPort to a simulated
// tav, paced as the program paces them, and reports the real time it took (the virtual
// time is what the exchange would take on a real line).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "sim/TavDevice.h"
#include "sim/VirtualPump.h"
#include "sim/VirtualSerialPort.h"

namespace {

using namespace std::chrono_literals;
using vantrel::sim::TavDevice;
using vantrel::sim::VirtualPump;
using vantrel::sim::VirtualSerialPort;

std::vector<std::uint8_t> Frame(VirtualPump& pump, VirtualSerialPort& port, std::uint8_t command,
                                const std::vector<std::uint8_t>& rest) {
    port.Input();
    port.SetSettings("9600,o,8,1");
    port.Output(command);
    pump.AdvanceTo(pump.Now() + 10ms);
    port.SetSettings("9600,e,8,1");
    for (std::uint8_t b : rest) port.Output(b);
    const auto deadline = pump.Now() + 500ms;
    while (pump.Now() < deadline && port.InBufferCount() < 2) pump.RunPendingEvents(deadline);
    return port.Input();
}

double RunOnce(double& virtualSeconds) {
    VirtualPump pump;
    VirtualSerialPort port(pump);
    TavDevice tav;
    port.AttachTav(1, tav);
    port.SetPortOpen(true);
    const auto realStart = std::chrono::steady_clock::now();
    for (int i = 1023; i >= 0; --i) {
        std::vector<std::uint8_t> block{static_cast<std::uint8_t>(8 * i), static_cast<std::uint8_t>((8 * i) >> 8)};
        unsigned sum = block[0] + block[1];
        for (int k = 0; k < 16; ++k) {
            block.push_back(static_cast<std::uint8_t>(i + 13 * k));
            sum += block.back();
        }
        block.push_back(static_cast<std::uint8_t>(255 - sum % 256));
        if (Frame(pump, port, 161, block).at(0) != 15) std::fprintf(stderr, "record %d not acknowledged\n", i);
    }
    Frame(pump, port, 21, {234});
    const auto realEnd = std::chrono::steady_clock::now();
    virtualSeconds = std::chrono::duration<double>(pump.Now()).count();
    if (tav.Memory().size() != 1024) std::fprintf(stderr, "image incomplete\n");
    return std::chrono::duration<double, std::milli>(realEnd - realStart).count();
}

}  // namespace

int main() {
    double best = 1e9, virtualSeconds = 0;
    for (int run = 0; run < 5; ++run) {
        const double ms = RunOnce(virtualSeconds);
        if (ms < best) best = ms;
    }
    std::printf("1024-record exchange: %.2f ms real (best of 5), %.2f s virtual\n", best, virtualSeconds);
    return 0;
}
