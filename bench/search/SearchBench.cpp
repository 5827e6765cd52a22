// Real-time search over four pseudo-terminals, each with a silent vantrel-tavsim at the
// far end, through the Qt serial adapter and event pump. Each port costs one silent
// probe pass (100 ms + 9 x 170 ms = 1.63 s), so the window's search, one port after the
// other, has a floor of 4 x 1.63 = 6.52 s, and the search at once, every port on its own
// thread, a floor of one port's 1.63 s. Reports the ratio to each floor (targets <= 1.03
// in turn, <= 1.10 at once) and the CPU the process used (target < 2% of one core).

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TavsimProcess.h"
#include "app/Bootstrap.h"
#include "app/Dialogs.h"
#include "app/SearchForTavs.h"
#include "discovery/SearchPorts.h"
#include "posix/QtEventPump.h"
#include "posix/QtPortThread.h"
#include "posix/QtSerialPort.h"
#include "registry/RegFileStore.h"

namespace {

using vantrel::test::TavsimProcess;

constexpr double kPortSeconds = 0.100 + 9 * 0.170;

// A silent search shows no box; any box is a failure of the run.
class NoDialogs : public vantrel::Dialogs {
public:
    vantrel::BoxAnswer MsgBox(const std::string& text, vantrel::BoxStyle, const std::string& title) override {
        std::fprintf(stderr, "unexpected box \"%s\": \"%s\"\n", title.c_str(), text.c_str());
        unexpected = true;
        return vantrel::BoxAnswer::Ok;
    }
    std::string ShowOpen(const std::string&, bool) override { return {}; }
    bool unexpected = false;
};

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    std::vector<std::unique_ptr<TavsimProcess>> tavs;
    for (int n = 1; n <= 4; ++n) {
        tavs.push_back(std::make_unique<TavsimProcess>(VANTREL_TAVSIM, QStringList{"--silent"}));
        setenv(("VANTREL_COM" + std::to_string(n)).c_str(), tavs.back()->SlavePath().c_str(), 1);
    }
    // Never opened: the default table is built in memory.
    vantrel::RegFileStore registry{std::filesystem::path("/nonexistent/vantrel-bench/registry.reg")};

    vantrel::QtSerialPort port;
    vantrel::QtEventPump pump;
    NoDialogs dialogs;
    vantrel::Bootstrap w(port, pump, dialogs, registry);
    w.Types.BuildDefaultTypes();
    w.TargetReply = 0x11;

    struct Figures {
        double worstRatio = 0, worstCpu = 0;
    };
    const auto measure = [runs](const char* name, double floor, const auto& search) {
        std::printf("%s over 4 silent ptys, floor %.3f s\n", name, floor);
        std::printf("%-5s %10s %8s %10s %8s\n", "run", "wall s", "ratio", "cpu s", "cpu %");
        Figures f;
        for (int run = 1; run <= runs; ++run) {
            const double cpuStart = CpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            if (!search()) std::fprintf(stderr, "run %d: not every port opened with nothing on it\n", run);
            const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double cpu = CpuSeconds() - cpuStart;
            const double ratio = wall / floor;
            const double cpuPercent = 100.0 * cpu / wall;
            f.worstRatio = std::max(f.worstRatio, ratio);
            f.worstCpu = std::max(f.worstCpu, cpuPercent);
            std::printf("%-5d %10.3f %8.4f %10.3f %8.2f\n", run, wall, ratio, cpu, cpuPercent);
        }
        return f;
    };

    const Figures inTurn = measure("window's search, in turn", 4 * kPortSeconds, [&w] {
        vantrel::SearchForTavs(w);
        bool allRows = true;
        for (int i = 0; i < 4; ++i) allRows = allRows && w.TavType[i].Visible && w.TavType[i].Caption.empty();
        return allRows;
    });
    vantrel::SearchRequest request;
    request.types = w.Types.TypeTable;
    request.targetReply = w.TargetReply;
    const Figures atOnce = measure("search at once", kPortSeconds, [&request] {
        vantrel::SearchObserver quiet;
        const vantrel::PortFindings found =
            vantrel::SearchPortsAtOnce(vantrel::StartQtPortThread, request, quiet);
        return std::ranges::all_of(found, [](const vantrel::PortFinding& f) {
            return f.Opened() && f.identification == 0;
        });
    });
    std::printf("in turn: worst ratio %.4f (target <= 1.03), worst cpu %.2f%% of one core (target < 2%%)\n",
                inTurn.worstRatio, inTurn.worstCpu);
    std::printf("at once: worst ratio %.4f (target <= 1.10), worst cpu %.2f%% of one core (target < 2%%)\n",
                atOnce.worstRatio, atOnce.worstCpu);
    return dialogs.unexpected ? 1 : 0;
}
