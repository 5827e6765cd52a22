// The two loader exchanges on a link: one record (block on the wire, acknowledgement, seven
// attempts) and the completion (21 then 234, up to four frames, the box its outcome calls
// for), with their timing.

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "app/TavBoxes.h"
#include "programming/EndProgramming.h"
#include "programming/SendRecord.h"
#include "serial/RestartCommands.h"
#include "support/SimLine.h"
#include "support/WireFrames.h"

namespace vantrel::test {
namespace {

// A tav answering `target` on COM2, its port open.
struct LoaderRig {
    LoaderRig(std::uint8_t target, sim::TavProfile profile = {}, sim::TavFaults faults = {}) {
        profile.replyCode = target;
        tav = &line.AttachTav(2, profile, faults);
        line.Open(2);
    }
    // Record i of a test image: its own address and sixteen bytes no other record shares.
    static FirmwareRecord Record(std::size_t i) {
        FirmwareRecord record{static_cast<std::int16_t>(0x0100 + 8 * i), {}};
        for (std::size_t k = 0; k < 16; ++k) record.Data[k] = static_cast<std::uint8_t>(i * 17 + k * 29 + 11);
        return record;
    }
    std::vector<WireFrame> Frames() const { return test::Frames(line.port); }
    Bytes Commands() const { return test::Commands(line.port); }

    SimLine line;
    sim::TavDevice* tav = nullptr;
};

TEST(SendRecord, BlocksGoOutAsCommandAndNineteenBytesAndAnAcknowledgementEndsTheWait) {
    LoaderRig r(0x11);
    std::array<FirmwareRecord, 3> records{};
    records[0] = {};  // word address 0, sixteen 0 bytes
    records[1] = {4660, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}};
    records[2].WordAddress = -32768;  // goes out as its 16-bit pattern, 00 80
    const Instant took = r.line.Timed([&] {
        for (const FirmwareRecord& record : records) EXPECT_TRUE(SendRecord(r.line.link, record, false).Accepted());
    });
    // One frame each; the reply (15, then the check byte) ends each 500 ms wait at once.
    const auto frames = r.Frames();
    ASSERT_EQ(r.Commands(), (Bytes{161, 161, 161}));
    EXPECT_EQ(frames[0].payload, (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255}));
    EXPECT_EQ(frames[1].payload, (Bytes{52, 18, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 169}));
    EXPECT_EQ(r.tav->Records().at(2), (sim::StoredRecord{0x8000, records[2].Data}));
    EXPECT_LT(took, 3 * 60ms);
}

TEST(SendRecord, WrongAcknowledgementIsRetriedSevenTimesWithHalfSecondPauses) {
    // An IR micro should answer 240; this one answers 15.
    LoaderRig r(37, {.irMicro = true}, {.wrongAckRecords = 7});
    ExchangeResult result;
    const Instant took = r.line.Timed([&] { result = SendRecord(r.line.link, LoaderRig::Record(0), true); });
    EXPECT_EQ(result.reply, ReplyKind::Rejected);
    EXPECT_EQ(result.attempts, 7);
    const auto frames = r.Frames();
    ASSERT_EQ(r.Commands(), Bytes(7, 136));
    std::vector<Instant> received;  // two bytes per reply
    for (const auto& e : r.line.port.Log())
        if (e.kind == sim::VirtualSerialPort::WireEvent::Kind::Received) received.push_back(e.at);
    ASSERT_EQ(received.size(), 14u);
    for (std::size_t k = 1; k < 7; ++k) {
        EXPECT_EQ(frames[k].payload, frames[0].payload);
        EXPECT_EQ(frames[k].at - received[2 * k - 1], 500ms) << "pause before attempt " << k + 1;
    }
    EXPECT_EQ(took, received.back() - frames[0].at);  // no pause after the seventh
}

TEST(SendRecord, SilenceGivesSevenFramesEachAfterItsReplyWaitOnlyAndStaleBytesNeverCount) {
    LoaderRig r(37, {.irMicro = true}, {.noAck = true});
    dumb_restart_unit(r.line.link);  // leaves the reply unread: 240, an IR micro's acknowledgement
    ASSERT_EQ(r.line.port.InBufferCount(), 2);
    r.line.port.ClearLog();
    ExchangeResult result;
    const Instant took = r.line.Timed([&] { result = SendRecord(r.line.link, LoaderRig::Record(0), true); });
    EXPECT_EQ(result.reply, ReplyKind::NoReply);
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
        LoaderRig r(0x11, {}, faults);
        ExchangeResult completion;
        const Instant took = r.line.Timed([&] { completion = EndProgramming(r.line.link); });
        EXPECT_EQ(completion.Accepted(), ok);
        const OutcomeBox box = CompletionBox(completion);
        EXPECT_EQ(box.title, ok ? "OK! " : "Error! ");
        EXPECT_EQ(box.text, ok ? "Tav reprogram suceeded" : "Failed to restart unit");
        EXPECT_EQ(r.Commands(), Bytes(frames, 21));
        for (const auto& f : r.Frames()) EXPECT_EQ(f.payload, Bytes{234});
        // Silent: 10 ms after the 21, then 500 ms counted from before the 234, four times.
        EXPECT_TRUE(!faults.silent || took == 4 * 510ms) << took.count() << " ns";
    }
}

}  // namespace
}  // namespace vantrel::test
