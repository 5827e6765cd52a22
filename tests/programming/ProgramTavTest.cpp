// The Program button on the normal roads: records last to first with progress, the
// completion or the IR-micro restart, the RTS rule of target 153, and the state after.

#include "programming/ProgramTav.h"
#include "programming/Progress.h"

#include "ProgrammingFixture.h"
#include "ProgressRecorder.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;

TEST(PercentText, TwoIntegerDigitsOneDecimalHalvesUp) {
    EXPECT_EQ(PercentText(1, 20), "05.0%");
    EXPECT_EQ(PercentText(1, 3), "33.3%");
    EXPECT_EQ(PercentText(2, 3), "66.7%");
    EXPECT_EQ(PercentText(3, 3), "100.0%");
    EXPECT_EQ(PercentText(1, 16), "06.3%");  // 6.25
    EXPECT_EQ(PercentText(1, 1024), "00.1%");
    EXPECT_EQ(PercentText(1023, 1024), "99.9%");
}

class ProgramTavTest : public ProgrammingTest {
protected:
    sim::TavDevice* tav = nullptr;

    // A tav on COM2 (row 1) that the search found and the user selected.
    void Ready(int records, std::uint8_t target, sim::TavProfile profile = {}, sim::TavFaults faults = {}) {
        profile.replyCode = target == 153 ? 0xE6 : target;
        tav = &sim.AttachTav(2, profile, faults);
        PutImage(records, target);
        SelectRow(1);
    }

    void ExpectIdleAfterwards() {
        EXPECT_FALSE(sim.port.PortOpen());
        EXPECT_FALSE(sim.port.RTSEnable());
        EXPECT_EQ(w.ProgressBar1.Value, 0);
        EXPECT_EQ(w.ProgressBar1.Max, 1000);
        EXPECT_FALSE(w.PleaseWait.Visible);
        EXPECT_EQ(w.Option1[1].Value, 1);
        EXPECT_TRUE(w.ProgramTav.Enabled);
        EXPECT_TRUE(w.CanActivate(w.ProgramTav));
    }
};

