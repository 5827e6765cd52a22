// How the Win32 event pump keeps the program's 10 ms pauses: how late a pause ends (never
// early), and how little processor time waiting costs.
//
//   win32_pump_bench       prints the figures; exits 1 when a target is missed
//
// Targets: no pause ends early; median overshoot below 1 ms; under 2% of one core.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "win32/Win32EventPump.h"

namespace {

using namespace std::chrono;

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](FILETIME t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

}  // namespace

int main() {
    vantrel::Win32EventPump pump;
    constexpr int kPauses = 300;
    constexpr auto kPause = milliseconds(10);
    std::vector<double> overshootMs;
    int early = 0;
    const double cpuBefore = CpuSeconds();
    const auto wallBefore = steady_clock::now();
    for (int i = 0; i < kPauses; ++i) {
        // As the program's Pause does: turns of the pump until the clock says so.
        const vantrel::Instant start = pump.Now();
        const vantrel::Instant wakeAt = start + kPause;
        while (pump.Now() < wakeAt) pump.RunPendingEvents(wakeAt);
        const vantrel::Instant took = pump.Now() - start;
        if (took < kPause) ++early;
        overshootMs.push_back(duration<double, std::milli>(took - kPause).count());
    }
    const double wall = duration<double>(steady_clock::now() - wallBefore).count();
    const double cpuShare = (CpuSeconds() - cpuBefore) / wall * 100;
    std::sort(overshootMs.begin(), overshootMs.end());
    const double median = overshootMs[overshootMs.size() / 2];
    const double p99 = overshootMs[overshootMs.size() * 99 / 100];
    std::printf("10 ms pauses: %d, high-resolution timer: %s\n", kPauses, pump.HighResolutionTimer() ? "yes" : "no");
    std::printf("overshoot: median %.3f ms, 99th percentile %.3f ms, worst %.3f ms; ended early: %d\n", median, p99,
                overshootMs.back(), early);
    std::printf("processor time while waiting: %.2f%% of one core\n", cpuShare);
    return early == 0 && median < 1.0 && cpuShare < 2.0 ? 0 : 1;
}
