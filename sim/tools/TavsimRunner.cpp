#include "sim/tools/TavsimRunner.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <system_error>

#include "sim/tools/TavsimReport.h"

namespace vantrel::sim {

namespace {

[[noreturn]] void ThrowErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

char ParityLetter(vantrel::Parity p) {
    return p == vantrel::Parity::Odd ? 'o' : p == vantrel::Parity::Even ? 'e' : 'n';
}

}  // namespace

SimulatorSignals::SimulatorSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2}) sigaddset(&set, s);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) ThrowErrno("sigprocmask");
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) ThrowErrno("signalfd");
}

SimulatorSignals::~SimulatorSignals() { close(fd_); }

int SimulatorSignals::Take() const {
    signalfd_siginfo info{};
    for (;;) {
        const ssize_t n = read(fd_, &info, sizeof info);
        if (n == static_cast<ssize_t>(sizeof info)) return static_cast<int>(info.ssi_signo);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return 0;
        ThrowErrno("read from signalfd");
    }
}

TavsimRunner::TavsimRunner(const PtyLink& link, const TavsimOptions& options)
    : link_(link),
      options_(options),
      tav_(std::make_unique<TavDevice>(options.profile, options.faults)),
      watch_(link.SlavePath()),
      epoch_(std::chrono::steady_clock::now()) {
    if (!options.startUnplugged) {
        pluggedIn_ = true;
        plugging_ = 1;
    }
}

vantrel::Instant TavsimRunner::Now() const { return std::chrono::steady_clock::now() - epoch_; }

void TavsimRunner::PlugIn() {
    Unplug();
    TavProfile profile = options_.profile;
    TavFaults faults = options_.faults;
    if (!options_.controlPath.empty()) {
        try {
            ApplyControlFile(options_.controlPath, profile, faults);
        } catch (const UsageError& e) {
            std::fprintf(stderr, "vantrel-tavsim: no tav plugged in: %s\n", e.what());
            return;
        }
    }
    tav_ = std::make_unique<TavDevice>(profile, faults);
    pluggedIn_ = true;
    ++plugging_;
    if (options_.trace) std::fprintf(stderr, "tavsim %10.3f ms tav %d plugged in\n", Now().count() / 1e6, plugging_);
}

bool TavsimRunner::Unplug() {
    if (!pluggedIn_) return true;
    pluggedIn_ = false;
    pending_.clear();  // a reply under way is cut off with the cable
    if (options_.trace) std::fprintf(stderr, "tavsim %10.3f ms tav %d unplugged\n", Now().count() / 1e6, plugging_);
    if (options_.reportPath.empty()) return true;
    try {
        WriteFileAtomically(options_.reportPath + "." + std::to_string(plugging_), ReportJson(*tav_, plugging_));
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel-tavsim: report of tav %d not written: %s\n", plugging_, e.what());
        return false;
    }
}

StopReason TavsimRunner::Run(const SimulatorSignals& signals) {
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
        // Signals first: bytes written after a signal was sent meet its effect.
        if (fds[1].revents & POLLIN) {
            for (int signal; (signal = signals.Take()) != 0;) {
                if (signal == SIGUSR1) Unplug();
                else if (signal == SIGUSR2) PlugIn();
                else return StopReason::Signal;
            }
        }
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
            std::fprintf(stderr, "tavsim %10.3f ms in  %02X at %d,%c,8,%d%s\n", at.count() / 1e6, byte, settings.baud,
                         ParityLetter(settings.parity), settings.stopBits, pluggedIn_ ? "" : " (no tav)");
        }
        if (!pluggedIn_) continue;
        // RTS cannot be seen through a pty: the tav sees it on.
        for (const Reply& reply : tav_->Receive(byte, settings, true, at)) pending_.emplace(reply.at, reply.byte);
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
