// The per-port probe: break byte, nine rates in three passes, reply frame rules.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedReplyPort.h"
#include "discovery/ProbePort.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;
using Kind = sim::VirtualSerialPort::WireEvent::Kind;

const std::vector<std::uint8_t> kRequest{0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56};

// The break byte followed by `requests` identification requests.
std::vector<std::uint8_t> BreakAndRequests(int requests) {
    std::vector<std::uint8_t> bytes{0x00};
    for (int i = 0; i < requests; ++i) bytes.insert(bytes.end(), kRequest.begin(), kRequest.end());
    return bytes;
}

void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

class ProbeOnSim : public ::testing::Test {
protected:
    void OpenCom1() {
        s.w.MSComm1.SetCommPort(1);
        s.w.MSComm1.SetPortOpen(true);
        s.port.ClearLog();
    }
    std::vector<std::string> SettingsPut() const {
        std::vector<std::string> texts;
        for (const auto& e : s.port.Log())
            if (e.kind == Kind::Settings) texts.push_back(e.text);
        return texts;
    }
    std::vector<std::uint8_t> Received() const {
        std::vector<std::uint8_t> bytes;
        for (const auto& e : s.port.Log())
            if (e.kind == Kind::Received) bytes.push_back(e.byte);
        return bytes;
    }

    SimWindow s;
};

TEST_F(ProbeOnSim, FindsA4800BaudTavAfterTheFiveFasterRatesTimedOut) {
    sim::TavProfile profile;
    profile.replyCode = 0x44;
    profile.major = 3;
    profile.minor = 9;
    profile.baud = 4800;
    s.AttachTav(1, profile);
    OpenCom1();

    std::int32_t v = -1;
    const Instant took = s.Timed([&] { v = ProbePort(s.w, false); });

    EXPECT_EQ(v, 0x090344);
    EXPECT_EQ(SettingsPut(), (std::vector<std::string>{"110,n,8,2", "9600,n,8,2", "38400,n,8,2", "28800,n,8,2",
                                                        "19200,n,8,2", "14400,n,8,2", "4800,n,8,2"}));
    // Break, no restart of any kind afterwards.
    EXPECT_EQ(s.port.SentBytes(1), BreakAndRequests(6));
    // 100 ms break + 5 x (70 ms request + 100 ms wait) + 70 ms request, then the reply ends
    // the sixth wait early (a five-byte reply at 4800 baud takes about 12 ms).
    EXPECT_GE(took, 1020ms);
    EXPECT_LT(took, 1040ms);
}

TEST_F(ProbeOnSim, RestartsAnIdentifiedTavOnlyWhenAsked) {
    sim::TavProfile profile;
    profile.replyCode = 0x33;
    sim::TavDevice& tav = s.AttachTav(1, profile);
    OpenCom1();

    EXPECT_EQ(ProbePort(s.w, true), 0x050233);
    std::vector<std::uint8_t> expected = BreakAndRequests(1);
    Append(expected, {51, 255});
    EXPECT_EQ(s.port.SentBytes(1), expected);
    EXPECT_EQ(tav.Restarts(), 1);
    EXPECT_EQ(s.w.MSComm1.Settings(), "9600,e,8,1");

    s.port.ClearLog();
    EXPECT_EQ(ProbePort(s.w, false), 0x050233);
    EXPECT_EQ(s.port.SentBytes(1), BreakAndRequests(1));
    EXPECT_EQ(tav.Restarts(), 1);
}

TEST_F(ProbeOnSim, AFiveByteReplyEndsTheWaitAsSoonAsItIsIn) {
    sim::TavProfile profile;
    profile.replyCode = 0xAA;
    profile.major = 7;
    profile.minor = 1;
    profile.baud = 2400;  // slow enough that the reply lands inside the wait
    s.AttachTav(1, profile);
    OpenCom1();

    std::int32_t v = 0;
    const Instant took = s.Timed([&] { v = ProbePort(s.w, false); });
    EXPECT_EQ(v, 0x0107AA);
    // 100 ms break, six attempts of 170 ms; the seventh wait (from 1190 ms) would run to 1290 ms.
    EXPECT_GT(took, 1190ms);
    EXPECT_LT(took, 1240ms);
}

