// One watched slot on virtual time: tavs connected, taken away and connected again, ports
// that vanish and come back, tavs left alone, failures and what the slot shows of each.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "station/WatchSlot.h"
#include "support/SimLine.h"
#include "support/WireFrames.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;

constexpr int kRecords = 6;
constexpr std::uint8_t kTarget = 0x11;  // the simulated tav's default type, code version 2.5

std::shared_ptr<const std::vector<FirmwareRecord>> Image() {
    auto image = std::make_shared<std::vector<FirmwareRecord>>();
    for (std::size_t i = 0; i < kRecords; ++i) {
        FirmwareRecord r{static_cast<std::int16_t>(0x0200 + 8 * i), {}};
        for (std::size_t k = 0; k < 16; ++k) r.Data[k] = static_cast<std::uint8_t>(i * 13 + k * 31 + 7);
        image->push_back(r);
    }
    return image;
}

// The image as a tav stores it: the last record first.
std::vector<sim::StoredRecord> Arrivals(const std::vector<FirmwareRecord>& image) {
    std::vector<sim::StoredRecord> out;
    for (auto i = image.size(); i-- > 0;) out.push_back({static_cast<std::uint16_t>(image[i].WordAddress), image[i].Data});
    return out;
}

struct Shown : SlotEvents {
    void Changed(const SlotStatus& status) override {
        const std::string text = StatusText(status);
        if (texts.empty() || texts.back() != text) texts.push_back(text);
        last = status;
        if (text == "Programming 50%" && halfway) std::exchange(halfway, nullptr)();
    }
    // Done once, as the transfer reaches half of the image.
    std::function<void()> halfway;
    void TavEnded(const TavResult& result) override { results.push_back(result); }
    std::vector<std::string> texts;
    std::vector<TavResult> results;
    SlotStatus last;
};

// A slot on COM1 of a virtual line, watched until `until`; what happens on the bench
// meanwhile is scheduled on the line's pump.
class Watch : public ::testing::Test {
protected:
    Watch() { job.image = image; job.targetReply = kTarget; job.fileVersion = 3.0f; job.types = line.types; }

    void At(Instant at, std::function<void()> fn) { line.pump.Schedule(at, std::move(fn)); }
    sim::TavDevice& Connect(Instant at, sim::TavProfile profile = {}, sim::TavFaults faults = {}) {
        tavs.push_back(std::make_unique<sim::TavDevice>(std::move(profile), faults));
        sim::TavDevice* tav = tavs.back().get();
        At(at, [this, tav] { line.port.AttachTav(1, *tav); });
        return *tav;
    }
    void TakeAway(Instant at) {
        At(at, [this] { line.port.AddEmptyPort(1); });
    }
    void Run(Instant until) {
        At(until, [this] { control.RequestStop(); });
        WatchSlot slot(1, job, WatchTimes{}, control, shown);
        AbandonablePump waits(line.pump, control.Waits());
        Link link(line.port, waits);
        slot.Run(link);
        EXPECT_FALSE(line.port.PortOpen());
    }

    SimLine line;
    std::shared_ptr<const std::vector<FirmwareRecord>> image = Image();
    SlotJob job;
    SlotControl control;
    Shown shown;
    std::vector<std::unique_ptr<sim::TavDevice>> tavs;
};

TEST_F(Watch, TwoTavsOneAfterTheOtherAreEachProgrammedOnceWithTheWholeImage) {
    line.port.AddEmptyPort(1);
    sim::TavDevice& first = Connect(1s);
    TakeAway(20s);
    sim::TavDevice& second = Connect(30s);
    Run(60s);
    EXPECT_EQ(first.Records(), Arrivals(*image));
    EXPECT_EQ(second.Records(), Arrivals(*image));
    EXPECT_EQ(first.Completions(), 1);
    EXPECT_EQ(second.Completions(), 1);
    EXPECT_EQ(shown.texts, (std::vector<std::string>{"Waiting for a tav", "Programming 0%", "Programming 16%",
                                                    "Programming 33%", "Programming 50%", "Programming 66%",
                                                    "Programming 83%", "Programmed: 6 records", "Waiting for a tav",
                                                    "Programming 0%", "Programming 16%", "Programming 33%",
                                                    "Programming 50%", "Programming 66%", "Programming 83%",
                                                    "Programmed: 6 records"}));
    EXPECT_EQ(shown.last.counts, (SlotCounts{2, 0, 0}));
    ASSERT_EQ(shown.results.size(), 2u);
    EXPECT_EQ(shown.results[0].outcome, TavOutcome::Programmed);
}

