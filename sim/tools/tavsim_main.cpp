// vantrel-tavsim: one simulated tav on a pseudo-terminal, for end-to-end tests and demos.

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/TavDevice.h"
#include "sim/tools/PtyLink.h"
#include "sim/tools/SlaveSymlink.h"
#include "sim/tools/TavsimOptions.h"
#include "sim/tools/TavsimReport.h"
#include "sim/tools/TavsimRunner.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
    using namespace vantrel::sim;
    TavsimOptions options;
    try {
        options = ParseTavsimOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "vantrel-tavsim: %s\nTry 'vantrel-tavsim --help'.\n", e.what());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(TavsimUsage().c_str(), stdout);
        return kExitOk;
    }

    int status = kExitOk;
    std::optional<PtyLink> link;  // outlives the runner, which keeps a reference to it
    std::optional<TavsimRunner> runner;
    try {
        // Signals are blocked before the path is printed: from then on a SIGTERM always
        // ends in an orderly exit with a report, and SIGUSR1 and SIGUSR2 never kill.
        SimulatorSignals signals;
        link.emplace();
        std::unique_ptr<SlaveSymlink> symlink;
        if (!options.linkPath.empty()) symlink = std::make_unique<SlaveSymlink>(options.linkPath, link->SlavePath());
        runner.emplace(*link, options);
        std::printf("%s\n", link->SlavePath().c_str());
        std::fflush(stdout);
        runner->Run(signals);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel-tavsim: %s\n", e.what());
        status = kExitFailure;
    }
    // The tav still plugged in is unplugged by the exit, with its own report.
    if (runner && !runner->Unplug()) status = kExitFailure;
    if (!options.reportPath.empty()) {
        try {
            const std::string report = runner ? ReportJson(runner->LastTav(), runner->Plugging())
                                              : ReportJson(TavDevice(options.profile, options.faults), 0);
            WriteFileAtomically(options.reportPath, report);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vantrel-tavsim: report not written: %s\n", e.what());
            status = kExitFailure;
        }
    }
    return status;
}
