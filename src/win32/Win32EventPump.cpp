#include "win32/Win32EventPump.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "files/Win32Error.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace vantrel {
namespace {

using Ticks = std::chrono::duration<long long, std::ratio<1, 10'000'000>>;  // FILETIME's 100 ns

// Longer waits are cut into pieces of this size; the callers check the clock anyway.
constexpr Instant kLongestWait = std::chrono::hours(1);

}  // namespace

Win32EventPump::Win32EventPump() {
    // Windows 10 1803 and later keep a high-resolution timer's expiry to well under a
    // millisecond; older systems (and Wine) fall back to a 1 ms system timer period.
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    highResolution_ = timer_ != nullptr;
    if (!highResolution_) {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        if (timer_ == nullptr)
            throw std::runtime_error("Cannot create a waitable timer: " + Win32ErrorText(GetLastError()));
        timeBeginPeriod(1);
    }
    wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (wake_ == nullptr) {
        const DWORD error = GetLastError();
        if (!highResolution_) timeEndPeriod(1);
        CloseHandle(timer_);
        throw std::runtime_error("Cannot create an event: " + Win32ErrorText(error));
    }
}

Win32EventPump::~Win32EventPump() {
    if (!highResolution_) timeEndPeriod(1);
    CloseHandle(timer_);
    CloseHandle(wake_);
}

void Win32EventPump::Wake() { SetEvent(wake_); }

Instant Win32EventPump::Now() const {
    // steady_clock is QueryPerformanceCounter on MinGW-w64.
    static const auto epoch = std::chrono::steady_clock::now();
    return std::chrono::steady_clock::now() - epoch;
}

void Win32EventPump::Watch(Win32WaitSource& source) {
    if (std::find(sources_.begin(), sources_.end(), &source) == sources_.end()) sources_.push_back(&source);
}

void Win32EventPump::Unwatch(Win32WaitSource& source) {
    sources_.erase(std::remove(sources_.begin(), sources_.end(), &source), sources_.end());
}

void Win32EventPump::ThrowIfEnding() const {
    if (endRequested_) throw ProgramEnding{};
}

void Win32EventPump::RunPendingEvents(Instant wakeAt) {
    ThrowIfEnding();
    if (WaitAndDispatch(false)) return ThrowIfEnding();
    bool shown = false;
    // A timer that fires a little early (coarse system clocks) is set again: the wait
    // ends on an event or once the clock has reached wakeAt, never before.
    for (;;) {
        const Instant remaining = std::min(wakeAt - Now(), kLongestWait);
        if (remaining <= Instant::zero()) return;
        if (beforeBlocking_ && !shown) {
            beforeBlocking_();
            shown = true;
            ThrowIfEnding();
        }
        // Rounded up, so that the timer is not due before wakeAt; negative: relative.
        LARGE_INTEGER due;
        due.QuadPart = -std::chrono::ceil<Ticks>(remaining).count();
        if (!SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE))
            throw std::runtime_error("Cannot set the waitable timer: " + Win32ErrorText(GetLastError()));
        const bool dispatched = WaitAndDispatch(true);
        CancelWaitableTimer(timer_);
        ThrowIfEnding();
        if (dispatched || remaining == kLongestWait) return;
    }
}

bool Win32EventPump::WaitAndDispatch(bool block) {
    std::vector<HANDLE> handles;
    std::vector<Win32WaitSource*> owners;
    for (Win32WaitSource* source : sources_) {
        if (void* event = source->WaitEvent()) {
            handles.push_back(event);
            owners.push_back(source);
        }
    }
    // A wake-up from another thread counts as an event: the caller looks at what changed.
    const std::size_t wakeIndex = handles.size();
    handles.push_back(wake_);
    if (block) handles.push_back(timer_);
    const auto count = static_cast<DWORD>(handles.size());
    const DWORD timeout = block ? INFINITE : 0;
    // MWMO_INPUTAVAILABLE: messages already in the queue wake the wait too, not only new ones.
    const DWORD result = dispatch_ ? MsgWaitForMultipleObjectsEx(count, handles.data(), timeout, QS_ALLINPUT,
                                                                  MWMO_INPUTAVAILABLE)
                                   : WaitForMultipleObjects(count, handles.data(), FALSE, timeout);
    if (result == WAIT_FAILED)
        throw std::runtime_error("Waiting for events failed: " + Win32ErrorText(GetLastError()));
    const DWORD index = result - WAIT_OBJECT_0;
    if (dispatch_ && index == count) return DispatchMessages();
    if (index == wakeIndex) return true;
    if (index >= owners.size()) return false;
    owners[index]->OnSignalled();
    return true;
}

bool Win32EventPump::DispatchMessages() {
    bool any = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        any = true;
        if (msg.message == WM_QUIT) {
            // Meant for the program's own message loop, below the waiting handler.
            PostQuitMessage(static_cast<int>(msg.wParam));
            RequestEnd();
            break;
        }
        dispatch_(msg);
        if (endRequested_) break;
    }
    return any;
}

}  // namespace vantrel
