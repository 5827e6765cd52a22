#include "cli/posix/SignalInterrupts.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <stdexcept>

namespace vantrel::cli {
namespace {

constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

// Shared with the handler: only what it may safely read and write.
volatile std::sig_atomic_t gCount = 0;
volatile std::sig_atomic_t gNoticed = 0;
int gPipe[2] = {-1, -1};
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

extern "C" void OnSignal(int signal) {
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
    const int saved = errno;
    gCount = gCount + 1;
    const char byte = 1;
    // Non-blocking: a full pipe already says everything the loop needs to know.
    [[maybe_unused]] const auto n = ::write(gPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

SignalInterrupts::SignalInterrupts() {
    if (gPipe[0] != -1) throw std::logic_error("only one SignalInterrupts at a time");
    if (::pipe2(gPipe, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("cannot create the signal pipe");
    gCount = 0;
    gNoticed = 0;
    gLastWords = nullptr;
    gExitStatus = -1;
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
    // Waking the loop is all it is for; the session reads the count after the turn.
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [] {
        char drain[64];
        while (::read(gPipe[0], drain, sizeof drain) > 0) {
        }
    });

    struct sigaction action {};
    action.sa_handler = OnSignal;
    // One handler at a time: a second signal waits until the first is counted.
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) sigaddset(&action.sa_mask, signal);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &previous_[i]);
}

SignalInterrupts::~SignalInterrupts() {
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
    notifier_.reset();
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
    gLastWords = nullptr;
}

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

int SignalInterrupts::WakeFd() const { return gPipe[0]; }

}  // namespace vantrel::cli
