// The Program button: records last to first with progress, the completion or the IR-micro
// restart, the RTS rule of target 153, and the failures after which the window is usable
// and the same tav programmable again at once.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/Commands.h"
#include "app/PortThreadTransfer.h"
#include "app/ProgramTavClick.h"
#include "app/ViewActions.h"
#include "app/WindowHandlers.h"

#include "ProgrammingRig.h"

namespace vantrel::test {
namespace {

constexpr const char* kFailed = "Tav failed to reprogram. Tav must be programmed to operate";

// Port closed, RTS off, bar reset, panel hidden, Program reachable.
void ExpectIdle(Rig& r) {
    EXPECT_FALSE(r.sim.port.PortOpen());
    EXPECT_FALSE(r.sim.port.RTSEnable());
    EXPECT_EQ(r.w.ProgressBar1.Value, 0);
    EXPECT_EQ(r.w.ProgressBar1.Max, 1000);
    EXPECT_FALSE(r.w.PleaseWait.Visible);
    EXPECT_TRUE(r.w.CanActivate(r.w.ProgramTav));
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

// The bar as drawn ("value/maximum") and the caption while the panel shows a value,
// sampled every 2 ms of virtual time, each change once; only while Program is covered.
using Shown = std::vector<std::pair<std::string, std::string>>;
void WatchProgress(Rig& r, Shown& shown) {
    const Bootstrap& w = r.w;
    if (w.PleaseWait.Visible && w.ProgressBar1.Value != 0 && w.IsCovered(w.ProgramTav)) {
        std::pair now{std::to_string(w.ProgressBar1.Value) + "/" + std::to_string(w.ProgressBar1.Max),
                      w.Label2.Caption};
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
    EXPECT_EQ(progress, (Shown{{"1/3", "33.3%"}, {"2/3", "66.7%"}, {"3/3", "100.0%"}}));  // bar and text agree
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
    for (int k = 0; k < 1024; ++k)
        EXPECT_EQ(progress[static_cast<std::size_t>(k)].first, std::to_string(k + 1) + "/1024");
    EXPECT_EQ(progress.front().second, "00.1%");
    EXPECT_EQ(progress.back().second, "100.0%");
    ExpectIdle(r);
}

// While the restart after the failure box runs, the panel is gone and the buttons are in
// view: a click on any command, or its handler reached all the same, starts nothing.
void ClickEveryCommandOnceThePanelIsGone(Rig& r, std::vector<std::string>& usable) {
    Bootstrap& w = r.w;
    if (w.PleaseWait.Visible || !w.MSComm1.PortOpen() || !usable.empty()) {
        r.sim.pump.ScheduleAfter(1ms, [&r, &usable] { ClickEveryCommandOnceThePanelIsGone(r, usable); });
        return;
    }
    for (Control* c : {&w.ProgramTav, &w.Load, &w.search, &w.Emergency, &w.Option1[1], &w.Exit})
        if (w.CanActivate(*c)) usable.push_back(c->Name);
    ProgramTav_Click(w);
    Load_Click(w);
    search_Click(w);
    Emergency_Click(w);
    Option1_Click(w, 1);
}

TEST(ProgramTav, FailureAtTheFirstRecordReportsOnceAndRestartsTheTavWithNoSecondCommandInBetween) {
    for (bool ir : {false, true}) {
        SCOPED_TRACE(ir ? "IR micro" : "tav");
        Rig r(3, ir ? 41 : 0x11, {.irMicro = ir}, {.wrongAckRecords = ir ? 7 : 0, .noAck = !ir});
        r.w.search.Enabled = r.w.Emergency.Enabled = true;  // as after a load
        std::vector<std::string> usable;
        ClickEveryCommandOnceThePanelIsGone(r, usable);
        r.sim.dialogs.ExpectBox("Error!", kFailed);  // the restart is confirmed: no further box
        ProgramTav_Click(r.w);
        Bytes commands(7, ir ? 136 : 161);
        commands.push_back(ir ? 119 : 51);
        EXPECT_EQ(r.Commands(), commands);
        EXPECT_EQ(usable, std::vector<std::string>{"Exit"});
        EXPECT_EQ(r.w.Programming.Outcome, ProgrammingRun::Ending::RecordFailed);
        EXPECT_EQ(r.w.Programming.TavRestart, ProgrammingRun::Restart::Confirmed);
        ExpectIdle(r);
        ProgramAgainSucceeds(r);
    }
}

TEST(ProgramTav, ATransferCutShortEndsInTheFailurePathAndTheTavCanBeProgrammedAgain) {
    using Ending = ProgrammingRun::Ending;
    using Restart = ProgrammingRun::Restart;
    struct Case {
        const char* name;
        std::function<void(Rig&)> cut;  // done from inside the program's waits once the tav holds three records
        Bytes commands;                 // what the tav heard
        int acknowledged;
        Ending outcome;
        Restart restart;
        bool ended;
    };
    const Case cases[] = {
        // The port is gone: no restart is tried.
        {"adapter pulled", [](Rig& r) { r.sim.port.Unplug(2); }, {161, 161, 161}, 2, Ending::RecordFailed,
         Restart::NotSent, false},
        // The record in flight finishes; the stop comes before the next one, and the program
        // ends once the tav has been restarted. Closing again, or Exit, changes nothing.
        {"window closed", [](Rig& r) { CloseWindow(r.w), CloseWindow(r.w), Exit_Click(r.w); },
         {161, 161, 161, 51}, 3, Ending::Stopped, Restart::Confirmed, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r(5, 0x11);
        std::function<void()> cutAtThird = [&] {
            r.tav->Records().size() >= 3 ? c.cut(r) : r.sim.pump.ScheduleAfter(1ms, cutAtThird);
        };
        r.sim.pump.ScheduleAfter(1ms, cutAtThird);
        r.sim.dialogs.ExpectBox("Error!", kFailed);
        EXPECT_NO_THROW(ProgramTav_Click(r.w));
        EXPECT_EQ(r.Commands(), c.commands);
        const auto all = r.ExpectedArrivals();
        EXPECT_EQ(r.tav->Records(), std::vector(all.begin(), all.begin() + 3));
        const ProgrammingRun& run = r.w.Programming;
        EXPECT_EQ(run.RecordsAcknowledged, c.acknowledged);
        EXPECT_EQ(run.Outcome, c.outcome);
        EXPECT_EQ(run.TavRestart, c.restart);
        EXPECT_TRUE(run.ImageIncomplete());
        EXPECT_EQ(r.w.Ended, c.ended);
        ExpectIdle(r);
        r.sim.port.AttachTav(2, *r.tav);  // plugged in again
        ProgramAgainSucceeds(r);
    }
}

TEST(ProgramTav, NoSelectedRowAnAddressBeyond7FFFOrAPortThatWontOpenSendsNothing) {
    struct Case {
        const char* name;
        std::function<void(Rig&, bool)> set;  // true: make the fault, false: mend it
        const char* box;
        bool portTouched;
    };
    std::optional<PortThreadTransfer> noThread;
    TransferRunner* inPlace = nullptr;  // the rig's own, put back when mended
    const Case cases[] = {
        // The selection was cleared, ProgramTav stayed enabled.
        {"no selected row", [](Rig& r, bool on) { r.w.Option1[1].Value = on ? 0 : 1; }, "No tav selected", false},
        // Address fields 8000 and FFFE hex: word addresses -16384 and -1, in data lines 2 and 3.
        {"negative word addresses",
         [](Rig& r, bool on) {
             r.w.Records[1].WordAddress = on ? -16384 : 0x0108;
             r.w.Records[2].WordAddress = on ? -1 : 0x0110;
         },
         "Address 8000 hex or above on data line 2: nothing was sent to the tav", false},
        {"port held by another program", [](Rig& r, bool on) { r.sim.port.SetBusy(2, on); }, "Cannot open COM2", true},
        // The platform cannot give the transfer a thread with a port of its own: the window
        // shows why, as for any failure under a command.
        {"no port thread",
         [&noThread, &inPlace](Rig& r, bool on) {
             if (on) {
                 inPlace = r.w.Transfer;
                 noThread.emplace(
                     [](PortWork, PortFailure failed) {
                         failed("no serial port on this thread");
                         return std::unique_ptr<PortThread>();
                     },
                     r.w.Wire);
             }
             r.w.Transfer = on ? &*noThread : inPlace;
         },
         "no serial port on this thread", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r(3, 0x11);
        c.set(r, true);
        const auto image = r.ExpectedArrivals();
        r.sim.dialogs.ExpectBox("Error!", c.box);
        // Pressed as the window presses it, which shows a failure under the command.
        EXPECT_TRUE(ViewActions(r.w, WindowHandlers::Program(), [] { return false; }).Press(r.w.ProgramTav));
        EXPECT_TRUE(r.sim.port.SentBytes(2).empty());
        EXPECT_EQ(r.sim.port.Log().empty(), !c.portTouched);
        EXPECT_EQ(r.w.Programming.Outcome, ProgrammingRun::Ending::NotStarted);
        EXPECT_EQ(r.ExpectedArrivals(), image);
        EXPECT_TRUE(r.w.Option1[1].Visible);
        ExpectIdle(r);
        c.set(r, false);
        ProgramAgainSucceeds(r);
    }
}

}  // namespace
}  // namespace vantrel::test
