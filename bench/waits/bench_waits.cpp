// How the program's waits behave on the real Qt event pump: how late a Pause ends
// (never early), and how little processor time waiting costs.
//
//   bench_waits            prints a table; exits 1 when a target is missed
//
// Targets: no wait ends early; median overshoot below 1 ms; a wait for bytes ends within
// 1 ms (median) of a byte arriving on a pseudo-terminal; under 2% of one core while the
// program does nothing but wait.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/Bootstrap.h"
#include "posix/QtEventPump.h"
#include "posix/QtSerialPort.h"

namespace {

using namespace std::chrono;
using vantrel::Instant;

class NoDialogs : public vantrel::Dialogs {
public:
    vantrel::BoxAnswer MsgBox(const std::string&, vantrel::BoxStyle, const std::string&) override {
        return vantrel::BoxAnswer::Ok;
    }
    std::string ShowOpen(const std::string&, bool) override { return {}; }
};

class NoRegistry : public vantrel::RegistryStore {
public:
    vantrel::RegResult OpenKey(const std::string&, vantrel::RegKey&) override { return vantrel::kRegNotFound; }
    vantrel::RegResult OpenKeyForEnumeration(const std::string&, vantrel::RegKey&) override {
        return vantrel::kRegNotFound;
    }
    vantrel::RegResult EnumKey(vantrel::RegKey, std::uint32_t, std::string&, std::uint32_t) override {
        return vantrel::kRegNotFound;
    }
    vantrel::RegResult CreateKey(const std::string&, vantrel::RegKey&) override { return 5; }
    vantrel::RegResult SetValue(vantrel::RegKey, const std::string&, vantrel::RegType,
                                const std::vector<std::uint8_t>&) override {
        return 5;
    }
    vantrel::RegResult QueryValue(vantrel::RegKey, const std::string&, vantrel::RegType&,
                                  std::vector<std::uint8_t>&, std::uint32_t, std::uint32_t&) override {
        return vantrel::kRegNotFound;
    }
    vantrel::RegResult CloseKey(vantrel::RegKey) override { return vantrel::kRegSuccess; }
};

struct Overshoots {
    int early = 0;
    double medianMs = 0;
    double worstMs = 0;
};

Overshoots MeasurePauses(vantrel::Bootstrap& w, int intervalMs, int count) {
    std::vector<double> overshootMs;
    Overshoots result;
    for (int i = 0; i < count; ++i) {
        const Instant start = w.Pump.Now();
        w.Wire.Pause(intervalMs);
        const Instant took = w.Pump.Now() - start;
        if (took < milliseconds(intervalMs)) ++result.early;
        overshootMs.push_back(duration<double, std::milli>(took - milliseconds(intervalMs)).count());
    }
    std::sort(overshootMs.begin(), overshootMs.end());
    result.medianMs = overshootMs[overshootMs.size() / 2];
    result.worstMs = overshootMs.back();
    return result;
}

struct Latency {
    int missed = 0;
    double medianMs = 0;
    double worstMs = 0;
};

// From a byte written on the far side of a pty to the end of the WaitForBytes that waits for it.
// (Pump.Now() only reads the monotonic clock, so the far end's thread may call it.)
Latency MeasureByteWakeUps(vantrel::Bootstrap& w, int count) {
    Latency result;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        result.missed = count;
        return result;
    }
    setenv("VANTREL_COM1", ptsname(master), 1);
    w.MSComm1.SetCommPort(1);
    w.MSComm1.SetPortOpen(true);

    std::vector<double> latencyMs;
    for (int i = 0; i < count; ++i) {
        Instant sentAt{};
        const unsigned char byte = static_cast<unsigned char>(i * 37 + 11);
        // The far end is another thread, so the byte comes while the pump sleeps.
        std::thread farEnd([&] {
            std::this_thread::sleep_for(milliseconds(2 + i % 5));
            sentAt = w.Pump.Now();
            if (write(master, &byte, 1) != 1) sentAt = Instant::max();
        });
        w.Wire.WaitForBytes(1000, 1);
        const Instant endedAt = w.Pump.Now();
        farEnd.join();
        const auto got = w.MSComm1.Input();
        if (got.size() != 1 || got[0] != byte || sentAt == Instant::max()) {
            ++result.missed;
            continue;
        }
        latencyMs.push_back(duration<double, std::milli>(endedAt - sentAt).count());
    }
    w.MSComm1.SetPortOpen(false);
    close(master);
    if (latencyMs.empty()) return result;
    std::sort(latencyMs.begin(), latencyMs.end());
    result.medianMs = latencyMs[latencyMs.size() / 2];
    result.worstMs = latencyMs.back();
    return result;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    vantrel::QtSerialPort port;
    vantrel::QtEventPump pump;
    NoDialogs dialogs;
    NoRegistry registry;
    vantrel::Bootstrap w(port, pump, dialogs, registry);

    constexpr int kWaits = 200;
    bool ok = true;
    std::printf("Pause on the Qt event pump, %d waits each\n", kWaits);
    std::printf("%-10s %8s %16s %16s\n", "interval", "early", "median overshoot", "worst overshoot");
    for (int interval : {10, 100}) {
        const Overshoots o = MeasurePauses(w, interval, kWaits);
        std::printf("%7d ms %8d %13.3f ms %13.3f ms\n", interval, o.early, o.medianMs, o.worstMs);
        ok = ok && o.early == 0 && o.medianMs < 1.0;
    }

    const Latency bytes = MeasureByteWakeUps(w, kWaits);
    std::printf("\nWaitForBytes woken by a byte on a pty, %d waits\n", kWaits);
    std::printf("%-10s %8s %16s %16s\n", "", "missed", "median latency", "worst latency");
    std::printf("%10s %8d %13.3f ms %13.3f ms\n", "", bytes.missed, bytes.medianMs, bytes.worstMs);
    ok = ok && bytes.missed == 0 && bytes.medianMs < 1.0;

    // As in an exchange: a byte goes out, then the program waits.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return 1;
    setenv("VANTREL_COM1", ptsname(master), 1);
    port.SetPortOpen(true);
    const double cpuBefore = ProcessCpuSeconds();
    const Instant wallBefore = pump.Now();
    int waits = 0;
    while (pump.Now() - wallBefore < seconds(5)) {
        port.Output(static_cast<std::uint8_t>(waits * 29 + 3));
        w.Wire.Pause(10);
        unsigned char sink[64];
        while (read(master, sink, sizeof sink) > 0) {
        }
        ++waits;
    }
    port.SetPortOpen(false);
    close(master);
    const double wall = duration<double>(pump.Now() - wallBefore).count();
    const double cpuPercent = 100.0 * (ProcessCpuSeconds() - cpuBefore) / wall;
    std::printf("\nCPU while waiting: %.2f%% of one core (%d times a byte sent and 10 ms waited, in %.2f s)\n",
                cpuPercent, waits, wall);
    ok = ok && cpuPercent < 2.0;

    std::printf("\nTargets (never early, median overshoot < 1 ms, byte wake-up median < 1 ms, CPU < 2%%): %s\n",
                ok ? "met" : "MISSED");
    return ok ? 0 : 1;
}
