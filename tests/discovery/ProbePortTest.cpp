// The per-port probe against a far end that answers identification requests with chosen
// bytes: rates and passes, reply frames, the check byte, restarts, and the virtual time.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "discovery/ProbePort.h"
#include "registry/DefaultTypes.h"
#include "serial/Link.h"
#include "sim/VirtualPump.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const Bytes kRequest{0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56};

// Answers each complete identification request heard at `rate` with `reply`: the first
// byte `delay` after the request's last byte, the others 1 ms apart. Frames a real tav
// never sends (four bytes, a chosen wrong check byte) come from here.
class ScriptedLine : public SerialPort {
public:
    ScriptedLine(sim::VirtualPump& pump, std::string rate, Bytes reply, Instant delay)
        : pump_(pump), rate_(std::move(rate)), reply_(std::move(reply)), delay_(delay) {}

    bool PortOpen() const override { return open_; }
    void SetPortOpen(bool open) override { open_ = open; }
    void SetCommPort(std::int16_t) override {}
    std::int16_t CommPort() const override { return 1; }
    void SetRTSEnable(bool) override {}
    bool RTSEnable() const override { return false; }
    void SetSettings(const std::string& s) override { settings.push_back(s); }
    std::string Settings() const override { return settings.empty() ? "9600,n,8,1" : settings.back(); }
    std::int16_t InBufferCount() override { return static_cast<std::int16_t>(in_.size()); }
    Bytes Input() override { return std::exchange(in_, {}); }
    void Output(std::uint8_t byte) override {
        if (!open_) throw SerialError("port closed");
        sent.push_back(byte);
        heard_ = Settings() == rate_ ? heard_ + 1 : 0;  // bytes in a row at the answering rate
        if (heard_ < kRequest.size() || !std::equal(kRequest.begin(), kRequest.end(), sent.end() - 7)) return;
        for (std::size_t k = 0; k < reply_.size(); ++k)
            pump_.Schedule(pump_.Now() + delay_ + static_cast<int>(k) * 1ms,
                           [this, b = reply_[k]] { in_.push_back(b); });
    }

    Bytes sent;
    std::vector<std::string> settings;

private:
    sim::VirtualPump& pump_;
    std::string rate_;
    Bytes reply_;
    Instant delay_;
    bool open_ = false;
    std::size_t heard_ = 0;
    Bytes in_;
};

struct ProbeCase {
    const char* name;
    Bytes reply;
    bool restart;
    std::int32_t expected;
    int requests;          // identification requests after the break byte
    bool restartEachPass;  // 51 255 after every nine requests
    Instant took;
    Instant delay = 2ms;
    std::string rate = "9600,n,8,2";  // the one rate the far end answers at
};

// Attempt: seven request bytes 10 ms apart (70 ms), then up to 100 ms waiting; pass: nine
// attempts; break: 100 ms; dumb restart: 3010 ms. A pass that received bytes ends its
// 9600 wait at once (70 ms + 8 x 170 ms = 1430 ms). A table row answers 0x10 here.
const std::vector<ProbeCase> kCases{
    {"4800 baud, after five rates timed out", {0x44, 0x03, 0x09, 0xAF, 0x5A}, false, 0x090344, 6, false,
     100ms + 5 * 170ms + 70ms, 2ms, "4800,n,8,2"},
    {"four bytes: accepted after the full wait", {0x55, 0x01, 0x07, 0xA2}, false, 0x070155, 1, false, 270ms, 15ms},
    {"a fifth byte ends the wait at once", {0x55, 0x01, 0x07, 0xA2, 0x00}, false, 0x070155, 1, false,
     160ms + 15ms + 4ms, 15ms},
    // The strays would make a valid frame for 0x22 read from the start.
    {"seven bytes: two strays ahead", {0x22, 0x74, 0x66, 0x03, 0x02, 0x94, 0x3C}, false, 0x020366, 1, false, 170ms},
    {"check E8 passes", {0x10, 0x02, 0x05, 0xE8, 0x21}, false, 0x050210, 1, false, 170ms},
    {"check E7 fails, no restart", {0x10, 0x02, 0x05, 0xE7, 0x21}, false, 0, 27, false, 100ms + 3 * 1430ms},
    {"check E7 fails, dumb restart per pass", {0x10, 0x02, 0x05, 0xE7, 0x21}, true, 0, 27, true,
     100ms + 3 * (1430ms + 3010ms)},
    {"E6 stands for 99 whatever its check", {0xE6, 0x01, 0x03, 0x16, 0x5A}, false, 0x030199, 1, false, 170ms},
    {"unknown code counts as received", {0x14, 0x03, 0x08, 0xE0, 0x5A}, true, 0, 27, true,
     100ms + 3 * (1430ms + 3010ms)},
    {"silent: one pass, no restart", {}, true, 0, 9, false, 100ms + 9 * 170ms},
    // Code 0 is never a type, although the table holds a row without its reply code.
    {"code 0 matches no empty row", {0x00, 0x00, 0x00, 0xFF, 0x5A}, true, 0, 27, true, 100ms + 3 * (1430ms + 3010ms)},
};

TEST(ProbePort, RatesPassesFramesAndTheirVirtualTime) {
    const std::vector<std::string> rates{"110,n,8,2",   "9600,n,8,2",  "38400,n,8,2",
                                         "28800,n,8,2", "19200,n,8,2", "14400,n,8,2", "4800,n,8,2"};
    for (const ProbeCase& c : kCases) {
        SCOPED_TRACE(c.name);
        sim::VirtualPump pump;
        ScriptedLine line(pump, c.rate, c.reply, c.delay);
        Link link(line, pump);
        std::vector<TypeRow> types = DefaultTypeRows();
        types[34].Reply = 0x10;
        types.push_back(TypeRow{});  // an edited registry's row without subkeys
        line.SetPortOpen(true);

        const Instant start = pump.Now();
        const ProbeResult probe = ProbePort(link, types, c.restart);
        EXPECT_EQ(probe.identification, c.expected);
        // A restart follows an identification only; the line here never confirms one.
        EXPECT_EQ(probe.restart.has_value(), c.restart && c.expected != 0);
        EXPECT_EQ(pump.Now() - start, c.took);
        Bytes sent{0x00};
        for (int k = 1; k <= c.requests; ++k) {
            sent.insert(sent.end(), kRequest.begin(), kRequest.end());
            if (c.restartEachPass && k % 9 == 0) sent.insert(sent.end(), {51, 255});
        }
        EXPECT_EQ(line.sent, sent);
        if (c.expected != 0) {  // the break rate, then the rates in order up to the answer
            EXPECT_EQ(line.settings, std::vector<std::string>(rates.begin(), rates.begin() + 1 + c.requests));
        }
    }
}

}  // namespace
}  // namespace vantrel::test