TEST_F(ProbeOnSim, TakesTheFrameFromTheLastFiveOfSevenBytes) {
    sim::TavProfile profile;
    profile.replyCode = 0xBB;
    profile.major = 4;
    profile.minor = 6;
    profile.baud = 38400;  // all seven bytes are in before the reply wait starts
    sim::TavFaults faults;
    faults.strayBytesBeforeReply = 2;
    s.AttachTav(1, profile, faults);
    OpenCom1();

    EXPECT_EQ(ProbePort(s.w, false), 0x0604BB);
    const std::vector<std::uint8_t> got = Received();
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(std::vector<std::uint8_t>(got.begin() + 2, got.end()),
              (std::vector<std::uint8_t>{0xBB, 0x04, 0x06, 0x3A, 0x5A}));
}

TEST_F(ProbeOnSim, CheckByteE8PassesForACodeTheTableKnows) {
    s.w.Types.TypeTable[5].Reply = 0x10;
    sim::TavProfile profile;
    profile.replyCode = 0x10;
    profile.major = 2;
    profile.minor = 5;
    s.AttachTav(1, profile);
    OpenCom1();

    EXPECT_EQ(ProbePort(s.w, false), 0x050210);
    EXPECT_EQ(Received(), (std::vector<std::uint8_t>{0x10, 0x02, 0x05, 0xE8, 0x5A}));
}

TEST_F(ProbeOnSim, E6StandsFor99WhateverItsCheckByte) {
    sim::TavProfile profile;
    profile.replyCode = 0xE6;
    profile.major = 1;
    profile.minor = 3;
    sim::TavFaults faults;
    faults.wrongCheckByte = true;
    s.AttachTav(1, profile, faults);
    OpenCom1();

    EXPECT_EQ(ProbePort(s.w, false), 0x030199);
}

TEST_F(ProbeOnSim, AnUnknownReplyCodeCountsAsReceivedAndGetsThreePasses) {
    sim::TavProfile profile;
    profile.replyCode = 0x10;  // a valid frame, but no default row answers 0x10
    sim::TavDevice& tav = s.AttachTav(1, profile);
    OpenCom1();

    std::int32_t v = -1;
    const Instant took = s.Timed([&] { v = ProbePort(s.w, false); });
    EXPECT_EQ(v, 0);
    EXPECT_EQ(tav.IdentificationRequests(), 3);  // once per pass, at its own rate
    EXPECT_EQ(s.port.SentBytes(1), BreakAndRequests(27));
    // The reply is in before the 9600 wait starts, so that wait ends at once in each pass.
    EXPECT_EQ(took, 100ms + 3 * (70ms + 8 * 170ms));
}

TEST_F(ProbeOnSim, UnknownReplyWithRestartRunsTheDumbRestartAfterEachPass) {
    sim::TavProfile profile;
    profile.replyCode = 0x10;
    s.AttachTav(1, profile);
    OpenCom1();

    std::int32_t v = -1;
    const Instant took = s.Timed([&] { v = ProbePort(s.w, true); });
    EXPECT_EQ(v, 0);
    std::vector<std::uint8_t> expected{0x00};
    for (int pass = 0; pass < 3; ++pass) {
        for (int rate = 0; rate < 9; ++rate) Append(expected, kRequest);
        Append(expected, {51, 255});
    }
    EXPECT_EQ(s.port.SentBytes(1), expected);
    // Each restart waits 3 s without reading a reply (10 ms between its two bytes).
    EXPECT_EQ(took, 100ms + 3 * (70ms + 8 * 170ms + 3010ms));
}

TEST_F(ProbeOnSim, ASilentPortCostsOnePassAndNoRestart) {
    sim::TavFaults faults;
    faults.silent = true;
    sim::TavDevice& tav = s.AttachTav(1, {}, faults);
    OpenCom1();

    std::int32_t v = -1;
    const Instant took = s.Timed([&] { v = ProbePort(s.w, true); });
    EXPECT_EQ(v, 0);
    EXPECT_EQ(took, 100ms + 9 * 170ms);
    EXPECT_EQ(s.port.SentBytes(1), BreakAndRequests(9));
    EXPECT_TRUE(tav.Commands().empty());
}

TEST_F(ProbeOnSim, APortGoneForGoodEndsAfterOnePassWithoutThrowing) {
    sim::TavDevice& tav = s.AttachTav(1);
    OpenCom1();
    s.port.Unplug(1);
    std::int32_t v = -1;
    EXPECT_NO_THROW(v = ProbePort(s.w, true));
    EXPECT_EQ(v, 0);
    EXPECT_EQ(tav.IdentificationRequests(), 0);
}

