// The Win32 event pump: a wait on its timer never ends before its instant, and an event it
// watches (a byte, Ctrl-C from the console's own thread) ends the wait at once.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "win32/Win32EventPump.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

struct EventSource : Win32WaitSource {
    EventSource() : event(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~EventSource() override { CloseHandle(event); }
    void* WaitEvent() const override { return event; }
    void OnSignalled() override { ++signalled; }
    HANDLE event;
    int signalled = 0;
};

TEST(Win32EventPump, APauseNeverEndsEarly) {
    Win32EventPump pump;
    EventSource quiet;
    pump.Watch(quiet);
    for (Instant pause : {Instant{1ms}, Instant{10ms}, Instant{15ms}, Instant{10ms + 500us}}) {
        for (int i = 0; i < 5; ++i) {
            const Instant wakeAt = pump.Now() + pause;
            pump.RunPendingEvents(wakeAt);
            EXPECT_GE(pump.Now(), wakeAt) << "a " << pause.count() << " ns wait";
        }
    }
    EXPECT_EQ(quiet.signalled, 0);
}

// The window's pump: messages posted from another thread all through the pauses are
// dispatched in the waits, and a pause made of turns (as Pause makes it) still never ends early.
TEST(Win32EventPump, WindowMessagesRunInTheWaitsAndAPauseStillNeverEndsEarly) {
    Win32EventPump pump;
    int dispatched = 0;
    pump.SetMessageDispatch([&dispatched](MSG& message) { dispatched += message.message == WM_APP; });
    const DWORD thread = GetCurrentThreadId();
    MSG peek;
    PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists before the poster starts
    std::atomic<bool> done = false;
    std::thread poster([&] {
        while (!done) PostThreadMessageW(thread, WM_APP, 0, 0), std::this_thread::sleep_for(1ms);
    });
    for (int i = 0; i < 20; ++i) {
        const Instant wakeAt = pump.Now() + 10ms;
        while (pump.Now() < wakeAt) pump.RunPendingEvents(wakeAt);
        EXPECT_GE(pump.Now(), wakeAt);
    }
    done = true;
    poster.join();
    EXPECT_GT(dispatched, 20);
    // WM_QUIT in a wait is the program's own loop's: handed back, and the waits unwind.
    PostQuitMessage(3);
    EXPECT_THROW(pump.RunPendingEvents(pump.Now() + 10ms), ProgramEnding);
    ASSERT_TRUE(PeekMessageW(&peek, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(peek.wParam, 3u);
}

TEST(Win32EventPump, AWatchedEventFromAnotherThreadEndsTheWaitAtOnce) {
    Win32EventPump pump;
    EventSource interrupt;
    pump.Watch(interrupt);
    const Instant start = pump.Now();
    std::thread console([&] {
        Sleep(20);
        SetEvent(interrupt.event);
    });
    pump.RunPendingEvents(start + 60s);
    console.join();
    EXPECT_EQ(interrupt.signalled, 1);
    EXPECT_LT(pump.Now() - start, 30s);

    pump.Unwatch(interrupt);
    SetEvent(interrupt.event);  // no longer watched: only the timer ends this one
    const Instant wakeAt = pump.Now() + 5ms;
    pump.RunPendingEvents(wakeAt);
    EXPECT_EQ(interrupt.signalled, 1);
    EXPECT_GE(pump.Now(), wakeAt);
}

}  // namespace
}  // namespace vantrel
