// The Program button: records last to first with progress, the completion or the IR-micro
// restart, the RTS rule of target 153, and the failures after which the window is usable
// and the same tav programmable again at once.

#include <functional>
#include <string>
#include <utility>

#include "programming/ProgramTav.h"

#include "ProgrammingRig.h"

namespace vantrel::test {
namespace {

constexpr const char* kFailed = "Tav failed to reprogram. Tav must be programmed to operate";

// Port closed, RTS off, bar reset, panel hidden, Program reachable.
void ExpectIdle(Rig& r) {
    EXPECT_TRUE(!r.sim.port.PortOpen() && !r.sim.port.RTSEnable());
    EXPECT_TRUE(r.w.ProgressBar1.Value == 0 && r.w.ProgressBar1.Max == 1000);
    EXPECT_TRUE(!r.w.PleaseWait.Visible && r.w.CanActivate(r.w.ProgramTav));
}

// With the faults gone, the whole image arrives again, last record first.
void ProgramAgainSucceeds(Rig& r) {
    r.tav->Faults() = {};
    const auto before = static_cast<std::ptrdiff_t>(r.tav->Records().size());
    if (!r.tav->Profile().irMicro) r.sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
    ProgramTav_Click(r.w);
    EXPECT_EQ(std::vector(r.tav->Records().begin() + before, r.tav->Records().end()), r.ExpectedArrivals());
    ExpectIdle(r);
}

// Bar value and caption while the panel shows a value, sampled every 2 ms of virtual
// time, each change once; only while Program is covered.
using Shown = std::vector<std::pair<int, std::string>>;
void WatchProgress(Rig& r, Shown& shown) {
    const Bootstrap& w = r.w;
    if (w.PleaseWait.Visible && w.ProgressBar1.Value != 0 && w.IsCovered(w.ProgramTav)) {
        std::pair<int, std::string> now{w.ProgressBar1.Value, w.Label2.Caption};
        if (shown.empty() || shown.back() != now) shown.push_back(std::move(now));
    }
    r.sim.pump.ScheduleAfter(2ms, [&r, &shown] { WatchProgress(r, shown); });
}

TEST(ProgramTav, RecordsGoLastToFirstWithProgressThenTheCompletionEvenForAnEmptyImage) {
    Rig r(3, 0x11);
    Shown progress;
    WatchProgress(r, progress);
    r.sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded").ExpectBox("OK! ", "Tav reprogram suceeded");
    ProgramTav_Click(r.w);
    EXPECT_EQ(r.tav->Records(), r.ExpectedArrivals());
    EXPECT_EQ(progress, (Shown{{1, "33.3%"}, {2, "66.7%"}, {3, "100.0%"}}));
    EXPECT_EQ(r.tav->IdentificationRequests(), 1);  // one probe, without restart
    ExpectIdle(r);

    r.w.RecordCount = 0;
    ProgramTav_Click(r.w);
    EXPECT_EQ(progress.size(), 3u);
    EXPECT_EQ(r.Commands(), (Bytes{161, 161, 161, 21, 21}));
    ExpectIdle(r);
}

TEST(ProgramTav, Target153TalksWithRtsOnAndRestartsWithRtsOff) {
    Rig r(2, 153, {}, {.rtsRequired = true});
    r.sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
    ProgramTav_Click(r.w);
    EXPECT_EQ(r.tav->IdentificationRequests(), 2);  // the probe without RTS, then with it
    const auto frames = r.Frames();
    ASSERT_EQ(r.Commands(), (Bytes{161, 161, 21, 51}));
    // The records and the completion were acknowledged: this tav answers only with RTS on.
    for (std::size_t k = 0; k < 3; ++k) EXPECT_TRUE(frames[k].rts) << k;
    EXPECT_FALSE(frames[3].rts);
    EXPECT_EQ(frames[3].payload, Bytes{255});
    ExpectIdle(r);
}

TEST(ProgramTav, IrMicroTargetsUseTheirLoaderAndTheIrRestartInsteadOfTheCompletion) {
    for (int target : {37, 38, 41, 44}) {
        SCOPED_TRACE(target);
        Rig r(3, static_cast<std::uint8_t>(target), {.irMicro = true});
        ProgramTav_Click(r.w);  // no box: the IR restart confirms
        EXPECT_EQ(r.tav->Records(), r.ExpectedArrivals());
        EXPECT_EQ(r.Commands(), (Bytes{136, 136, 136, 119}));
        ExpectIdle(r);
    }
}

TEST(ProgramTav, AFullImageReachesAnEmergencyRowWithEveryProgressValue) {
    Rig r(1024, 0x11, {}, {.loaderOnly = true});  // its earlier programming failed: no answer to the probe
    r.w.EmergencyMode = VbTrue;
    Shown progress;
    WatchProgress(r, progress);
    r.sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
    ProgramTav_Click(r.w);
    EXPECT_EQ(r.tav->Records(), r.ExpectedArrivals());
    ASSERT_EQ(progress.size(), 1024u);
    for (int k = 0; k < 1024; ++k) EXPECT_EQ(progress[static_cast<std::size_t>(k)].first, k + 1);
    EXPECT_EQ(progress.front().second, "00.1%");
    EXPECT_EQ(progress.back().second, "100.0%");
    ExpectIdle(r);
}

TEST(ProgramTav, FailureAtTheFirstRecordReportsOnceAndRestartsTheTav) {
    for (bool ir : {false, true}) {
        SCOPED_TRACE(ir ? "IR micro" : "tav");
        Rig r(3, ir ? 41 : 0x11, {.irMicro = ir}, {.wrongAckRecords = ir ? 7 : 0, .noAck = !ir});
        r.sim.dialogs.ExpectBox("Error!", kFailed);  // the restart is confirmed: no further box
        ProgramTav_Click(r.w);
        Bytes commands(7, ir ? 136 : 161);
        commands.push_back(ir ? 119 : 51);
        EXPECT_EQ(r.Commands(), commands);
        ExpectIdle(r);
        ProgramAgainSucceeds(r);
    }
}

TEST(ProgramTav, AdapterPulledMidTransferEndsInTheFailurePathAndProgramsAgain) {
    Rig r(5, 0x11);
    // Pulled from inside the program's waits as soon as the tav holds three records.
    std::function<void()> pullAtThird = [&] {
        r.tav->Records().size() >= 3 ? r.sim.port.Unplug(2) : r.sim.pump.ScheduleAfter(1ms, pullAtThird);
    };
    r.sim.pump.ScheduleAfter(1ms, pullAtThird);
    r.sim.dialogs.ExpectBox("Error!", kFailed);  // the port is gone: no restart is tried
    EXPECT_NO_THROW(ProgramTav_Click(r.w));
    EXPECT_EQ(r.tav->Records().size(), 3u);
    ExpectIdle(r);
    r.sim.port.AttachTav(2, *r.tav);  // plugged in again
    ProgramAgainSucceeds(r);
}

TEST(ProgramTav, NoSelectedRowOrAPortThatWontOpenSendsNothing) {
    Rig r(3, 0x11);
    r.w.Option1[1].Value = 0;  // the selection was cleared, ProgramTav stayed enabled
    r.sim.dialogs.ExpectBox("Error!", "No tav selected");
    ProgramTav_Click(r.w);
    EXPECT_TRUE(r.sim.port.Log().empty());
    ExpectIdle(r);

    r.w.Option1[1].Value = 1;
    r.sim.port.SetBusy(2, true);  // held by another program
    r.sim.dialogs.ExpectBox("Error!", "Cannot open COM2");
    ProgramTav_Click(r.w);
    EXPECT_TRUE(r.sim.port.SentBytes(2).empty());
    ExpectIdle(r);
    r.sim.port.SetBusy(2, false);
    ProgramAgainSucceeds(r);
}

}  // namespace
}  // namespace vantrel::test
