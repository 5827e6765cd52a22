// The bench window's model on virtual port threads: what each slot shows, which commands
// may be used in each state, Program all with its question about up-to-date tavs, Retry
// failed in emergency mode, the watch toggle, and closing while something runs.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>

#include "app/Commands.h"
#include "bench/BenchModel.h"
#include "sim/PhxWriter.h"
#include "support/ScratchRegistry.h"
#include "support/ScriptedDialogs.h"
#include "support/SimLine.h"
#include "support/TempDir.h"
#include "support/VirtualPortThread.h"

namespace vantrel::test {
namespace {

// What each port holds on the lines made from now on: every port thread has a line of
// its own, equipped afresh, so a test changes the bench between commands.
struct Bench {
    std::mutex mutex;
    std::array<std::optional<sim::TavProfile>, 4> profiles;
    std::array<sim::TavFaults, 4> faults{};
    bool held = false;
    std::condition_variable released;

    void Equip(SimLine& line) {
        std::unique_lock lock(mutex);
        released.wait(lock, [this] { return !held; });
        for (int port = 1; port <= 4; ++port)
            if (const auto& profile = profiles[static_cast<std::size_t>(port - 1)])
                line.AttachTav(port, *profile, faults[static_cast<std::size_t>(port - 1)]);
    }
    // The port threads made meanwhile wait before they begin.
    void Hold() {
        std::lock_guard lock(mutex);
        held = true;
    }
    void Release() {
        std::lock_guard lock(mutex);
        held = false;
        released.notify_all();
    }
    void Put(int port, std::optional<sim::TavProfile> profile, sim::TavFaults fault = {}) {
        std::lock_guard lock(mutex);
        profiles[static_cast<std::size_t>(port - 1)] = profile;
        faults[static_cast<std::size_t>(port - 1)] = fault;
    }
};

class BenchModelTest : public ::testing::Test {
protected:
    BenchModelTest() {
        std::vector<sim::PhxRecord> records;
        for (int i = 0; i < 5; ++i) records.push_back({static_cast<std::uint16_t>(0x0200 + 16 * i), {}});
        file_ = (dir_.Path() / "fw.phx").string();
        std::ofstream(file_, std::ios::binary) << sim::WritePhx("Tav model 00", "3.0", records);
        model_.SetChanged([this] {
            std::lock_guard lock(mutex_);
            changed_ = true;
            cv_.notify_all();
        });
    }

    // Moves the model on as its window would until it is idle (or may close), or until
    // `until` holds.
    void Settle(const std::function<bool(const BenchView&)>& until = {}) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            model_.Update();
            const BenchView view = model_.View();
            if (until ? until(view) : view.enabled.load || model_.ReadyToClose()) return;
            std::unique_lock lock(mutex_);
            ASSERT_TRUE(cv_.wait_until(lock, deadline, [this] { return changed_; })) << "the bench never settled";
            changed_ = false;
        }
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const BenchSlotView& slot : model_.View().slots) texts.push_back(slot.status);
        return texts;
    }

    TempDir dir_;
    std::string file_;
    Bench bench_;
    SimLine window_;
    ScriptedDialogs dialogs_;
    ScratchRegistry registry_;
    BenchModel model_{BenchPlatform{window_.port, window_.pump, dialogs_, registry_,
                                    VirtualPortThreads([this](SimLine& line) { bench_.Equip(line); }), nullptr,
                                    [](int port) { return port == 4 ? std::string() : "/dev/ttyV" + std::to_string(port); }}};
    std::mutex mutex_;
    std::condition_variable cv_;
    bool changed_ = false;
};

const sim::TavProfile kOlder{.major = 2, .minor = 5};
const sim::TavProfile kSame{.major = 3, .minor = 0};
const sim::TavProfile kOtherType{.replyCode = 0x22};

TEST_F(BenchModelTest, CommandsFollowTheStateAndASecondClickStartsNothing) {
    BenchView view = model_.View();
    EXPECT_EQ(view.file, "No file loaded");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Waiting for a tav", "Waiting for a tav", "Waiting for a tav", "No port"}));
    EXPECT_EQ(view.slots[0].device, "/dev/ttyV1");
    EXPECT_EQ(view.slots[3].colour, SlotColour::Grey);
    const auto enabled = [](const BenchView& v) {
        const BenchCommands& e = v.enabled;
        return std::vector<bool>{e.load, e.programAll, e.watch, e.retryFailed, e.stop, e.exit, e.arm};
    };
    EXPECT_EQ(enabled(view), (std::vector<bool>{true, false, false, false, false, true, true}));

    dialogs_.ExpectBox("Error!", "Cannot open Hex file");
    model_.Load((dir_.Path() / "missing.phx").string());
    EXPECT_EQ(model_.View().file, "No file loaded");
    dialogs_.ExpectOpen(file_).ExpectOpen("");
    model_.Load();
    model_.Load();  // cancelled: the file stays
    view = model_.View();
    EXPECT_EQ(dialogs_.LastFilter(), "PHX (*.PHX)| *.phx");
    EXPECT_EQ(view.file.rfind("Tav model 00   version 3.0   5 records   SHA-256 ", 0), 0u) << view.file;
    EXPECT_EQ(view.file.size(), std::string("Tav model 00   version 3.0   5 records   SHA-256 ").size() + 12);
    EXPECT_EQ(enabled(view), (std::vector<bool>{true, true, true, false, false, true, true}));

    // Watching: only the toggle, Stop and Exit; a second Program all is refused.
    bench_.Put(1, kOlder);
    model_.Watch();
    view = model_.View();
    EXPECT_TRUE(view.watching);
    EXPECT_EQ(enabled(view), (std::vector<bool>{false, false, true, false, true, true, false}));
    model_.ProgramAll();
    model_.SetArmed(2, false);
    EXPECT_TRUE(model_.View().slots[1].armed);
    Settle([](const BenchView& v) { return v.slots[0].state == SlotState::Programmed; });
    model_.Watch();  // off again
    EXPECT_EQ(enabled(model_.View()), (std::vector<bool>{false, false, false, false, false, true, false}));
    Settle();
    EXPECT_FALSE(model_.View().watching);
    EXPECT_EQ(model_.View().slots[0].status.rfind("Programmed: 5 records", 0), 0u);
    dialogs_.VerifyAndClear();
}

