// Several tavs at once: vantrel-cli programs a 1024-record image into four tavs on four
// pseudo-terminals (program FILE --all), and, in the same run, into one of them alone
// (--port 1, the same four tavs attached, so both runs make the same search). Reports the
// wall time of the four against the one (target <= 1.10) and the CPU vantrel-cli used per
// tav (target <= 2% of one core).
//
//   gang_bench [runs]

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "TavsimProcess.h"
#include "sim/PhxWriter.h"

extern char** environ;

namespace {

constexpr int kRecords = 1024;
constexpr int kTavs = 4;

struct Run {
    int status = -1;
    double wall = 0, cpu = 0;
};

// vantrel-cli with these arguments, its output thrown away; its wall time and CPU.
Run RunCli(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(VANTREL_CLI_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    Run run;
    if (posix_spawn(&pid, VANTREL_CLI_PATH, &files, nullptr, argv.data(), environ) != 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&files);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    setenv("VANTREL_REGISTRY", (base + "/registry.reg").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);

    std::vector<vantrel::sim::PhxRecord> records;
    for (int k = 0; k < kRecords; ++k) {
        vantrel::sim::PhxRecord& r = records.emplace_back(vantrel::sim::PhxRecord{static_cast<std::uint16_t>(k * 16), {}});
        for (std::size_t b = 0; b < r.data.size(); ++b) r.data[b] = static_cast<std::uint8_t>(k * 31 + b * 7);
    }
    const std::string firmware = base + "/fw.phx";
    std::ofstream(firmware, std::ios::binary) << vantrel::sim::WritePhx("Tav model 00", "2.5", records);
    std::printf("gang_bench: %d records into 1 tav, then into %d at once (vantrel-cli program --all)\n", kRecords,
                kTavs);

    int failures = 0;
    for (int run = 1; run <= runs; ++run) {
        std::array<std::optional<vantrel::test::TavsimProcess>, kTavs> tavs;
        for (int n = 1; n <= kTavs; ++n) {
            tavs[n - 1].emplace(VANTREL_TAVSIM, QStringList{"--reply", "11", "--version", "2.0"});
            setenv(("VANTREL_COM" + std::to_string(n)).c_str(), tavs[n - 1]->SlavePath().c_str(), 1);
        }
        const Run one = RunCli({"program", firmware, "--port", "1"});
        const Run four = RunCli({"program", firmware, "--all"});
        if (one.status != 0 || four.status != 0) {
            ++failures;
            std::printf("run %d: FAILED (exit %d alone, %d four at once)\n", run, one.status, four.status);
            continue;
        }
        std::printf("run %d: one tav %.3f s (CPU %.2f%%), four at once %.3f s = %.3f x one (CPU %.2f%% of a core "
                    "per tav)\n",
                    run, one.wall, 100 * one.cpu / one.wall, four.wall, four.wall / one.wall,
                    100 * four.cpu / four.wall / kTavs);
    }
    return failures == 0 ? 0 : 1;
}
