// The Win32 event pump: a wait on its timer never ends before its instant, and an event it
// watches (a byte, Ctrl-C from the console's own thread) ends the wait at once.

#include <gtest/gtest.h>
#include <windows.h>

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