TEST_F(Watch, TavsLeftAloneGetNoLoaderCommandUnlessUpToDateOnesAreToBeReprogrammed) {
    struct Case {
        const char* name;
        sim::TavProfile profile;
        bool reprogramUpToDate;
        const char* shows;
        int loaderCommands;
        SlotCounts counts;
    };
    const Case cases[] = {
        {"older", {.major = 2, .minor = 5}, false, "Programmed: 6 records", kRecords + 1, {1, 0, 0}},
        {"same version", {.major = 3, .minor = 0}, false, "Up to date: Tav model 00 3.0", 0, {0, 0, 1}},
        {"newer", {.major = 4, .minor = 1}, false, "Up to date: Tav model 00 4.1", 0, {0, 0, 1}},
        {"same version, reprogrammed once", {.major = 3, .minor = 0}, true, "Programmed: 6 records", kRecords + 1,
         {1, 0, 0}},
        {"another type", {.replyCode = 0x22}, true, "Other type: Tav model 01", 0, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimLine fresh;
        Shown seen;
        SlotControl ctl;
        SlotJob j = job;
        j.reprogramUpToDate = c.reprogramUpToDate;
        fresh.AttachTav(1, c.profile);
        // The tav stays connected for a minute: dealt with once only.
        fresh.pump.Schedule(60s, [&ctl] { ctl.RequestStop(); });
        WatchSlot slot(1, j, WatchTimes{}, ctl, seen);
        AbandonablePump waits(fresh.pump, ctl.Waits());
        Link link(fresh.port, waits);
        slot.Run(link);
        EXPECT_EQ(seen.texts.back(), c.shows);
        EXPECT_EQ(seen.last.counts, c.counts);
        EXPECT_EQ(test::Commands(fresh.port).size(), static_cast<std::size_t>(c.loaderCommands));
    }
}

TEST_F(Watch, AFailedTavStaysShownUntilTheNextTavWhichIsProgrammed) {
    line.port.AddEmptyPort(1);
    Connect(1s, {}, {.noAck = true});
    TakeAway(30s);
    sim::TavDevice& good = Connect(40s);
    Run(80s);
    ASSERT_EQ(shown.results.size(), 2u);
    EXPECT_EQ(shown.results[0].outcome, TavOutcome::RecordRefused);
    const auto failed = std::find(shown.texts.begin(), shown.texts.end(),
                                  "Failed: record 1 of 6 was refused after its seven attempts");
    ASSERT_NE(failed, shown.texts.end());
    EXPECT_EQ(*(failed + 1), "Programming 0%");  // not "Waiting" in between: the failure stayed in view
    EXPECT_EQ(good.Records(), Arrivals(*image));
    EXPECT_EQ(shown.last.counts, (SlotCounts{1, 1, 0}));
}

TEST_F(Watch, APortThatVanishesMidTransferFailsTheTavAndIsUsedAgainWhenItComesBack) {
    line.port.AddEmptyPort(1);
    Connect(1s);
    shown.halfway = [this] { line.port.Unplug(1); };
    sim::TavDevice& next = Connect(20s);
    Run(60s);
    ASSERT_EQ(shown.results.size(), 2u);
    EXPECT_EQ(shown.results[0].outcome, TavOutcome::PortLost);
    EXPECT_EQ(shown.results[1].outcome, TavOutcome::Programmed);
    EXPECT_EQ(next.Records(), Arrivals(*image));
}

TEST_F(Watch, ATavTakenAwayMidTransferFailsWithTheRecordItNeverAcknowledged) {
    line.port.AddEmptyPort(1);
    Connect(1s);
    shown.halfway = [this] { line.port.AddEmptyPort(1); };
    Run(40s);
    ASSERT_EQ(shown.results.size(), 1u);
    EXPECT_EQ(shown.results[0].outcome, TavOutcome::RecordRefused);
    EXPECT_EQ(shown.last.state, SlotState::Failed);
    EXPECT_EQ(shown.last.counts, (SlotCounts{0, 1, 0}));
}

TEST_F(Watch, MissingAndBusyPortsAreShownAndLookedAtAgain) {
    line.port.SetBusy(1, true);  // exists, held by another program
    At(5s, [this] { line.port.SetBusy(1, false); });
    sim::TavDevice& tav = Connect(8s);
    Run(30s);
    EXPECT_EQ(shown.texts.front(), "In use by another program");
    EXPECT_EQ(shown.texts[1], "Waiting for a tav");
    EXPECT_EQ(tav.Records(), Arrivals(*image));

    SimLine none;
    Shown seen;
    SlotControl ctl;
    none.pump.Schedule(10s, [&ctl] { ctl.RequestStop(); });
    WatchSlot slot(1, job, WatchTimes{}, ctl, seen);
    AbandonablePump waits(none.pump, ctl.Waits());
    Link link(none.port, waits);
    slot.Run(link);
    EXPECT_EQ(seen.texts.back(), "No port");
}

TEST_F(Watch, AStopMidTransferEndsAtTheRecordBoundaryAndRestartsTheTav) {
    line.port.AddEmptyPort(1);
    sim::TavDevice& tav = Connect(1s);
    shown.halfway = [this] { control.RequestStop(); };
    Run(60s);
    ASSERT_EQ(shown.results.size(), 1u);
    EXPECT_EQ(shown.results[0].outcome, TavOutcome::Stopped);
    EXPECT_EQ(shown.results[0].run.TavRestart, ProgrammingRun::Restart::Confirmed);
    EXPECT_EQ(tav.Restarts(), 1);
    EXPECT_LT(tav.Records().size(), static_cast<std::size_t>(kRecords));
    EXPECT_EQ(shown.last.reason.rfind("stopped by the user", 0), 0u);
}

}  // namespace
}  // namespace vantrel::test
