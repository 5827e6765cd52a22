#include "posix/QtSerialPort.h"

#include <algorithm>
#include <limits>

#include "ports/ComPortDevice.h"
#include "posix/PseudoTerminal.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantrel {
namespace {

QSerialPort::Parity ToQt(Parity parity) {
    switch (parity) {
        case Parity::Odd: return QSerialPort::OddParity;
        case Parity::Even: return QSerialPort::EvenParity;
        case Parity::None: break;
    }
    return QSerialPort::NoParity;
}

std::string Text(const QString& s) { return s.toLocal8Bit().toStdString(); }

// Unread bytes kept at most. A peer that floods the line must not make the program's
// memory grow while it waits (a restart waits 3 s): beyond this the oldest bytes are
// dropped, so the newest, which a reply wait is after, stay. Replies are a few bytes.
constexpr qint64 kReceiveBound = 4096;

}  // namespace

QtSerialPort::QtSerialPort() {
    port_.setFlowControl(QSerialPort::NoFlowControl);
    // Also raised while the event loop reads: a hung-up line reads EIO or end-of-file.
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError || e == QSerialPort::WriteError)
            DeviceGone();
    });
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { DropOldestBeyondBound(); });
}

void QtSerialPort::DropOldestBeyondBound() {
    const qint64 excess = port_.bytesAvailable() - kReceiveBound;
    if (excess > 0) port_.skip(excess);
}

void QtSerialPort::DeviceGone() {
    if (!open_ || gone_) return;
    gone_ = true;
    // Not from inside QSerialPort's own notification, which still works on its buffer.
    QMetaObject::invokeMethod(&port_, [this] {
        if (gone_) port_.close();
    }, Qt::QueuedConnection);
}

void QtSerialPort::SetPortOpen(bool open) {
    if (!open) {
        LetGo();
        open_ = false;
        gone_ = false;
        inForce_.reset();
        knownLines_.clear();
        return;
    }
    if (open_) throw SerialError("COM" + std::to_string(commPort_) + " is already open");
    Open();
}

void QtSerialPort::Open() {
    device_ = ComPortDevice(commPort_);
    if (device_.empty()) throw PortMissingError("Cannot open COM" + std::to_string(commPort_) + ": it has no device");
    claim_.emplace(device_, Name());
    port_.setPortName(QString::fromLocal8Bit(device_));
    gone_ = false;
    port_.clearError();
    // On a closed port these are only remembered; open() applies them to the device.
    Apply(line_);
    if (!port_.open(QIODevice::ReadWrite)) {
        // The claim got in, read and write: a permission error now is QSerialPort's lock
        // file, which another program that takes only that lock holds.
        [[maybe_unused]] const bool lockFileHeld = port_.error() == QSerialPort::PermissionError;
        const std::string reason = Text(port_.errorString());
        LetGo();
        if (lockFileHeld) throw PortInUseError(Name());
        throw SerialError("Cannot open " + Name() + ": " + reason);
    }
    open_ = true;
    inForce_ = line_;
    pseudoTerminal_ = IsPseudoTerminal(static_cast<int>(port_.handle()));
    driverFlags_.emplace(claim_->Fd());
    lowLatency_.emplace(*driverFlags_);
    if (line_.parity == Parity::None) SetParity(Parity::None);
    ApplyRts();
}

void QtSerialPort::LetGo() {
    lowLatency_.reset();
    driverFlags_.reset();
    if (port_.isOpen()) port_.close();
    port_.clearError();
    claim_.reset();
}

std::string QtSerialPort::DriverRemark() const {
    if (lowLatency_) return lowLatency_->Remark();
    return {};
}

void QtSerialPort::ApplyRts() {
    // A device without modem lines (a pseudo-terminal) refuses; RTS then stays a recorded state.
    if (!port_.setRequestToSend(rts_)) port_.clearError();
}

void QtSerialPort::Apply(const LineSettings& line) {
    if (PutKnownLine(line)) return;
    // Only the fields that change reach the device: each put costs QSerialPort several
    // system calls.
    const auto changes = [&](auto field) { return !inForce_ || (*inForce_).*field != line.*field; };
    const bool applied =
        (!changes(&LineSettings::baud) || port_.setBaudRate(line.baud)) &&
        (!changes(&LineSettings::parity) || SetParity(line.parity)) &&
        (!changes(&LineSettings::dataBits) ||
         port_.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits))) &&
        (!changes(&LineSettings::stopBits) ||
         port_.setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop));
    if (!applied) {
        // Some fields may have taken: the next put applies them all.
        inForce_.reset();
        const std::string reason = Text(port_.errorString());
        port_.clearError();
        knownLines_.clear();
        throw SerialError("Cannot apply the serial settings on " + device_ + ": " + reason);
    }
    if (!port_.isOpen()) return;
    const bool changed = inForce_ != line;
    inForce_ = line;
    if (changed) RememberLine(line);
}

