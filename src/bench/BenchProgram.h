#pragma once
// The program around a bench window, the same for both: its command line, the type table
// in the system's store, the record of every programming run, and the model. The window
// and its event loop are the caller's.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchModel.h"

namespace vantrel {

inline constexpr const char* kBenchUsage = "usage: vantrel-bench [--watch] [FILE]";

// The arguments after the program's name; none, with `error` said, when they are wrong.
std::optional<BenchStart> ParseBenchArguments(const std::vector<std::string>& args, std::string& error);

// What the platform gives the bench program (the store and the record are made here).
struct BenchProgramPlatform {
    SerialPort& port;
    EventPump& pump;
    Dialogs& dialogs;
    StartPortThread portThreads;
};

// Runs the window over the model (it calls model.SetChanged, shows itself, then
// model.Begin(), and runs its loop); the program's exit code.
using RunBenchWindow = std::function<int(BenchModel& model)>;
int RunBenchProgram(const BenchProgramPlatform& platform, const BenchStart& start, const RunBenchWindow& window);

}  // namespace vantrel
