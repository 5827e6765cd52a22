// Watch mode in real time: the bench model (station/) on the Linux platform's port
// threads, over pseudo-terminals with vantrel-tavsim at the far end.
//  1. From a tav connected to an armed port (SIGUSR2 to its simulator) to its first
//     record going out (the slot shows Programming), over repeated connections; target
//     at most 3 s. A silent port's probe takes 1.63 s, so one probe cycle plus the flow's
//     own probe is the floor.
//  2. The process's CPU while four armed ports have no tav to program; target <= 1% of
//     one core.
//  3. Four tavs connected at once, programmed in at most 1.10 times the time of one.

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "TavsimProcess.h"
#include "posix/QtPortThread.h"
#include "registry/DefaultTypes.h"
#include "station/Station.h"

namespace {

using Clock = std::chrono::steady_clock;
using vantrel::SlotState;
using vantrel::test::TavsimProcess;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// When each port last entered each state.
class Times : public vantrel::StationObserver {
public:
    void SlotChanged(const vantrel::SlotStatus& status) override {
        std::lock_guard lock(mutex_);
        if (last_[status.comPort] != status.state || status.state != SlotState::Programming)
            entered_[{status.comPort, status.state}] = Clock::now();
        last_[status.comPort] = status.state;
        changed_.notify_all();
    }
    // Waits until COMn enters `state` after `since`; the instant, or nothing after 60 s.
    std::optional<Clock::time_point> WaitFor(int port, SlotState state, Clock::time_point since) {
        std::unique_lock lock(mutex_);
        const bool came = changed_.wait_for(lock, std::chrono::seconds(60), [&] {
            const auto it = entered_.find({port, state});
            return it != entered_.end() && it->second >= since;
        });
        if (!came) return std::nullopt;
        return entered_[{port, state}];
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::pair<int, SlotState>, Clock::time_point> entered_;
    std::map<int, SlotState> last_;
};

vantrel::SlotJob Job(int records) {
    auto image = std::make_shared<std::vector<vantrel::FirmwareRecord>>();
    for (int i = 0; i < records; ++i) {
        vantrel::FirmwareRecord r{static_cast<std::int16_t>(0x0100 + 8 * i), {}};
        for (int k = 0; k < 16; ++k) r.Data[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(i * 7 + k * 13);
        image->push_back(r);
    }
    vantrel::SlotJob job;
    job.image = image;
    job.targetReply = 0x11;
    job.fileVersion = 3.0f;
    job.types = vantrel::DefaultTypeRows();
    return job;
}

void Ports(const std::vector<std::unique_ptr<TavsimProcess>>& tavs) {
    for (int n = 1; n <= 4; ++n) {
        const std::string name = "VANTREL_COM" + std::to_string(n);
        if (n <= static_cast<int>(tavs.size()))
            setenv(name.c_str(), tavs[static_cast<std::size_t>(n - 1)]->SlavePath().c_str(), 1);
        else
            setenv(name.c_str(), "none", 1);
    }
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

bool ConnectionToFirstRecord(int connections) {
    std::vector<std::unique_ptr<TavsimProcess>> tavs;
    tavs.push_back(std::make_unique<TavsimProcess>(VANTREL_TAVSIM, QStringList{"--version", "2.0", "--unplugged"}));
    Ports(tavs);
    Times times;
    vantrel::Station station(vantrel::StartQtPortThread, times);
    station.Watch(Job(20), {1});
    std::vector<double> delays;
    std::printf("1. connection to first record, %d connections (target <= 3 s)\n", connections);
    for (int k = 1; k <= connections; ++k) {
        // Connect at a different moment of the probe cycle each time.
        std::this_thread::sleep_for(std::chrono::milliseconds(137 * k % 1630));
        const auto plugged = Clock::now();
        tavs[0]->Signal(SIGUSR2);
        const auto first = times.WaitFor(1, SlotState::Programming, plugged);
        const auto done = times.WaitFor(1, SlotState::Programmed, plugged);
        if (!first || !done) {
            std::fprintf(stderr, "connection %d: the tav was not programmed\n", k);
            return false;
        }
        delays.push_back(Seconds(*first - plugged));
        std::printf("  connection %2d: first record after %.3f s\n", k, delays.back());
        const auto unplugged = Clock::now();
        tavs[0]->Signal(SIGUSR1);
        if (!times.WaitFor(1, SlotState::Waiting, unplugged)) return false;
    }
    station.Stop();
    station.Wait();
    std::printf("  median %.3f s, worst %.3f s\n", Median(delays), *std::max_element(delays.begin(), delays.end()));
    return true;
}

void WatchingSilentPorts(int seconds) {
    std::vector<std::unique_ptr<TavsimProcess>> tavs;
    for (int n = 1; n <= 4; ++n) tavs.push_back(std::make_unique<TavsimProcess>(VANTREL_TAVSIM, QStringList{"--silent"}));
    Ports(tavs);
    Times times;
    vantrel::Station station(vantrel::StartQtPortThread, times);
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    station.Watch(Job(20), {1, 2, 3, 4});
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double used = CpuSeconds() - cpu, wall = Seconds(Clock::now() - start);
    station.Stop();
    station.Wait();
    std::printf("2. watching four silent ports for %.1f s: CPU %.3f s = %.2f%% of one core (target <= 1%%)\n", wall,
                used, 100 * used / wall);
}

// From the start of the watch until every tav has been programmed.
std::optional<double> Programmed(int tavCount, int records) {
    std::vector<std::unique_ptr<TavsimProcess>> tavs;
    for (int n = 1; n <= tavCount; ++n)
        tavs.push_back(std::make_unique<TavsimProcess>(VANTREL_TAVSIM, QStringList{"--version", "2.0"}));
    Ports(tavs);
    Times times;
    vantrel::Station station(vantrel::StartQtPortThread, times);
    std::vector<int> ports;
    for (int n = 1; n <= tavCount; ++n) ports.push_back(n);
    const auto start = Clock::now();
    station.Watch(Job(records), ports);
    Clock::time_point last = start;
    for (const int port : ports) {
        const auto done = times.WaitFor(port, SlotState::Programmed, start);
        if (!done) return std::nullopt;
        last = std::max(last, *done);
    }
    station.Stop();
    station.Wait();
    return Seconds(last - start);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int connections = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    bool ok = ConnectionToFirstRecord(connections);
    WatchingSilentPorts(10);
    constexpr int kRecords = 300;
    const auto one = Programmed(1, kRecords);
    const auto four = Programmed(4, kRecords);
    if (one && four) {
        std::printf("3. %d records: one tav %.3f s, four at once %.3f s = %.3f x (target <= 1.10)\n", kRecords, *one,
                    *four, *four / *one);
    } else {
        std::fprintf(stderr, "3. not every tav was programmed\n");
        ok = false;
    }
    return ok ? 0 : 1;
}
