// The two loader exchanges: one record (block on the wire, acknowledgement, seven attempts)
// and the completion (21 then 234, up to four frames, the outcome box), with their timing.

#include <tuple>

#include "app/TavCommands.h"

#include "ProgrammingRig.h"

namespace vantrel::test {
namespace {

TEST(SendRecord, BlocksGoOutAsCommandAndNineteenBytesAndAnAcknowledgementEndsTheWait) {
    Rig r(3, 0x11);
    r.OpenCom2();
    r.w.Records[0] = {};  // word address 0, sixteen 0 bytes
    r.w.Records[1] = {4660, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}};
    r.w.Records[2].WordAddress = -32768;  // goes out as its 16-bit pattern, 00 80
    const Instant took = r.sim.Timed([&] {
        for (std::int16_t i = 0; i < 3; ++i) EXPECT_TRUE(SendRecord(r.w, i, false));
    });
    // One frame each; the reply (15, then the check byte) ends each 500 ms wait at once.
    const auto frames = r.Frames();
    ASSERT_EQ(r.Commands(), (Bytes{161, 161, 161}));
    EXPECT_EQ(frames[0].payload, (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255}));
    EXPECT_EQ(frames[1].payload, (Bytes{52, 18, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 169}));
    EXPECT_EQ(r.tav->Records().at(2), (sim::StoredRecord{0x8000, r.w.Records[2].Data}));
    EXPECT_LT(took, 3 * 60ms);
}

TEST(SendRecord, WrongAcknowledgementIsRetriedSevenTimesWithHalfSecondPauses) {
    // An IR micro should answer 240; this one answers 15.
    Rig r(1, 37, {.irMicro = true}, {.wrongAckRecords = 7});
    r.OpenCom2();
    const Instant took = r.sim.Timed([&] { EXPECT_FALSE(SendRecord(r.w, 0, true)); });
    const auto frames = r.Frames();
    ASSERT_EQ(r.Commands(), Bytes(7, 136));
    std::vector<Instant> received;  // two bytes per reply
    for (const auto& e : r.sim.port.Log())
        if (e.kind == sim::VirtualSerialPort::WireEvent::Kind::Received) received.push_back(e.at);
    ASSERT_EQ(received.size(), 14u);
    for (std::size_t k = 1; k < 7; ++k) {
        EXPECT_EQ(frames[k].payload, frames[0].payload);
        EXPECT_EQ(frames[k].at - received[2 * k - 1], 500ms) << "pause before attempt " << k + 1;
    }
    EXPECT_EQ(took, received.back() - frames[0].at);  // no pause after the seventh
}

TEST(SendRecord, SilenceGivesSevenFramesEachAfterItsReplyWaitOnlyAndStaleBytesNeverCount) {
    Rig r(1, 37, {.irMicro = true}, {.noAck = true});
    r.OpenCom2();
    dumb_restart_unit(r.w);  // leaves the reply unread: 240, an IR micro's acknowledgement
    ASSERT_EQ(r.sim.port.InBufferCount(), 2);
    r.sim.port.ClearLog();
    const Instant took = r.sim.Timed([&] { EXPECT_FALSE(SendRecord(r.w, 0, true)); });
    const auto frames = r.Frames();
    ASSERT_EQ(r.Commands(), Bytes(7, 136));
    // 10 ms after the command byte, then the 500 ms reply wait; nothing else.
    for (std::size_t k = 1; k < 7; ++k) EXPECT_EQ(frames[k].at - frames[k - 1].at, 510ms);
    EXPECT_EQ(took, 7 * 510ms);
}

TEST(EndProgramming, AcknowledgedOnTheSecondFrameNotBy240NorBySilence) {
    // Faults, frames sent, success.
    const std::tuple<sim::TavFaults, std::size_t, bool> cases[] = {
        {{.wrongCompletions = 1}, 2, true}, {{.wrongCompletions = 4}, 4, false}, {{.silent = true}, 4, false}};
    for (const auto& [faults, frames, ok] : cases) {
        SCOPED_TRACE(faults.silent ? "silent" : ok ? "240 once" : "240 four times");
        Rig r(0, 0x11, {}, faults);
        r.OpenCom2();
        r.sim.dialogs.ExpectBox(ok ? "OK! " : "Error! ", ok ? "Tav reprogram suceeded" : "Failed to restart unit");
        const Instant took = r.sim.Timed([&] { EXPECT_EQ(EndProgramming(r.w), ok); });
        EXPECT_EQ(r.Commands(), Bytes(frames, 21));
        for (const auto& f : r.Frames()) EXPECT_EQ(f.payload, Bytes{234});
        // Silent: 10 ms after the 21, then 500 ms counted from before the 234, four times.
        EXPECT_TRUE(!faults.silent || took == 4 * 510ms) << took.count() << " ns";
    }
}

}  // namespace
}  // namespace vantrel::test
