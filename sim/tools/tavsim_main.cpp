// vantrel-tavsim: one simulated tav on a pseudo-terminal, for end-to-end tests and demos.

#include <cstdio>
#include <exception>
#include <memory>
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
    TavDevice tav(options.profile, options.faults);
    try {
        // Signals are blocked before the path is printed: from then on a SIGTERM always
        // ends in an orderly exit with a report.
        TerminationSignals signals;
        PtyLink link;
        std::unique_ptr<SlaveSymlink> symlink;
        if (!options.linkPath.empty()) symlink = std::make_unique<SlaveSymlink>(options.linkPath, link.SlavePath());
        TavsimRunner runner(link, tav, options);
        std::printf("%s\n", link.SlavePath().c_str());
        std::fflush(stdout);
        runner.Run(signals);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel-tavsim: %s\n", e.what());
        status = kExitFailure;
    }

    if (!options.reportPath.empty()) {
        try {
            WriteFileAtomically(options.reportPath, ReportJson(tav));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vantrel-tavsim: report not written: %s\n", e.what());
            status = kExitFailure;
        }
    }
    return status;
}