TEST_F(BenchModelTest, ProgramAllProgramsTheOlderTavsAtOnceAndAsksOnceAboutTheUpToDateOnes) {
    struct Case {
        const char* name;
        BoxAnswer answer;
        std::vector<std::string> texts;
        std::string total;
    };
    const Case cases[] = {
        {"Cancel leaves the up-to-date tav alone", BoxAnswer::Cancel,
         {"Programmed: 5 records", "Up to date: Tav model 00 3.0", "Other type: Tav model 01", "No port"},
         "Since the window opened: 1 programmed, 0 failed, 2 left alone"},
        {"OK reprograms it too", BoxAnswer::Ok,
         {"Programmed: 5 records", "Programmed: 5 records", "Other type: Tav model 01", "No port"},
         "Since the window opened: 3 programmed, 0 failed, 3 left alone"},
    };
    bench_.Put(1, kOlder);
    bench_.Put(2, kSame);
    bench_.Put(3, kOtherType);
    model_.Load(file_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs_.ExpectBox("Program all", "This tav is up to date:\r\nCOM2: Tav model 00 3.0\r\n\r\nReprogram it too?",
                           c.answer);
        bench_.Hold();
        model_.ProgramAll();
        EXPECT_EQ(Texts(), (std::vector<std::string>{"Searching", "Searching", "Searching", "Searching"}));
        EXPECT_EQ(model_.View().slots[0].colour, SlotColour::Blue);
        model_.ProgramAll();  // a second click: no second search
        bench_.Release();
        Settle();
        dialogs_.VerifyAndClear();
        EXPECT_EQ(Texts(), c.texts);
        EXPECT_EQ(model_.View().total, c.total);
        EXPECT_EQ(model_.View().slots[0].colour, SlotColour::Green);
        EXPECT_EQ(model_.View().slots[0].percent, 100);
    }
    EXPECT_EQ(model_.View().slots[0].counts, "2 programmed, 0 failed");
}

TEST_F(BenchModelTest, RetryFailedProgramsOnlyTheArmedFailedSlotsInEmergencyModeAfterTheWarning) {
    bench_.Put(1, kOlder);
    bench_.Put(2, kOlder, {.noAck = true});
    bench_.Put(3, kOlder, {.noAck = true});
    model_.Load(file_);
    model_.ProgramAll();
    Settle();
    EXPECT_EQ(Texts()[1], "Failed: record 1 of 5 was refused after its seven attempts");
    EXPECT_EQ(model_.View().slots[1].colour, SlotColour::Red);
    EXPECT_TRUE(model_.View().enabled.retryFailed);

    // The failed tavs answer no probe now; COM3 is disarmed and stays as it is.
    bench_.Put(2, kOlder, {.loaderOnly = true});
    bench_.Put(3, kOlder, {.loaderOnly = true});
    model_.SetArmed(3, false);
    dialogs_.ExpectBox("Warning", EmergencyWarning(), BoxAnswer::Cancel);
    model_.RetryFailed();
    EXPECT_EQ(Texts()[1], "Failed: record 1 of 5 was refused after its seven attempts");
    dialogs_.ExpectBox("Warning", EmergencyWarning(), BoxAnswer::Ok);
    model_.RetryFailed();
    Settle();
    dialogs_.VerifyAndClear();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Programmed: 5 records", "Programmed: 5 records",
                                                 "Failed: record 1 of 5 was refused after its seven attempts", "No port"}));
    EXPECT_EQ(model_.View().total, "Since the window opened: 2 programmed, 2 failed, 0 left alone");
    EXPECT_FALSE(model_.View().enabled.retryFailed);  // the one failed slot left is disarmed
}

TEST_F(BenchModelTest, ClosingWhileWatchingStopsFirstAndClosingIdleGoesAtOnce) {
    model_.Load(file_);
    model_.Watch();
    EXPECT_FALSE(model_.Close());
    EXPECT_EQ(model_.View().enabled.exit, false);
    Settle();
    EXPECT_TRUE(model_.ReadyToClose());

    SimLine window;
    ScriptedDialogs dialogs;
    ScratchRegistry registry;
    BenchModel idle(BenchPlatform{window.port, window.pump, dialogs, registry, VirtualPortThreads([](SimLine&) {}),
                                  nullptr, [](int) { return std::string(); }});
    EXPECT_TRUE(idle.Close());
}

}  // namespace
}  // namespace vantrel::test
