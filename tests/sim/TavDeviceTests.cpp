// The tav model alone: bytes in with their line settings, reply bytes out with their
// instants. Wire constants are written out here as the host sees them.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "HostSide.h"
#include "sim/TavDevice.h"

namespace vantrel::sim {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const Bytes kRequest{0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56};

// Feeds a tav byte by byte, each arriving one character time after the one before.
struct Line {
    TavDevice tav;
    vantrel::Instant t{};
    bool rts = false;
    std::vector<Reply> replies;

    explicit Line(TavProfile p = {}, TavFaults f = {}) : tav(std::move(p), f) {}

    Bytes Send(const Bytes& bytes, const std::string& settings, vantrel::Instant gap = 10ms) {
        const auto line = *vantrel::ParseLineSettings(settings);
        replies.clear();
        for (std::uint8_t b : bytes) {
            t += ByteTime(line) + gap;
            for (const Reply& r : tav.Receive(b, line, rts, t)) replies.push_back(r);
        }
        Bytes out;
        for (const Reply& r : replies) out.push_back(r.byte);
        return out;
    }
    Bytes Frame(std::uint8_t command, const Bytes& rest) {
        Send({command}, "9600,o,8,1");
        return Send(rest, "9600,e,8,1", 0ns);
    }
};

TEST(TavDevice, IdentificationIsAnsweredAtItsOwnRateAndParityOnly) {
    Line line(TavProfile{.baud = 4800});
    EXPECT_TRUE(line.Send(kRequest, "9600,n,8,2").empty());
    EXPECT_TRUE(line.Send(kRequest, "4800,e,8,2").empty());
    EXPECT_TRUE(line.Send(kRequest, "4800,o,8,2").empty());
    EXPECT_EQ(line.Send(kRequest, "4800,n,8,2"), (Bytes{0x11, 2, 5, 0xE7, 0x5A}));
    EXPECT_EQ(line.tav.IdentificationRequests(), 1);

    // Reply: 1.5 ms turnaround, then five 11-bit characters at 4800 baud, back to back.
    ASSERT_EQ(line.replies.size(), 5u);
    const double charMs = 11.0 / 4800 * 1000;
    for (int i = 0; i < 5; ++i) {
        const double ms = std::chrono::duration<double, std::milli>(line.replies[i].at - line.t).count();
        EXPECT_NEAR(ms, 1.5 + charMs * (i + 1), 0.001) << i;
        EXPECT_EQ(line.replies[i].line.baud, 4800);
    }
}

TEST(TavDevice, ReplyCodeE6IsSentAsIsWithItsCheckByte) {
    Line line(TavProfile{.replyCode = 0xE6, .major = 4, .minor = 11, .fifthByte = 0x3C});
    EXPECT_EQ(line.Send(kRequest, "9600,n,8,2"), (Bytes{0xE6, 4, 11, 0x0A, 0x3C}));
}

TEST(TavDevice, BreakResetsAHalfReceivedRequest) {
    Line line;
    line.Send({0xFF, 0x53, 0x45}, "9600,n,8,2");
    line.Send({0x00}, "110,n,8,2");
    EXPECT_TRUE(line.Send({0x54, 0x54, 0x41, 0x56}, "9600,n,8,2").empty());
    // A byte at another rate is noise and also cuts a request short.
    line.Send({0xFF, 0x53, 0x45, 0x54}, "9600,n,8,2");
    line.Send({0x54}, "19200,n,8,2");
    EXPECT_TRUE(line.Send({0x41, 0x56}, "9600,n,8,2").empty());
    EXPECT_EQ(line.tav.Breaks(), 1);
    EXPECT_EQ(line.tav.IdentificationRequests(), 0);
    EXPECT_EQ(line.Send(kRequest, "9600,n,8,2").size(), 5u);
}

TEST(TavDevice, CommandFramesNeedTheCommandAtOddAndTheRestAtEvenParity) {
    Line line;
    EXPECT_EQ(line.Frame(51, {255}), (Bytes{240, 0x33}));
    line.Send({51}, "9600,e,8,1");
    EXPECT_TRUE(line.Send({255}, "9600,e,8,1").empty());
    line.Send({51}, "9600,o,8,1");
    EXPECT_TRUE(line.Send({255}, "9600,o,8,1").empty());
    line.Send({51}, "9600,o,8,1");
    EXPECT_TRUE(line.Send({255}, "9600,n,8,1").empty());
    line.Send({51}, "4800,o,8,1");
    EXPECT_TRUE(line.Send({255}, "9600,e,8,1").empty());
    EXPECT_TRUE(line.Frame(51, {254}).empty());
    EXPECT_EQ(line.tav.Restarts(), 1);
    EXPECT_EQ(line.tav.Commands(), (Bytes{51, 51, 255, 51, 51}));

    EXPECT_EQ(line.Frame(119, {255}), (Bytes{240, 0x77}));
    EXPECT_EQ(line.tav.IrRestarts(), 1);
    EXPECT_EQ(line.replies[0].line, (vantrel::LineSettings{9600, vantrel::Parity::Even, 8, 1}));
}

TEST(TavDevice, LinkReplyCarriesTheIrVersionInBytesOneAndTwo) {
    Line line(TavProfile{.irMajor = 6, .irMinor = 14});
    const Bytes reply = line.Frame(153, {255});
    ASSERT_EQ(reply.size(), 5u);
    EXPECT_EQ(reply[1], 6);
    EXPECT_EQ(reply[2], 14);
    line.tav.Profile().linkReplyLength = 3;
    EXPECT_EQ(line.Frame(153, {255}).size(), 3u);
    EXPECT_EQ(line.tav.Links(), 2);
}

TEST(TavDevice, LoaderStoresBlocksWhoseCheckByteIsRightAtTheirWordAddress) {
    Line line;
    const Bytes first = test::Block(0x1234, 0x21);
    EXPECT_EQ(line.Frame(161, first).at(0), 15);
    // Sixteen 1 bytes at word address 4660: address bytes 52, 18, check byte 169.
    Bytes ones{52, 18};
    ones.insert(ones.end(), 16, 1);
    ones.push_back(169);
    line.tav.Profile().badBlockReply = 0x66;
    Bytes bad = test::Block(0x0010, 0x90);
    bad[18] ^= 0x01;
    EXPECT_EQ(line.Frame(161, bad), (Bytes{0x66, bad[18]}));
    EXPECT_EQ(line.Frame(161, ones).at(0), 15);
    EXPECT_TRUE(line.Frame(136, test::Block(0x0020, 0x05)).empty());  // not this tav's loader

    EXPECT_EQ(line.tav.RecordFrames(), 3);
    EXPECT_EQ(line.tav.BadBlocks(), 1);
    ASSERT_EQ(line.tav.Records().size(), 2u);
    EXPECT_EQ(line.tav.Records()[0].wordAddress, 0x1234);
    EXPECT_EQ(line.tav.Records()[0].data[0], 0x21);
    EXPECT_EQ(line.tav.Records()[0].data[15], 0x21 + 7 * 15);
    const auto memory = line.tav.Memory();
    EXPECT_EQ(memory.size(), 1u);  // both blocks went to word address 0x1234
    EXPECT_EQ(memory.at(0x1234)[7], 1);
}

TEST(TavDevice, IrMicroLoaderTakes136AndAcknowledges240) {
    Line line(TavProfile{.irMicro = true});
    EXPECT_TRUE(line.Frame(161, test::Block(0x0100, 0x33)).empty());
    EXPECT_EQ(line.Frame(136, test::Block(0x0100, 0x33)).at(0), 240);
    EXPECT_EQ(line.tav.Records().size(), 1u);
}

TEST(TavDevice, CompletionIsAcknowledgedWithTheProfilesByte) {
    Line line(TavProfile{}, TavFaults{.wrongCompletions = 2});
    EXPECT_EQ(line.Frame(21, {234}).at(0), 240);
    EXPECT_EQ(line.Frame(21, {234}).at(0), 240);
    EXPECT_EQ(line.Frame(21, {234}).at(0), 15);
    EXPECT_TRUE(line.Frame(21, {255}).empty());
    line.tav.Profile().completionAck = 0x2A;
    EXPECT_EQ(line.Frame(21, {234}).size(), 2u);
    EXPECT_EQ(line.replies[0].byte, 0x2A);
    EXPECT_EQ(line.tav.Completions(), 4);
}

TEST(TavDevice, IdentificationFaults) {
    Line silent(TavProfile{}, TavFaults{.silent = true});
    EXPECT_TRUE(silent.Send(kRequest, "9600,n,8,2").empty());
    EXPECT_TRUE(silent.Frame(51, {255}).empty());
    EXPECT_EQ(silent.tav.Restarts(), 1);  // it hears, it does not answer

    Line loaderOnly(TavProfile{}, TavFaults{.loaderOnly = true});
    EXPECT_TRUE(loaderOnly.Send(kRequest, "9600,n,8,2").empty());
    EXPECT_EQ(loaderOnly.Frame(161, test::Block(0x0200, 0x44)).at(0), 15);

    Line offByOne(TavProfile{}, TavFaults{.wrongCheckByte = true});
    EXPECT_EQ(offByOne.Send(kRequest, "9600,n,8,2"), (Bytes{0x11, 2, 5, 0xE8, 0x5A}));

    Line shy(TavProfile{}, TavFaults{.answerAfterRequests = 2});
    EXPECT_TRUE(shy.Send(kRequest, "9600,n,8,2").empty());
    EXPECT_TRUE(shy.Send(kRequest, "9600,n,8,2").empty());
    EXPECT_EQ(shy.Send(kRequest, "9600,n,8,2").size(), 5u);
    EXPECT_EQ(shy.tav.IdentificationRequests(), 3);
}

TEST(TavDevice, LoaderFaults) {
    Line wrongAck(TavProfile{}, TavFaults{.wrongAckRecords = 2});
    const Bytes block = test::Block(0x0300, 0x17);
    EXPECT_EQ(wrongAck.Frame(161, block).at(0), 240);
    EXPECT_EQ(wrongAck.Frame(161, block).at(0), 240);
    EXPECT_EQ(wrongAck.Frame(161, block).at(0), 15);
    EXPECT_EQ(wrongAck.tav.Records().size(), 1u);
    EXPECT_EQ(wrongAck.tav.RecordFrames(), 3);

    Line irWrongAck(TavProfile{.irMicro = true}, TavFaults{.wrongAckRecords = 1});
    EXPECT_EQ(irWrongAck.Frame(136, block).at(0), 15);

    Line noAck(TavProfile{}, TavFaults{.noAck = true});
    EXPECT_TRUE(noAck.Frame(161, block).empty());
    EXPECT_TRUE(noAck.tav.Records().empty());
    EXPECT_EQ(noAck.Frame(21, {234}).at(0), 15);

    Line unplugging(TavProfile{}, TavFaults{.unplugAfterRecords = 1});
    EXPECT_EQ(unplugging.Frame(161, block).at(0), 15);
    EXPECT_TRUE(unplugging.Frame(161, test::Block(0x0301, 0x18)).empty());
    EXPECT_TRUE(unplugging.Frame(51, {255}).empty());
    EXPECT_EQ(unplugging.tav.Records().size(), 1u);
    EXPECT_EQ(unplugging.tav.RecordFrames(), 1);
}

TEST(TavDevice, ReplyFaults) {
    Line late(TavProfile{}, TavFaults{.lateReply = true});
    late.Frame(51, {255});
    ASSERT_EQ(late.replies.size(), 2u);
    const double ms = std::chrono::duration<double, std::milli>(late.replies[0].at - late.t).count();
    EXPECT_NEAR(ms, 600 + 1.5 + 11.0 / 9600 * 1000, 0.001);

    Line stray(TavProfile{}, TavFaults{.strayBytesBeforeReply = 2});
    const Bytes id = stray.Send(kRequest, "9600,n,8,2");
    ASSERT_EQ(id.size(), 7u);
    EXPECT_EQ(Bytes(id.begin() + 2, id.end()), (Bytes{0x11, 2, 5, 0xE7, 0x5A}));
    const Bytes ack = stray.Frame(161, test::Block(0x0400, 0x52));
    ASSERT_EQ(ack.size(), 4u);
    EXPECT_NE(ack[0], 15);
    EXPECT_NE(ack[1], 15);
    EXPECT_EQ(ack[2], 15);

    Line noisy(TavProfile{}, TavFaults{.garbage = true});
    EXPECT_EQ(noisy.Frame(51, {255}).size(), 2u);
    EXPECT_EQ(noisy.Frame(51, {255}).size(), 2u);
    const Bytes third = noisy.Frame(51, {255});
    ASSERT_EQ(third.size(), 3u);  // the reply, then a junk byte 3 ms later
    EXPECT_EQ(third[0], 240);
    const double gap = std::chrono::duration<double, std::milli>(noisy.replies[2].at - noisy.replies[1].at).count();
    EXPECT_NEAR(gap, 3 + 11.0 / 9600 * 1000, 0.001);

    Line needsRts(TavProfile{.replyCode = 0xE6}, TavFaults{.rtsRequired = true});
    EXPECT_TRUE(needsRts.Send(kRequest, "9600,n,8,2").empty());
    needsRts.rts = true;
    EXPECT_EQ(needsRts.Send(kRequest, "9600,n,8,2").size(), 5u);
}

TEST(TavDevice, RepliesQueueBehindOneStillGoingOut) {
    Line line(TavProfile{}, TavFaults{.lateReply = true});
    line.Frame(51, {255});
    const vantrel::Instant firstEnd = line.replies.back().at;
    line.tav.Faults().lateReply = false;
    line.Frame(119, {255});  // its turnaround ends long before the first reply is out
    ASSERT_EQ(line.replies.size(), 2u);
    const double ms = std::chrono::duration<double, std::milli>(line.replies[0].at - firstEnd).count();
    EXPECT_NEAR(ms, 11.0 / 9600 * 1000, 0.001);
}

}  // namespace
}  // namespace vantrel::sim
