// The tav model alone: hand-built bytes in with their line settings, reply bytes out
// with their instants. Wire constants are written out here as the host sees them.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "sim/TavDevice.h"

namespace vantrel::sim {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const Bytes kRequest{0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56};
constexpr int J = -1;  // in a reply: a junk byte, anything but an acknowledgement (15 or 240)

// An identification request (FF first), each byte one character time plus 10 ms after the
// last, at 9600 8N2 unless `first` says otherwise; or a command frame: the command byte
// at `first` (9600 odd parity), 10 ms, the rest back to back at `rest` (9600 even parity).
struct Step {
    Bytes sent;
    std::vector<int> reply;
    const char* first = nullptr;
    const char* rest = nullptr;
    bool rts = false;
};

TEST(TavDevice, AnswersHandBuiltExchangesAsTheTavAndItsFaultsWould) {
    const double ch = 11.0 / 9600 * 1000;  // ms per character at 9600 with parity or 2 stop bits
    // Loader frames: command, word address low and high, 16 data bytes, check byte making
    // the 19 bytes after the command sum to 255 (ones: 4660, sixteen 1s; bad: its check byte wrong).
    const Bytes ones{161, 52, 18, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 169};
    const Bytes bad{161, 52, 18, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 170};
    const Bytes a{161, 0, 3, 23, 30, 37, 44, 51, 58, 65, 72, 79, 86, 93, 100, 107, 114, 121, 128, 68};
    const Bytes ir{136, 2, 3, 77, 84, 91, 98, 105, 112, 119, 126, 133, 140, 147, 154, 161, 168, 175, 182, 226};
    const Bytes restart{51, 255}, completion{21, 234};
    const std::vector<int> id{0x11, 2, 5, 0xE7, 0x5A}, restarted{240, 0x33}, ackA{15, a[19]};
    struct Case {
        const char* name;
        TavProfile profile;
        TavFaults faults;
        std::vector<Step> steps;
        std::size_t stored = 0;  // records the tav keeps
        double lastByteMs = 0;   // last reply byte after the last byte sent (0: not checked)
    };
    const Case cases[] = {
        {"a sound tav", {.baud = 4800, .irMajor = 6, .irMinor = 14}, {},
         {{restart, {}, "9600,e,8,1"}, {restart, {}, "9600,n,8,1"}, {restart, {}, "4800,o,8,1"},
          {restart, {}, nullptr, "9600,o,8,1"}, {restart, {}, nullptr, "9600,n,8,1"}, {restart, {}, nullptr, "4800,e,8,1"},
          {{51, 254}, {}}, {{21, 255}, {}}, {restart, restarted}, {{119, 255}, {240, 0x77}},
          {{153, 255}, {153, 6, 14, 82, 0x44}}, {completion, {15, 0xC3}}, {ones, {15, 169}}, {bad, {0x55, 170}},
          {ir, {}}, {kRequest, {}}, {kRequest, {}, "4800,e,8,2"}, {kRequest, {}, "4800,o,8,2"},
          {kRequest, id, "4800,n,8,2"}}, 1, 1.5 + 5 * 11.0 / 4800 * 1000},
        {"silent", {}, {.silent = true}, {{kRequest, {}}, {restart, {}}}},
        {"loaderOnly", {}, {.loaderOnly = true}, {{kRequest, {}}, {a, ackA}}, 1},
        {"wrongCheckByte", {}, {.wrongCheckByte = true}, {{kRequest, {0x11, 2, 5, 0xE8, 0x5A}}}},
        {"answerAfterRequests", {}, {.answerAfterRequests = 2}, {{kRequest, {}}, {kRequest, {}}, {kRequest, id}}},
        {"wrongAckRecords", {}, {.wrongAckRecords = 2}, {{a, {240, a[19]}}, {a, {240, a[19]}}, {a, ackA}}, 1},
        {"wrongAckRecords, IR micro", {.irMicro = true}, {.wrongAckRecords = 1},
         {{a, {}}, {ir, {15, ir[19]}}, {ir, {240, ir[19]}}}, 1},
        {"noAck", {}, {.noAck = true}, {{a, {}}, {completion, {15, 0xC3}}}},
        {"wrongCompletions", {}, {.wrongCompletions = 2},
         {{completion, {240, 0xC3}}, {completion, {240, 0xC3}}, {completion, {15, 0xC3}}}},
        {"lateReply", {}, {.lateReply = true}, {{restart, restarted}}, 0, 600 + 1.5 + 2 * ch},
        {"strayBytesBeforeReply", {}, {.strayBytesBeforeReply = 2},
         {{kRequest, {J, J, 0x11, 2, 5, 0xE7, 0x5A}}, {a, {J, J, 15, a[19]}}}, 1},
        {"garbage", {}, {.garbage = true},
         {{restart, restarted}, {restart, restarted}, {restart, {240, 0x33, J}}}, 0, 1.5 + 3 * ch + 3},
        {"unplugAfterRecords", {}, {.unplugAfterRecords = 1}, {{a, ackA}, {a, {}}, {restart, {}}, {kRequest, {}}}, 1},
        {"rtsRequired", {.replyCode = 0xE6}, {.rtsRequired = true},
         {{kRequest, {}}, {kRequest, {0xE6, 2, 5, 0x12, 0x5A}, nullptr, nullptr, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TavDevice tav(c.profile, c.faults);
        vantrel::Instant t{};
        std::vector<Reply> replies;
        for (const Step& s : c.steps) {
            replies.clear();
            const bool identification = s.sent[0] == 0xFF;
            const char* first = s.first ? s.first : identification ? "9600,n,8,2" : "9600,o,8,1";
            const char* rest = s.rest ? s.rest : identification ? first : "9600,e,8,1";
            for (std::size_t i = 0; i < s.sent.size(); ++i) {
                const auto line = *vantrel::ParseLineSettings(i == 0 ? first : rest);
                t += ByteTime(line) + (i == 0 || identification ? 10ms : 0ms);
                for (const Reply& r : tav.Receive(s.sent[i], line, s.rts, t)) replies.push_back(r);
            }
            std::vector<int> got, want = s.reply;
            for (const Reply& r : replies) got.push_back(r.byte);
            for (std::size_t i = 0; i < want.size() && i < got.size(); ++i)
                if (want[i] == J && got[i] != 15 && got[i] != 240) want[i] = got[i];
            EXPECT_EQ(got, want) << "after " << testing::PrintToString(s.sent);
        }
        EXPECT_EQ(tav.Records().size(), c.stored);
        const double lastMs = replies.empty() ? 0 : std::chrono::duration<double, std::milli>(replies.back().at - t).count();
        EXPECT_NEAR(c.lastByteMs > 0 ? lastMs : 0, c.lastByteMs, 0.001);
    }
}

}  // namespace
}  // namespace vantrel::sim
