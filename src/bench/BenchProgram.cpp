#include "bench/BenchProgram.h"

#include <utility>

#include "runs/RunLog.h"

namespace vantrel {

std::optional<BenchStart> ParseBenchArguments(const std::vector<std::string>& args, std::string& error) {
    BenchStart start;
    bool filesOnly = false;  // after "--", a name that begins with '-' is a file
    for (const std::string& arg : args) {
        if (!filesOnly && arg == "--") {
            filesOnly = true;
        } else if (!filesOnly && arg == "--watch") {
            start.watch = true;
        } else if (!filesOnly && arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        } else if (!start.file.empty()) {
            error = "one firmware file at most";
            return std::nullopt;
        } else {
            start.file = arg;
        }
    }
    if (start.watch && start.file.empty()) {
        error = "--watch needs the firmware FILE to program with";
        return std::nullopt;
    }
    return start;
}

int RunBenchProgram(const BenchProgramPlatform& platform, const BenchStart& start, const RunBenchWindow& window) {
    const auto registry = OpenDefaultRegistryStore();
    runs::RunLogSettings record;
    record.location = runs::DefaultRecordLocation();
    record.frontEnd = "bench";
    BenchPlatform bench{platform.port, platform.pump, platform.dialogs, *registry, platform.portThreads, &record, {}};
    BenchModel model(bench, start);
    return window(model);
}

}  // namespace vantrel
