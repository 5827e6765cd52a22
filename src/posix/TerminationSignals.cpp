#include "posix/TerminationSignals.h"

#include <QSocketNotifier>
#include <iterator>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace vantrel {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int gPipe[2] = {-1, -1};
TerminationSignals::InHandler gInHandler = nullptr;
struct sigaction gPrevious[std::size(kSignals)];

extern "C" void OnTerminationSignal(int signal) {
    const int saved = errno;
    if (gInHandler) gInHandler(signal);
    const char byte = 1;
    // Non-blocking: a full pipe already says all the loop needs to know.
    [[maybe_unused]] const auto n = ::write(gPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, InHandler inHandler)
    : onSignal_(std::move(onSignal)) {
    if (gPipe[0] != -1) throw std::logic_error("only one TerminationSignals at a time");
    if (::pipe2(gPipe, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("cannot create the signal pipe");
    gInHandler = inHandler;
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        // One byte per signal: two signals in quick succession are two, not one.
        char bytes[64];
        for (ssize_t n; (n = ::read(gPipe[0], bytes, sizeof bytes)) > 0;)
            for (ssize_t k = 0; k < n && onSignal_; ++k) onSignal_();
    });

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    // One handler at a time: a second signal waits until the first is dealt with.
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) sigaddset(&action.sa_mask, signal);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &gPrevious[i]);
}

TerminationSignals::~TerminationSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &gPrevious[i], nullptr);
    notifier_.reset();
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
    gInHandler = nullptr;
}

int TerminationSignals::WakeFd() const { return gPipe[0]; }

}  // namespace vantrel