TermiosImage* QtSerialPort::KnownLine(const LineSettings& line) {
    const auto known = std::find_if(knownLines_.begin(), knownLines_.end(), [&](const auto& k) { return k.first == line; });
    return known == knownLines_.end() ? nullptr : &known->second;
}

void QtSerialPort::RememberLine(const LineSettings& line) {
    // Taken as the device is now, after QSerialPort's checked way (and its read-back).
    auto image = TermiosImage::Take(static_cast<int>(port_.handle()));
    if (!image) return;
    if (TermiosImage* known = KnownLine(line))
        *known = *image;
    else
        knownLines_.emplace_back(line, *image);
}

bool QtSerialPort::PutKnownLine(const LineSettings& line) {
    if (!port_.isOpen() || !inForce_ || *inForce_ == line) return false;
    const TermiosImage* known = KnownLine(line);
    // A device that refuses its own earlier state is left to the checked way, which says why.
    if (!known || !known->PutOn(static_cast<int>(port_.handle()))) return false;
    inForce_ = line;
    return true;
}

bool QtSerialPort::SetParity(Parity parity) {
    if (port_.setParity(ToQt(parity))) {
        ClearStaleOddFlag(parity);
        return true;
    }
    // Only a pseudo-terminal gets the benefit of the doubt: a real adapter that refuses a
    // parity would garble every frame, so its refusal must be seen.
    return pseudoTerminal_ && ParityTookEffect(parity);
}

void QtSerialPort::ClearStaleOddFlag(Parity parity) {
    // QSerialPort turns parity off by clearing PARENB alone. A PARODD left from odd parity
    // (ours, or the device's last user's) would tell a peer that reads the flags, such as
    // a pty master, the wrong parity.
    if (parity != Parity::None || !port_.isOpen()) return;
    termios flags{};
    const int fd = static_cast<int>(port_.handle());
    if (::tcgetattr(fd, &flags) == 0 && (flags.c_cflag & PARODD)) {
        flags.c_cflag &= ~tcflag_t{PARODD};
        ::tcsetattr(fd, TCSANOW, &flags);
    }
}

bool QtSerialPort::ParityTookEffect(Parity parity) {
    // A pseudo-terminal applies the settings but drops PARENB, and the C library reports
    // that as EINVAL. The settings are in force when the odd/even choice reads back.
    termios flags{};
    if (parity == Parity::None || !port_.isOpen() || ::tcgetattr(static_cast<int>(port_.handle()), &flags) != 0)
        return false;
    if (((flags.c_cflag & PARODD) != 0) != (parity == Parity::Odd)) return false;
    port_.clearError();
    return true;
}

void QtSerialPort::Output(std::uint8_t byte) { OutputBlock({&byte, 1}); }

void QtSerialPort::OutputBlock(std::span<const std::uint8_t> bytes) {
    ThrowUnlessUsable("write to");
    if (const auto failure = WriteToDevice(bytes))
        throw SerialError("Cannot write to " + Name() + ": " + *failure);
}

std::optional<std::string> QtSerialPort::WriteToDevice(std::span<const std::uint8_t> bytes) {
    // Straight to the descriptor, which QSerialPort keeps non-blocking: its own write path
    // would arm and disarm a write notifier, waking the event loop twice, for every block.
    const int fd = static_cast<int>(port_.handle());
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(written));
        } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
            const std::string reason = std::strerror(errno);
            DeviceGone();
            return reason;
        } else {
            // A full driver buffer takes the rest a moment later.
            pollfd room{fd, POLLOUT, 0};
            if (::poll(&room, 1, 100) == 0) return "the line took nothing for 100 ms";
        }
    }
    return std::nullopt;
}

void QtSerialPort::PullArrivedBytes() {
    // Bytes the driver holds but the event loop has not read yet count as waiting, as
    // they would for the Windows driver; an error condition is read (and noticed) too.
    pollfd pending{static_cast<int>(port_.handle()), POLLIN, 0};
    if (::poll(&pending, 1, 0) > 0) port_.waitForReadyRead(0);
}

std::int16_t QtSerialPort::InBufferCount() {
    if (!open_) return 0;
    ThrowUnlessUsable("read from");
    PullArrivedBytes();
    ThrowUnlessUsable("read from");
    const qint64 waiting = port_.bytesAvailable();
    return static_cast<std::int16_t>(std::min<qint64>(waiting, std::numeric_limits<std::int16_t>::max()));
}

std::vector<std::uint8_t> QtSerialPort::Input() {
    if (!open_) return {};
    ThrowUnlessUsable("read from");
    PullArrivedBytes();
    ThrowUnlessUsable("read from");
    const QByteArray bytes = port_.readAll();
    return {bytes.begin(), bytes.end()};
}

}  // namespace vantrel
