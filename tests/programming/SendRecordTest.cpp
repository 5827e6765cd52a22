// The loader transfer of one record: the block on the wire, the acknowledgement, and
// the seven attempts with their timing.

#include "programming/SendRecord.h"

#include "ProgrammingFixture.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;

constexpr Instant kTolerance = 100us;

class SendRecordTest : public ProgrammingTest {
protected:
    sim::TavDevice* tav = nullptr;

    void Attach(sim::TavProfile profile = {}, sim::TavFaults faults = {}) {
        tav = &sim.AttachTav(2, std::move(profile), faults);
        OpenCom(2);
    }
};

TEST_F(SendRecordTest, BlocksOfTheWorkedExamplesGoOutAsCommandAndNineteenBytes) {
    Attach();
    w.Records[0] = {};  // word address 0, sixteen 0 bytes
    w.Records[1].WordAddress = 4660;
    w.Records[1].Data.fill(1);

    EXPECT_TRUE(SendRecord(w, 0, false));
    EXPECT_TRUE(SendRecord(w, 1, false));

    const auto frames = FramesOf(sim.port, 2);
    ASSERT_EQ(frames.size(), 2u);
    std::vector<std::uint8_t> zeroBlock(19, 0);
    zeroBlock[18] = 255;
    EXPECT_EQ(frames[0].command, 161);
    EXPECT_EQ(frames[0].payload, zeroBlock);
    std::vector<std::uint8_t> onesBlock(19, 1);
    onesBlock[0] = 52;
    onesBlock[1] = 18;
    onesBlock[18] = 169;
    EXPECT_EQ(frames[1].command, 161);
    EXPECT_EQ(frames[1].payload, onesBlock);
    EXPECT_EQ(tav->BadBlocks(), 0);
    EXPECT_EQ(sim.port.Settings(), "9600,e,8,1");
}

TEST_F(SendRecordTest, NegativeWordAddressesGoOutAsTheirSixteenBitPattern) {
    Attach();
    w.Records[0] = MakeRecord(3);
    w.Records[0].WordAddress = -1;
    w.Records[1] = MakeRecord(4);
    w.Records[1].WordAddress = -32768;

    EXPECT_TRUE(SendRecord(w, 0, false));
    EXPECT_TRUE(SendRecord(w, 1, false));

    const auto frames = FramesOf(sim.port, 2);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].payload[0], 0xFF);
    EXPECT_EQ(frames[0].payload[1], 0xFF);
    EXPECT_EQ(frames[1].payload[0], 0x00);
    EXPECT_EQ(frames[1].payload[1], 0x80);
    ASSERT_EQ(tav->Records().size(), 2u);
    EXPECT_EQ(tav->Records()[0].wordAddress, 0xFFFF);
    EXPECT_EQ(tav->Records()[1].wordAddress, 0x8000);
    EXPECT_EQ(tav->Records()[1].data, MakeRecord(4).Data);
    EXPECT_EQ(tav->BadBlocks(), 0);
}

TEST_F(SendRecordTest, IndexOutsideTheImageIsRefusedWithoutTouchingTheLine) {
    Attach();
    EXPECT_FALSE(SendRecord(w, -1, false));
    EXPECT_FALSE(SendRecord(w, 1025, false));
    EXPECT_TRUE(sim.port.SentBytes(2).empty());
}

TEST_F(SendRecordTest, ImmediateAcknowledgementEndsAfterOneFrame) {
    Attach();
    PutImage(4, 0x11);
    const Instant took = sim.Timed([&] { EXPECT_TRUE(SendRecord(w, 2, false)); });

    const auto frames = FramesOf(sim.port, 2);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].payload.size(), 19u);
    EXPECT_EQ(tav->RecordFrames(), 1);
    ASSERT_EQ(tav->Records().size(), 1u);
    EXPECT_EQ(tav->Records()[0].data, MakeRecord(2).Data);
    // The reply is the acknowledgement and a further byte; that second byte ends the reply
    // wait, long before its 500 ms limit, and is ignored.
    EXPECT_LT(took, 60ms);
}

