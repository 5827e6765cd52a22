// The bench window's model in real time, driven as its window drives it (each change
// answered on the event loop's thread with Update() and View()), on the Linux platform's
// port threads, over pseudo-terminals with vantrel-tavsim at the far end.
//  1. Program all on four tavs at once against one tav: the search before it (from the
//     click until no slot shows "Searching") and the whole command (until idle again);
//     targets at most 1.10 times one tav's.
//  2. The process's CPU while Program all programs four tavs; target at most 2% of one
//     core per tav.
//  3. The process's CPU while watching four silent ports; target at most 1% of one core.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "TavsimProcess.h"
#include "bench/BenchModel.h"
#include "posix/QtEventPump.h"
#include "posix/QtPortThread.h"
#include "posix/QtSerialPort.h"
#include "sim/PhxWriter.h"
#include "support/ScratchRegistry.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;
using vantrel::test::TavsimProcess;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Every question answered OK; nothing is asked in these runs but for up-to-date tavs.
class AnswerOk : public vantrel::Dialogs {
public:
    vantrel::BoxAnswer MsgBox(const std::string&, vantrel::BoxStyle, const std::string&) override {
        return vantrel::BoxAnswer::Ok;
    }
    std::string ShowOpen(const std::string&, bool) override { return {}; }
};

// The model and its window's side of it: changes answered on this thread.
class Bench {
public:
    explicit Bench(const std::string& file)
        : model_(vantrel::BenchPlatform{port_, pump_, dialogs_, registry_, vantrel::StartQtPortThread, nullptr, {}}) {
        model_.SetChanged([this] {
            if (posted_.exchange(true)) return;
            QMetaObject::invokeMethod(
                &context_, [this] { Answer(); }, Qt::QueuedConnection);
        });
        model_.Load(file);
    }
    // Nothing may reach this object once it has gone: the slots are stopped and joined
    // first, and calls still queued go with `context_`.
    ~Bench() {
        model_.SetChanged({});
        model_.FinishWithoutWindow();
    }
    vantrel::BenchModel& Model() { return model_; }

    // Runs the event loop until `done` holds after a change; false after 120 s.
    bool RunUntil(std::function<bool(const vantrel::BenchView&)> done) {
        done_ = std::move(done);
        QEventLoop loop;
        loop_ = &loop;
        QTimer::singleShot(120000, &loop, [&loop] { loop.exit(1); });
        Answer();
        const bool ok = loop_ == nullptr || loop.exec() == 0;
        loop_ = nullptr;
        return ok;
    }

private:
    void Answer() {
        posted_ = false;
        model_.Update();
        const vantrel::BenchView view = model_.View();
        if (loop_ && done_ && done_(view)) {
            loop_->exit(0);
            loop_ = nullptr;
        }
    }

    vantrel::QtSerialPort port_;
    vantrel::QtEventPump pump_;
    AnswerOk dialogs_;
    vantrel::test::ScratchRegistry registry_;
    vantrel::BenchModel model_;
    QObject context_;
    std::atomic<bool> posted_{false};
    std::function<bool(const vantrel::BenchView&)> done_;
    QEventLoop* loop_ = nullptr;
};

bool Idle(const vantrel::BenchView& v) { return v.enabled.load; }
bool NoneSearching(const vantrel::BenchView& v) {
    return std::none_of(v.slots.begin(), v.slots.end(),
                        [](const vantrel::BenchSlotView& s) { return s.state == vantrel::SlotState::Searching; });
}

std::vector<std::unique_ptr<TavsimProcess>> Tavs(int count, const QStringList& args) {
    std::vector<std::unique_ptr<TavsimProcess>> tavs;
    for (int n = 1; n <= count; ++n) tavs.push_back(std::make_unique<TavsimProcess>(VANTREL_TAVSIM, args));
    for (int n = 1; n <= 4; ++n) {
        const std::string name = "VANTREL_COM" + std::to_string(n);
        if (n <= count)
            setenv(name.c_str(), tavs[static_cast<std::size_t>(n - 1)]->SlavePath().c_str(), 1);
        else
            setenv(name.c_str(), "none", 1);
    }
    return tavs;
}

struct ProgramAllTimes {
    double search = 0, whole = 0, cpu = 0;
};

std::optional<ProgramAllTimes> ProgramAll(const std::string& file, int tavCount) {
    const auto tavs = Tavs(tavCount, {"--version", "2.0"});
    Bench bench(file);
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    bench.Model().ProgramAll();
    if (!bench.RunUntil(NoneSearching)) return std::nullopt;
    const double search = Seconds(Clock::now() - start);
    if (!bench.RunUntil(Idle)) return std::nullopt;
    ProgramAllTimes t{search, Seconds(Clock::now() - start), CpuSeconds() - cpu};
    for (int n = 0; n < tavCount; ++n)
        if (bench.Model().View().slots[static_cast<std::size_t>(n)].state != vantrel::SlotState::Programmed) return std::nullopt;
    return t;
}

double WatchingSilentPorts(const std::string& file, int seconds) {
    const auto tavs = Tavs(4, {"--silent"});
    Bench bench(file);
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    bench.Model().Watch();
    QEventLoop watching;
    QTimer::singleShot(seconds * 1000, &watching, &QEventLoop::quit);
    watching.exec();
    const double used = CpuSeconds() - cpu, wall = Seconds(Clock::now() - start);
    bench.Model().Stop();
    bench.RunUntil(Idle);
    return 100 * used / wall;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    vantrel::test::TempDir dir;
    const std::string file = (dir.Path() / "fw.phx").string();
    std::vector<vantrel::sim::PhxRecord> records;
    for (int i = 0; i < 300; ++i) {
        vantrel::sim::PhxRecord r{static_cast<std::uint16_t>(0x0200 + 16 * i), {}};
        for (int k = 0; k < 16; ++k) r.data[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(i * 7 + k * 13);
        records.push_back(r);
    }
    std::ofstream(file, std::ios::binary) << vantrel::sim::WritePhx("Tav model 00", "3.0", records);

    std::printf("1. Program all, 300 records, one tav against four, %d rounds by turns\n", rounds);
    double worstSearch = 0, worstWhole = 0, worstCpu = 0;
    for (int round = 1; round <= rounds; ++round) {
        const auto one = ProgramAll(file, 1);
        const auto four = ProgramAll(file, 4);
        if (!one || !four) {
            std::fprintf(stderr, "round %d: not every tav was programmed\n", round);
            return 1;
        }
        const double searchRatio = four->search / one->search, wholeRatio = four->whole / one->whole;
        const double cpuPerTav = 100 * four->cpu / four->whole / 4;
        worstSearch = std::max(worstSearch, searchRatio);
        worstWhole = std::max(worstWhole, wholeRatio);
        worstCpu = std::max(worstCpu, cpuPerTav);
        std::printf("  round %d: search %.3f s / %.3f s = %.3f x; whole %.3f s / %.3f s = %.3f x; CPU %.2f%% per tav\n",
                    round, four->search, one->search, searchRatio, four->whole, one->whole, wholeRatio, cpuPerTav);
    }
    std::printf("  worst: search %.3f x, whole %.3f x (targets <= 1.10)\n", worstSearch, worstWhole);
    std::printf("2. programming four tavs: worst %.2f%% of one core per tav (target <= 2%%)\n", worstCpu);
    std::printf("3. watching four silent ports for 10 s: %.2f%% of one core (target <= 1%%)\n",
                WatchingSilentPorts(file, 10));
    return 0;
}
