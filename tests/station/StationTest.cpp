// The bench as a whole: every armed slot watched at the same time on a port thread of its
// own, the statuses and counts the views read, and a stop that reaches every slot.

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "station/Station.h"
#include "support/VirtualPortThread.h"

namespace vantrel::test {
namespace {

struct Counting : StationObserver {
    void TavEnded(const TavResult& result) override {
        std::lock_guard lock(mutex);
        results.push_back(result);
        changed.notify_all();
    }
    void SlotChanged(const SlotStatus& status) override {
        std::lock_guard lock(mutex);
        if (status.state == SlotState::OtherType) ++leftAlone;
        changed.notify_all();
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<TavResult> results;
    int leftAlone = 0;
};

TEST(Station, FourSlotsAtOnceProgramTheTavsOfTheFilesTypeAndLeaveTheOtherAlone) {
    // Each port thread's line: COM1 to COM3 hold a tav of the file's type, COM4 another.
    const StartPortThread start = VirtualPortThreads([](SimLine& line) {
        for (int port = 1; port <= 3; ++port) line.AttachTav(port);
        line.AttachTav(4, {.replyCode = 0x22});
    });
    auto image = std::make_shared<std::vector<FirmwareRecord>>(5, FirmwareRecord{0x0300, {1, 2, 3}});
    SlotJob job;
    job.image = image;
    job.targetReply = 0x11;
    job.fileVersion = 3.0f;
    job.types = DefaultTypeRows();

    Counting seen;
    Station station(start, seen);
    station.Watch(job, {1, 2, 3, 4});
    {
        std::unique_lock lock(seen.mutex);
        seen.changed.wait(lock, [&] { return seen.results.size() == 3 && seen.leftAlone == 1; });
    }
    station.Stop();
    station.Wait();
    EXPECT_FALSE(station.Running());
    EXPECT_FALSE(station.StoppedATransfer());
    EXPECT_EQ(station.Total(), (SlotCounts{3, 0, 1}));
    const auto statuses = station.Statuses();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(StatusText(statuses[static_cast<std::size_t>(i)]), "Programmed: 5 records");
    EXPECT_EQ(StatusText(statuses[3]), "Other type: Tav model 01");
    for (const TavResult& r : seen.results) EXPECT_EQ(r.outcome, TavOutcome::Programmed);
}

}  // namespace
}  // namespace vantrel::test
