#pragma once
// The --trace file: one time-stamped line (milliseconds since the trace began) for every
// byte sent and received, every port opening and closing, every line-settings and RTS
// put, every box, and every wait with its length and how it ended. The ports of a gang
// run write to one trace from their own threads, each line whole.

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "serial/Link.h"

namespace vantrel::cli {

class TraceLog {
public:
    // Throws std::runtime_error when the file cannot be created.
    explicit TraceLog(const std::string& path);
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    // A line about something the program did now.
    void Write(const std::string& what);
    // Milliseconds since `since`, on the trace's clock.
    static double MsSince(std::chrono::steady_clock::time_point since);

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
};

// The waits of one link, as trace lines; `prefix` goes before each (a gang run's "COMn: ").
class TraceWaits : public LinkObserver {
public:
    TraceWaits(TraceLog& trace, std::string prefix = {}) : trace_(trace), prefix_(std::move(prefix)) {}

    void WaitBegins(int intervalMs, int bytes) override;
    void WaitEnds(int intervalMs, WaitEnd end, int bytesIn) override;
    void WaitCutShort(int intervalMs) override;

private:
    TraceLog& trace_;
    std::string prefix_;
    std::chrono::steady_clock::time_point began_{};
};

}  // namespace vantrel::cli
