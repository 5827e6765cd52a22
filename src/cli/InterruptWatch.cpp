#include "cli/InterruptWatch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <stdexcept>

namespace vantrel::cli {
namespace {

constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t gCount = 0;
int gPipe[2] = {-1, -1};

extern "C" void OnSignal(int) {
    const int saved = errno;
    gCount = gCount + 1;
    const char byte = 1;
    // Non-blocking: a full pipe already says everything the loop needs to know.
    [[maybe_unused]] const auto n = ::write(gPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

InterruptWatch::InterruptWatch() {
    if (gPipe[0] != -1) throw std::logic_error("only one InterruptWatch at a time");
    if (::pipe2(gPipe, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("cannot create the signal pipe");
    gCount = 0;
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char drain[64];
        while (::read(gPipe[0], drain, sizeof drain) > 0) {
        }
        if (onInterrupt) onInterrupt();
    });

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &previous_[i]);
}

InterruptWatch::~InterruptWatch() {
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
    notifier_.reset();
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

int InterruptWatch::Count() const { return gCount; }

int InterruptWatch::WakeFd() const { return gPipe[0]; }

}  // namespace vantrel::cli