// Frames the simulator's tav never sends, from a scripted far end.
class ProbeOnScriptedLine : public ::testing::Test {
protected:
    void Start(std::vector<std::uint8_t> reply, Instant firstByteAfter, std::string rate = "9600,n,8,2") {
        line = std::make_unique<ScriptedReplyPort>(pump, rate, std::move(reply), firstByteAfter);
        w = std::make_unique<Bootstrap>(*line, pump, dialogs, registry);
        Form_Load(*w);
        line->SetPortOpen(true);
    }
    std::int32_t Probe(bool restart, Instant& took) {
        const Instant start = pump.Now();
        const std::int32_t v = ProbePort(*w, restart);
        took = pump.Now() - start;
        return v;
    }

    TempDir dir;
    RegFileStore registry{CopyOfDefaultRegistry(dir.Path())};
    sim::VirtualPump pump;
    ScriptedDialogs dialogs;
    std::unique_ptr<ScriptedReplyPort> line;
    std::unique_ptr<Bootstrap> w;
};

TEST_F(ProbeOnScriptedLine, AFourByteReplyIsAcceptedOnlyAfterTheFullWait) {
    Start({0x55, 0x01, 0x07, 0xA2}, 15ms);
    Instant took{};
    EXPECT_EQ(Probe(false, took), 0x070155);
    EXPECT_EQ(took, 100ms + 70ms + 100ms);
}

TEST_F(ProbeOnScriptedLine, AFifthByteEndsTheWaitAtOnceAndIsNotExamined) {
    Start({0x55, 0x01, 0x07, 0xA2, 0x00}, 15ms);
    Instant took{};
    EXPECT_EQ(Probe(false, took), 0x070155);
    // The last request byte goes out at 160 ms; the fifth reply byte is in 19 ms later.
    EXPECT_EQ(took, 179ms);
}

TEST_F(ProbeOnScriptedLine, SevenBytesAtOnceMeanTwoStrayBytesAhead) {
    // Two strays that, read from the start, would make a valid frame for code 0x22.
    Start({0x22, 0x74, 0x66, 0x03, 0x02, 0x94, 0x3C}, 2ms);
    Instant took{};
    EXPECT_EQ(Probe(false, took), 0x020366);
}

TEST_F(ProbeOnScriptedLine, CheckByteE7FailsEveryRateForThreePasses) {
    Start({0x10, 0x02, 0x05, 0xE7, 0x21}, 2ms);
    w->Types.TypeTable[5].Reply = 0x10;
    Instant took{};
    EXPECT_EQ(Probe(false, took), 0);
    EXPECT_EQ(line->Requests(), 3);
    EXPECT_EQ(line->Sent(), BreakAndRequests(27));  // no restart frame when not asked
}

TEST_F(ProbeOnScriptedLine, CheckByteE7WithRestartSendsADumbRestartAfterEachPass) {
    Start({0x10, 0x02, 0x05, 0xE7, 0x21}, 2ms);
    w->Types.TypeTable[5].Reply = 0x10;
    Instant took{};
    EXPECT_EQ(Probe(true, took), 0);
    std::vector<std::uint8_t> expected{0x00};
    for (int pass = 0; pass < 3; ++pass) {
        for (int rate = 0; rate < 9; ++rate) Append(expected, kRequest);
        Append(expected, {51, 255});
    }
    EXPECT_EQ(line->Sent(), expected);
    // At 9600 the five bytes are in before the wait: it ends at once.
    EXPECT_EQ(took, 100ms + 3 * (70ms + 8 * 170ms + 3010ms));
}

TEST_F(ProbeOnScriptedLine, AFailedWriteLosesOnlyThatRateAttempt) {
    Start({0x77, 0x02, 0x01, 0x85, 0x10}, 2ms, "38400,n,8,2");
    line->FailWriteNumber(4);  // the third request byte at 9600 (after the break byte)
    Instant took{};
    EXPECT_EQ(Probe(false, took), 0x010277);
    // The 9600 attempt stopped after two request bytes; 38400 came next in the same pass.
    EXPECT_EQ(line->SettingsPut(),
              (std::vector<std::string>{"110,n,8,2", "9600,n,8,2", "38400,n,8,2"}));
    EXPECT_EQ(took, 100ms + 20ms + 70ms);
}

}  // namespace
}  // namespace vantrel::test
