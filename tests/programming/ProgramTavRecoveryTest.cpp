// The Program button when things go wrong: a record never acknowledged, a tav or adapter
// gone mid-transfer, a port that does not open, no row selected. Each ends with the
// window usable and the same tav programmable again at once.

#include "programming/ProgramTav.h"

#include "ProgrammingFixture.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kFailed = "Tav failed to reprogram. Tav must be programmed to operate";

class ProgramTavRecoveryTest : public ProgrammingTest {
protected:
    sim::TavDevice* tav = nullptr;

    void Ready(int records, std::uint8_t target, sim::TavProfile profile = {}, sim::TavFaults faults = {}) {
        profile.replyCode = target;
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
        EXPECT_TRUE(w.CanActivate(w.ProgramTav));
    }

    void ProgramAgainSucceeds() {
        tav->Faults() = {};
        const std::size_t before = tav->Records().size();
        sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
        ProgramTav_Click(w);
        ASSERT_EQ(tav->Records().size(), before + static_cast<std::size_t>(w.RecordCount));
        const std::vector<sim::StoredRecord> latest(tav->Records().begin() + static_cast<std::ptrdiff_t>(before),
                                                    tav->Records().end());
        EXPECT_EQ(latest, ExpectedArrivals());
        ExpectIdleAfterwards();
    }

    // Runs fn once, from inside the program's waits, as soon as the tav holds n records.
    void WhenStored(std::size_t n, std::function<void()> fn) {
        sim.pump.ScheduleAfter(1ms, [this, n, fn] {
            if (tav->Records().size() >= n)
                fn();
            else
                WhenStored(n, fn);
        });
    }
};

TEST_F(ProgramTavRecoveryTest, FailureAtTheFirstRecordReportsOnceAndRestartsTheTav) {
    sim::TavFaults faults;
    faults.noAck = true;
    Ready(3, 0x11, {}, faults);
    sim.dialogs.ExpectBox("Error!", kFailed);

    ProgramTav_Click(w);

    const auto frames = FramesOf(sim.port, 2);
    ASSERT_EQ(frames.size(), 8u);
    for (std::size_t k = 0; k < 7; ++k) {
        EXPECT_EQ(frames[k].command, 161);
        EXPECT_EQ(frames[k].payload[0], 0x10) << "only the last record, 0x0110, is tried";
        EXPECT_EQ(frames[k].payload[1], 0x01);
    }
    EXPECT_EQ(frames[7].command, 51);  // restart_unit, confirmed by the tav: no further box
    EXPECT_EQ(tav->Completions(), 0);
    EXPECT_EQ(tav->Restarts(), 1);
    EXPECT_EQ(w.Label2.Caption, "33.3%");
    ExpectIdleAfterwards();
    ProgramAgainSucceeds();
}

TEST_F(ProgramTavRecoveryTest, IrMicroFailureIsFollowedByTheIrRestart) {
    sim::TavProfile ir;
    ir.irMicro = true;
    sim::TavFaults faults;
    faults.wrongAckRecords = 7;
    Ready(2, 41, ir, faults);
    sim.dialogs.ExpectBox("Error!", kFailed);

    ProgramTav_Click(w);

    const std::vector<std::uint8_t> expected{136, 136, 136, 136, 136, 136, 136, 119};
    EXPECT_EQ(CommandsOf(FramesOf(sim.port, 2)), expected);
    EXPECT_EQ(tav->IrRestarts(), 1);
    ExpectIdleAfterwards();
}

TEST_F(ProgramTavRecoveryTest, TavFallingSilentMidTransferEndsInTheFailurePathInBoundedTime) {
    sim::TavFaults faults;
    faults.unplugAfterRecords = 2;
    Ready(5, 0x11, {}, faults);
    sim.dialogs.ExpectBox("Error!", kFailed).ExpectBox("Error!", "No reply to restart");

    const Instant took = sim.Timed([&] { ProgramTav_Click(w); });

    EXPECT_EQ(tav->Records().size(), 2u);
    // Open, probe, two records, seven silent attempts, four restart attempts.
    EXPECT_LT(took, 6s);
    ExpectIdleAfterwards();
    ProgramAgainSucceeds();
}

TEST_F(ProgramTavRecoveryTest, AdapterPulledMidTransferEndsInTheFailurePath) {
    Ready(5, 0x11);
    WhenStored(3, [this] { sim.port.Unplug(2); });
    sim.dialogs.ExpectBox("Error!", kFailed);  // the port is gone: no restart is tried

    EXPECT_NO_THROW(ProgramTav_Click(w));

    EXPECT_EQ(tav->Records().size(), 3u);
    EXPECT_EQ(tav->Restarts(), 0);
    ExpectIdleAfterwards();

    sim.port.AttachTav(2, *tav);  // plugged in again
    ProgramAgainSucceeds();
}

TEST_F(ProgramTavRecoveryTest, PortHeldByAnotherProgramIsReportedAndNothingIsSent) {
    Ready(3, 0x11);
    sim.port.SetBusy(2, true);
    sim.dialogs.ExpectBox("Error!", "Cannot open COM2");

    ProgramTav_Click(w);

    EXPECT_TRUE(sim.port.SentBytes(2).empty());
    EXPECT_EQ(w.Label2.Caption, "0%");
    ExpectIdleAfterwards();

    sim.port.SetBusy(2, false);
    ProgramAgainSucceeds();
}

TEST_F(ProgramTavRecoveryTest, PortGoneSinceTheSearchIsReportedByName) {
    PutImage(3, 0x11);
    SelectRow(3);  // COM4 does not exist (any more)
    sim.dialogs.ExpectBox("Error!", "Cannot open COM4");
    ProgramTav_Click(w);
    EXPECT_TRUE(sim.port.SentBytes(4).empty());
    ExpectIdleAfterwards();
}

TEST_F(ProgramTavRecoveryTest, NoSelectedRowTouchesNoPort) {
    Ready(3, 0x11);
    w.Option1[1].Value = 0;  // the selection was cleared, ProgramTav stayed enabled
    sim.dialogs.ExpectBox("Error!", "No tav selected");

    ProgramTav_Click(w);

    EXPECT_TRUE(sim.port.Log().empty());
    EXPECT_FALSE(w.PleaseWait.Visible);
    EXPECT_TRUE(w.CanActivate(w.ProgramTav));
}

}  // namespace
}  // namespace vantrel::test
