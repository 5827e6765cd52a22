#include "cli/TraceLog.h"

#include <cstdio>
#include <stdexcept>

namespace vantrel::cli {

TraceLog::TraceLog(const std::string& path)
    : file_(std::fopen(path.c_str(), "w")), start_(std::chrono::steady_clock::now()) {
    if (!file_) throw std::runtime_error("cannot write the trace file " + path);
    // Line-buffered: what was traced is on disk even if the program dies.
    std::setvbuf(file_.get(), nullptr, _IOLBF, 0);
    Write("trace begins (times in ms)");
}

double TraceLog::MsSince(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

void TraceLog::Write(const std::string& what) {
    const std::lock_guard lock(mutex_);
    std::fprintf(file_.get(), "%11.3f  %s\n", MsSince(start_), what.c_str());
}

void TraceWaits::WaitBegins(int intervalMs, int) {
    began_ = std::chrono::steady_clock::now();
    trace_.Write(prefix_ + "wait " + std::to_string(intervalMs) + " ms");
}

void TraceWaits::WaitEnds(int intervalMs, WaitEnd end, int bytesIn) {
    char text[128];
    const double after = TraceLog::MsSince(began_);
    switch (end) {
    case WaitEnd::TimedOut:
        std::snprintf(text, sizeof text, "wait %d ms ended: time-out after %.3f ms", intervalMs, after);
        break;
    case WaitEnd::BytesIn:
        std::snprintf(text, sizeof text, "wait %d ms ended: %d byte(s) in after %.3f ms", intervalMs, bytesIn, after);
        break;
    case WaitEnd::PortFailed:
        std::snprintf(text, sizeof text, "wait %d ms ended: the port failed after %.3f ms", intervalMs, after);
        break;
    }
    trace_.Write(prefix_ + text);
}

void TraceWaits::WaitCutShort(int intervalMs) {
    char text[128];
    std::snprintf(text, sizeof text, "wait %d ms cut short after %.3f ms (interrupted)", intervalMs,
                  TraceLog::MsSince(began_));
    trace_.Write(prefix_ + text);
}

}  // namespace vantrel::cli