TEST_F(SendRecordTest, WrongAcknowledgementIsRetriedSevenTimesWithHalfSecondPauses) {
    sim::TavProfile ir;
    ir.irMicro = true;
    sim::TavFaults faults;
    faults.wrongAckRecords = 7;  // answers 15 where an IR micro should answer 240
    Attach(ir, faults);
    PutImage(1, 37);

    const Instant took = sim.Timed([&] { EXPECT_FALSE(SendRecord(w, 0, true)); });

    const auto frames = FramesOf(sim.port, 2);
    ASSERT_EQ(frames.size(), 7u);
    for (const auto& f : frames) EXPECT_EQ(f.payload, frames[0].payload);  // the same block each time
    // Between the wrong reply and the next command byte lies exactly the 500 ms pause.
    using Kind = sim::VirtualSerialPort::WireEvent::Kind;
    std::vector<Instant> replyEnds;
    for (const auto& e : sim.port.Log())
        if (e.kind == Kind::Received) replyEnds.push_back(e.at);
    ASSERT_EQ(replyEnds.size(), 14u);  // two bytes per reply
    for (std::size_t k = 1; k < frames.size(); ++k) {
        const Instant gap = frames[k].at - replyEnds[2 * k - 1];
        EXPECT_NEAR(Ms(gap), 500.0, Ms(kTolerance)) << "before attempt " << k + 1;
    }
    // No pause after the seventh wrong reply: the call ends with it.
    EXPECT_NEAR(Ms(took), Ms(replyEnds.back() - frames[0].at), Ms(kTolerance));
    EXPECT_GT(took, 6 * 500ms);
    EXPECT_TRUE(tav->Records().empty());
}

TEST_F(SendRecordTest, SilenceGivesSevenFramesEachAfterItsReplyWaitOnly) {
    sim::TavFaults faults;
    faults.noAck = true;
    Attach({}, faults);
    PutImage(1, 0x11);

    const Instant took = sim.Timed([&] { EXPECT_FALSE(SendRecord(w, 0, false)); });

    const auto frames = FramesOf(sim.port, 2);
    ASSERT_EQ(frames.size(), 7u);
    // 10 ms after the command byte, then the 500 ms reply wait; nothing else.
    for (std::size_t k = 1; k < frames.size(); ++k)
        EXPECT_NEAR(Ms(frames[k].at - frames[k - 1].at), 510.0, Ms(kTolerance));
    EXPECT_NEAR(Ms(took), 7 * 510.0, Ms(kTolerance));
}

TEST_F(SendRecordTest, JunkAfterRepliesCostsAtMostARetryNeverARecord) {
    sim::TavFaults faults;
    faults.garbage = true;  // every third reply is trailed by a junk byte
    Attach({}, faults);
    PutImage(6, 0x11);
    for (int i = 5; i >= 0; --i) EXPECT_TRUE(SendRecord(w, static_cast<std::int16_t>(i), false)) << i;
    const auto memory = tav->Memory();
    ASSERT_EQ(memory.size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(memory.at(static_cast<std::uint16_t>(0x0100 + 8 * i)), MakeRecord(i).Data);
}

TEST_F(SendRecordTest, JunkAheadOfEveryReplyIsAWrongReplyAndEndsAfterSevenAttempts) {
    sim::TavFaults faults;
    faults.strayBytesBeforeReply = 2;  // the reply is judged by its first byte
    Attach({}, faults);
    PutImage(1, 0x11);
    const Instant took = sim.Timed([&] { EXPECT_FALSE(SendRecord(w, 0, false)); });
    EXPECT_EQ(tav->RecordFrames(), 7);
    EXPECT_LT(took, 7 * 550ms);
}

TEST_F(SendRecordTest, StaleAcknowledgementWaitingBeforeTheCallNeverCounts) {
    Attach();
    PutImage(2, 0x11);
    ASSERT_TRUE(SendRecord(w, 1, false));
    // An acknowledgement from an earlier exchange is left waiting in the buffer ...
    sim.port.SetSettings("9600,o,8,1");
    sim.port.Output(161);
    sim.port.SetSettings("9600,e,8,1");
    const RecordBlock block = BuildRecordBlock(w.Records[1]);
    for (std::uint8_t b : block) sim.port.Output(b);
    sim.pump.AdvanceTo(sim.Now() + 100ms);
    ASSERT_EQ(sim.port.InBufferCount(), 2);
    // ... and then the tav stops acknowledging.
    tav->Faults().noAck = true;

    EXPECT_FALSE(SendRecord(w, 0, false));
    EXPECT_EQ(tav->RecordFrames(), 2 + 7);
}

TEST_F(SendRecordTest, DeviceGoneDuringAnAttemptCountsAsNoReply) {
    Attach();
    PutImage(1, 0x11);
    sim.port.Unplug(2);
    bool ok = true;
    EXPECT_NO_THROW(ok = SendRecord(w, 0, false));
    EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace vantrel::test