TEST_F(ProgramTavTest, ThreeRecordsGoLastToFirstWithProgressAndCompletion) {
    Ready(3, 0x11);
    sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
    ProgressRecorder progress(sim);

    ProgramTav_Click(w);

    EXPECT_EQ(tav->Records(), ExpectedArrivals());
    EXPECT_EQ(progress.Values(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(progress.Captions(), (std::vector<std::string>{"33.3%", "66.7%", "100.0%"}));
    for (const auto& s : progress.Changes())
        if (s.value != 0) {
            EXPECT_TRUE(s.panelShown && s.programCovered);
        }
    EXPECT_EQ(CommandsOf(FramesOf(sim.port, 2)), (std::vector<std::uint8_t>{161, 161, 161, 21}));
    EXPECT_EQ(tav->IdentificationRequests(), 1);  // one probe, without restart
    EXPECT_EQ(tav->Restarts(), 0);
    EXPECT_EQ(w.Label2.Caption, "100.0%");
    ExpectIdleAfterwards();
}

TEST_F(ProgramTavTest, EmptyImageStillRunsTheCompletion) {
    Ready(0, 0x11);
    sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
    ProgressRecorder progress(sim);
    ProgramTav_Click(w);
    EXPECT_TRUE(progress.Values().empty());
    EXPECT_EQ(w.Label2.Caption, "0%");
    EXPECT_EQ(CommandsOf(FramesOf(sim.port, 2)), (std::vector<std::uint8_t>{21}));
    ExpectIdleAfterwards();
}

TEST_F(ProgramTavTest, Target153TalksWithRtsOnAndRestartsWithRtsOff) {
    sim::TavFaults faults;
    faults.rtsRequired = true;
    Ready(2, 153, {}, faults);
    sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");

    ProgramTav_Click(w);

    EXPECT_EQ(tav->IdentificationRequests(), 2);  // the probe without RTS, then with it
    EXPECT_EQ(tav->Records(), ExpectedArrivals());
    const auto frames = FramesOf(sim.port, 2);
    EXPECT_EQ(CommandsOf(frames), (std::vector<std::uint8_t>{161, 161, 21, 51}));
    for (std::size_t k = 0; k < 3; ++k) EXPECT_TRUE(frames[k].rts && frames[k].payloadRts) << k;
    EXPECT_FALSE(frames[3].rts || frames[3].payloadRts);
    EXPECT_EQ(frames[3].payload, std::vector<std::uint8_t>{255});
    // The first probe went out with RTS off: RTS came on only after it.
    using Kind = sim::VirtualSerialPort::WireEvent::Kind;
    bool rts = false;
    int probeBytesWithoutRts = 0;
    for (const auto& e : sim.port.Log()) {
        if (e.kind == Kind::Rts) rts = e.byte != 0;
        if (e.kind == Kind::Sent && e.text == "9600,n,8,2" && !rts) ++probeBytesWithoutRts;
    }
    EXPECT_GE(probeBytesWithoutRts, 7);
    ExpectIdleAfterwards();
}

class IrMicroTargetTest : public ProgramTavTest, public ::testing::WithParamInterface<int> {};

TEST_P(IrMicroTargetTest, LoaderBytesOfTheIrMicroAndItsRestartInsteadOfTheCompletion) {
    sim::TavProfile ir;
    ir.irMicro = true;
    Ready(3, static_cast<std::uint8_t>(GetParam()), ir);

    ProgramTav_Click(w);  // no box: the IR restart confirms

    EXPECT_EQ(tav->Records(), ExpectedArrivals());
    EXPECT_EQ(CommandsOf(FramesOf(sim.port, 2)), (std::vector<std::uint8_t>{136, 136, 136, 119}));
    EXPECT_EQ(tav->IrRestarts(), 1);
    EXPECT_EQ(tav->Completions(), 0);
    ExpectIdleAfterwards();
}

INSTANTIATE_TEST_SUITE_P(Targets, IrMicroTargetTest, ::testing::Values(37, 38, 41, 44));

TEST_F(ProgramTavTest, EmergencyRowReachesATavThatOnlyHasItsLoader) {
    sim::TavFaults faults;
    faults.loaderOnly = true;  // its earlier programming failed: no answer to the probe
    Ready(4, 0x11, {}, faults);
    w.EmergencyMode = VbTrue;
    sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");

    ProgramTav_Click(w);

    EXPECT_EQ(tav->Records(), ExpectedArrivals());
    ExpectIdleAfterwards();
}

TEST_F(ProgramTavTest, ProgressBarTakesEveryValueOfAFullImage) {
    Ready(1024, 0x11);
    sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
    ProgressRecorder progress(sim);

    ProgramTav_Click(w);

    std::vector<int> every(1024);
    for (int k = 0; k < 1024; ++k) every[static_cast<std::size_t>(k)] = k + 1;
    EXPECT_EQ(progress.Values(), every);
    for (const auto& s : progress.Changes()) EXPECT_LE(s.value, s.max);
    const auto captions = progress.Captions();
    EXPECT_EQ(captions.front(), "00.1%");
    EXPECT_EQ(captions.back(), "100.0%");
    EXPECT_EQ(tav->Records(), ExpectedArrivals());
    ExpectIdleAfterwards();
}

TEST_F(ProgramTavTest, SameTavCanBeProgrammedTwiceInARow) {
    Ready(3, 0x11);
    sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded").ExpectBox("OK! ", "Tav reprogram suceeded");
    ProgramTav_Click(w);
    ASSERT_TRUE(w.CanActivate(w.ProgramTav));
    ProgramTav_Click(w);
    auto twice = ExpectedArrivals();
    const auto once = twice;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(tav->Records(), twice);
    ExpectIdleAfterwards();
}

}  // namespace
}  // namespace vantrel::test
