#include "sim/tools/TavsimRunner.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <system_error>


namespace vantrel::sim {

namespace {

[[noreturn]] void ThrowErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

char ParityLetter(vantrel::Parity p) {
    return p == vantrel::Parity::Odd ? 'o' : p == vantrel::Parity::Even ? 'e' : 'n';
}

}  // namespace

TerminationSignals::TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) ThrowErrno("sigprocmask");
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) ThrowErrno("signalfd");
}

TerminationSignals::~TerminationSignals() { close(fd_); }

TavsimRunner::TavsimRunner(const PtyLink& link, TavDevice& tav, const TavsimOptions& options)
    : link_(link), tav_(tav), options_(options), watch_(link.SlavePath()), epoch_(std::chrono::steady_clock::now()) {}

vantrel::Instant TavsimRunner::Now() const { return std::chrono::steady_clock::now() - epoch_; }

StopReason TavsimRunner::Run(const TerminationSignals& signals) {
    std::optional<vantrel::Instant> closedSince;  // the program has had the port closed since then
    for (;;) {
        SendDueReplies();
        const vantrel::Instant now = Now();
        std::optional<vantrel::Instant> wakeAt;
        if (!pending_.empty()) wakeAt = pending_.begin()->first;
        if (options_.exitWhenClosed && watch_.EverOpened() && watch_.OpenCount() == 0) {
            if (!closedSince) closedSince = now;
            const vantrel::Instant deadline = *closedSince + options_.closeGrace;
            // Replies still due would land in a port nobody has open: they go too.
            if (now >= deadline) return StopReason::ProgramLeft;
            wakeAt = wakeAt ? std::min(*wakeAt, deadline) : deadline;
        } else {
            closedSince.reset();
        }

        pollfd fds[] = {{link_.MasterFd(), POLLIN, 0}, {signals.Fd(), POLLIN, 0}, {watch_.Fd(), POLLIN, 0}};
        timespec timeout{};
        if (wakeAt) {
            const auto wait = std::max(*wakeAt - now, vantrel::Instant{0});
            timeout.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
        }
        if (ppoll(fds, std::size(fds), wakeAt ? &timeout : nullptr, nullptr) < 0) {
            if (errno == EINTR) continue;
            ThrowErrno("ppoll");
        }
        if (fds[1].revents & POLLIN) return StopReason::Signal;
        if (fds[2].revents & POLLIN) watch_.TakeEvents();
        if (fds[0].revents & POLLIN) {
            ReadFromProgram();
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Cannot happen while the own slave descriptor is open; never spin on it.
            errno = EIO;
            ThrowErrno("pty master hung up");
        }
    }
}

void TavsimRunner::ReadFromProgram() {
    for (;;) {
        // One byte at a time, each judged by the settings in force when it is read: the
        // program changes parity between a command byte and the bytes after it.
        const vantrel::LineSettings settings = link_.SlaveSettings();
        std::uint8_t byte = 0;
        const ssize_t n = read(link_.MasterFd(), &byte, 1);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (n <= 0) ThrowErrno("read from pty master");
        const vantrel::Instant at = Now();
        if (options_.trace) {
            std::fprintf(stderr, "tavsim %10.3f ms in  %02X at %d,%c,8,%d\n", at.count() / 1e6, byte, settings.baud,
                         ParityLetter(settings.parity), settings.stopBits);
        }
        // RTS cannot be seen through a pty: the tav sees it on.
        for (const Reply& reply : tav_.Receive(byte, settings, true, at)) pending_.emplace(reply.at, reply.byte);
    }
}

void TavsimRunner::SendDueReplies() {
    while (!pending_.empty() && pending_.begin()->first <= Now()) {
        const std::uint8_t byte = pending_.begin()->second;
        pending_.erase(pending_.begin());
        const ssize_t n = write(link_.MasterFd(), &byte, 1);
        if (n < 0 && errno != EAGAIN && errno != EINTR) ThrowErrno("write to pty master");
        if (n != 1 && !reportedDrop_) {
            // The slave's input queue is full: nobody is reading. A real line loses the
            // byte too.
            std::fprintf(stderr, "vantrel-tavsim: reply bytes dropped, the port's input queue is full\n");
            reportedDrop_ = true;
        }
        if (options_.trace && n == 1) std::fprintf(stderr, "tavsim %10.3f ms out %02X\n", Now().count() / 1e6, byte);
    }
}

}  // namespace vantrel::sim
