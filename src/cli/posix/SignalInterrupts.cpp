#include "cli/posix/SignalInterrupts.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace vantrel::cli {
namespace {

constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

// Shared with the handler: only what it may safely read and write.
volatile std::sig_atomic_t gCount = 0;
volatile std::sig_atomic_t gNoticed = 0;
const char* volatile gLastWords = nullptr;
std::size_t gLastWordsSize = 0;
int gLastWordsFd = STDERR_FILENO;
int gExitStatus = -1;  // -1: end as the signal would

void WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        size -= std::size_t(n);
    }
}

// Runs inside the signal handler, before it wakes the event loop.
void OnSignal(int signal) {
    if (!gNoticed) {
        // Nothing in the program would look at the count now: end here. Should the last
        // words block (a reader that stopped reading), the next signal ends the process.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigset_t ours;
        sigemptyset(&ours);
        for (const int each : kSignals) {
            ::sigaction(each, &fallback, nullptr);
            sigaddset(&ours, each);
        }
        ::sigprocmask(SIG_UNBLOCK, &ours, nullptr);
        if (const char* words = gLastWords) WriteAll(gLastWordsFd, words, gLastWordsSize);
        ::_exit(gExitStatus >= 0 ? gExitStatus : 128 + signal);
    }
    gCount = gCount + 1;
}

}  // namespace

// Waking the loop is all the pipe is for; the session reads the count after the turn.
SignalInterrupts::SignalInterrupts() : signals_({}, OnSignal) {
    gCount = 0;
    gNoticed = 0;
    gLastWords = nullptr;
    gExitStatus = -1;
}

SignalInterrupts::~SignalInterrupts() { gLastWords = nullptr; }

int SignalInterrupts::Count() const { return gCount; }

bool SignalInterrupts::Noticed() const { return gNoticed != 0; }

void SignalInterrupts::SetNoticed(bool noticed) { gNoticed = noticed ? 1 : 0; }

void SignalInterrupts::EndAtOnceWith(std::string lastWords, bool onStdout, int exitStatus) {
    // The handler must never see a half-changed text: it is unhooked while it changes.
    gLastWords = nullptr;
    lastWords_ = std::move(lastWords);
    gLastWordsSize = lastWords_.size();
    gLastWordsFd = onStdout ? STDOUT_FILENO : STDERR_FILENO;
    gExitStatus = exitStatus;
    gLastWords = lastWords_.c_str();
}

}  // namespace vantrel::cli
